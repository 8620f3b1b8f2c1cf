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
    // How long wait and until keep asking.
    static constexpr std::chrono::milliseconds kDefaultWaitLimit{60000};
    std::chrono::milliseconds waitLimit{kDefaultWaitLimit};

private:
    // The method's number; 0 (reported) when it is unknown.
    int32_t method(const CallLine& call);
    // Calls it; the answer in `result` is the caller's to release.
    int32_t call(int32_t method, const CallLine& call, Value& result);
    // Prints the answer (and releases it), then reports a failure code.
    void answer(const CallLine& call, int32_t code, const Value& result);
    void runCall(const CallLine& call);
    void runUntil(const UntilLine& until);
    bool holds(const UntilLine& until, const Value& answer);
    void waitUntilStopped();

    Host& m_host;
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_failed = false;
    bool m_abandoned = false; // an until failed: what follows relied on it
};

// The program: speechhost [--plugin PATH] [--wait-limit MS] [--methods] [CALL ...]. Returns the exit code.
int runProgram(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace speechhost
