#pragma once

#include "Host.h"
#include "ScriptLine.h"

#include <chrono>
#include <ostream>
#include <string_view>

namespace speechhost {

// Runs script lines against a registered host with a script instance. Every
// call prints exactly one result line on `out`; diagnostics go to `err`.
class ScriptRunner {
public:
    ScriptRunner(Host& host, std::ostream& out, std::ostream& err) : m_host(host), m_out(out), m_err(err) {}

    void run(std::string_view line);
    bool failed() const noexcept { return m_failed; }
    std::chrono::milliseconds waitLimit{60000};

private:
    void runCall(const CallLine& call);
    void waitUntilStopped();

    Host& m_host;
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_failed = false;
};

// The program: speechhost [--plugin PATH] [--methods] [CALL ...]. Returns the exit code.
int runProgram(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace speechhost
