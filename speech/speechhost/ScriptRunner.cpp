#include "ScriptRunner.h"

#include <cstdio>
#include <istream>
#include <string>
#include <thread>

namespace speechhost {

namespace {

std::string hex(int32_t code)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<uint32_t>(code));
    return text;
}

} // namespace

void ScriptRunner::run(std::string_view line)
{
    ScriptLine parsed;
    std::string error;
    if (!parseScriptLine(line, parsed, error)) {
        m_err << "speechhost: malformed line \"" << line << "\": " << error << '\n';
        m_failed = true;
        return;
    }
    if (const auto* call = std::get_if<CallLine>(&parsed))
        runCall(*call);
    else if (std::holds_alternative<WaitLine>(parsed))
        waitUntilStopped();
    else if (const auto* sleep = std::get_if<SleepLine>(&parsed))
        std::this_thread::sleep_for(std::chrono::milliseconds(sleep->milliseconds));
    else if (std::holds_alternative<StopLine>(parsed))
        m_host.notifyStop();
}

void ScriptRunner::runCall(const CallLine& call)
{
    const int32_t method = m_host.methodNumber(call.method);
    if (method == 0) {
        m_err << "speechhost: unknown method " << call.method << '\n';
        m_failed = true;
        return;
    }
    std::vector<Value> args;
    for (const Literal& literal : call.args) {
        switch (literal.kind) {
        case Literal::Kind::Integer:
            args.push_back(m_host.store.integer(literal.integer));
            break;
        case Literal::Kind::Text:
            args.push_back(m_host.store.text(literal.text));
            break;
        case Literal::Kind::Symbol:
            args.push_back(m_host.store.symbolValue(m_host.store.symbol(literal.text)));
            break;
        }
    }
    Value result{0};
    const int32_t code = m_host.call(method, args, result);
    m_out << m_host.store.format(result) << '\n' << std::flush;
    m_host.store.release(result);
    for (const Value& arg : args)
        m_host.store.release(arg);
    if (code != 0) {
        m_err << "speechhost: " << call.method << " failed with code " << hex(code) << '\n';
        m_failed = true;
    }
}

void ScriptRunner::waitUntilStopped()
{
    const int32_t method = m_host.methodNumber("voiceState");
    if (method == 0) {
        m_err << "speechhost: wait needs voiceState\n";
        m_failed = true;
        return;
    }
    const Symbol playing = m_host.store.symbol("playing");
    const Symbol paused = m_host.store.symbol("paused");
    const auto deadline = std::chrono::steady_clock::now() + waitLimit;
    for (;;) {
        Value state{0};
        m_host.call(method, {}, state);
        Symbol s = 0;
        const bool busy = m_host.store.asSymbol(state, s) && (s == playing || s == paused);
        m_host.store.release(state);
        if (!busy)
            return;
        if (std::chrono::steady_clock::now() >= deadline) {
            m_err << "speechhost: wait: still speaking after " << waitLimit.count() << " ms\n";
            m_failed = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

int runProgram(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err)
{
    std::string plugin;
    bool listMethods = false;
    std::vector<std::string> calls;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--plugin") {
            if (++i >= argc) {
                err << "speechhost: --plugin needs a path\n";
                return 2;
            }
            plugin = argv[i];
        } else if (arg == "--methods") {
            listMethods = true;
        } else if (arg == "--help" || arg == "-h") {
            out << "usage: speechhost [--plugin PATH] [--methods] [CALL ...]\n"
                   "  CALL is a script call such as 'voiceSpeak(\"tekst\")', or wait, 'sleep MS', stop.\n"
                   "  Without calls (and without --methods) the calls are read from standard input.\n";
            return 0;
        } else {
            calls.emplace_back(arg);
        }
    }
    if (plugin.empty())
        plugin = programDirectory() + "/Speech.so";

    Host host;
    std::string error;
    if (!host.load(plugin, error)) {
        err << "speechhost: " << error << '\n';
        return 2;
    }
    if (const int32_t code = host.registerPlugin(error); code != 0) {
        err << "speechhost: " << error << " (" << hex(code) << ")\n";
        host.shutdown();
        return 2;
    }
    if (listMethods) {
        for (std::size_t i = 0; i < host.methods().size(); ++i)
            out << i + 1 << ' ' << host.methods()[i] << '\n';
        if (calls.empty()) {
            host.shutdown();
            return 0;
        }
    }
    if (const int32_t code = host.createScript(); code != 0) {
        err << "speechhost: cannot create the script instance (" << hex(code) << ")\n";
        host.shutdown();
        return 2;
    }

    ScriptRunner runner(host, out, err);
    if (!calls.empty()) {
        for (const std::string& call : calls)
            runner.run(call);
    } else {
        std::string line;
        while (std::getline(in, line))
            runner.run(line);
    }
    const int32_t unload = host.shutdown();
    if (unload != 0)
        err << "speechhost: the plug-in still has live objects (" << hex(unload) << ")\n";
    return runner.failed() || unload != 0 ? 1 : 0;
}

} // namespace speechhost
