#include "ScriptRunner.h"

#include <charconv>
#include <cstdio>
#include <cstring>
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
    if (m_abandoned)
        return;
    ScriptLine parsed;
    std::string error;
    if (!parseScriptLine(line, parsed, error)) {
        m_err << "speechhost: malformed line \"" << line << "\": " << error << '\n';
        m_failed = true;
        return;
    }
    if (const auto* call = std::get_if<CallLine>(&parsed))
        runCall(*call);
    else if (const auto* until = std::get_if<UntilLine>(&parsed))
        runUntil(*until);
    else if (std::holds_alternative<WaitLine>(parsed))
        waitUntilStopped();
    else if (const auto* sleep = std::get_if<SleepLine>(&parsed))
        std::this_thread::sleep_for(std::chrono::milliseconds(sleep->milliseconds));
    else if (std::holds_alternative<StopLine>(parsed))
        m_host.notifyStop();
}

int32_t ScriptRunner::method(const CallLine& call)
{
    const int32_t method = m_host.methodNumber(call.method);
    if (method == 0) {
        m_err << "speechhost: unknown method " << call.method << '\n';
        m_failed = true;
    }
    return method;
}

int32_t ScriptRunner::call(int32_t method, const CallLine& call, Value& result)
{
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
    const int32_t code = m_host.call(method, args, result);
    for (const Value& arg : args)
        m_host.store.release(arg);
    return code;
}

void ScriptRunner::answer(const CallLine& call, int32_t code, const Value& result)
{
    m_out << m_host.store.format(result) << '\n' << std::flush;
    m_host.store.release(result);
    if (code != 0) {
        m_err << "speechhost: " << call.method << " failed with code " << hex(code) << '\n';
        m_failed = true;
    }
}

void ScriptRunner::runCall(const CallLine& line)
{
    const int32_t number = method(line);
    if (number == 0)
        return;
    Value result{0};
    const int32_t code = call(number, line, result);
    answer(line, code, result);
}

void ScriptRunner::runUntil(const UntilLine& until)
{
    const int32_t number = method(until.call);
    if (number == 0) {
        m_abandoned = true;
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + waitLimit;
    Value result{0};
    int32_t code = call(number, until.call, result);
    bool met = code == 0 && holds(until, result);
    while (code == 0 && !met && std::chrono::steady_clock::now() < deadline) {
        m_host.store.release(result);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        code = call(number, until.call, result);
        met = code == 0 && holds(until, result);
    }
    answer(until.call, code, result); // the last answer, met or not
    if (met)
        return;
    if (code == 0) {
        m_err << "speechhost: until: the condition did not hold within " << waitLimit.count() << " ms\n";
        m_failed = true;
    }
    m_abandoned = true; // the lines after it count on the condition
}

bool ScriptRunner::holds(const UntilLine& until, const Value& answer)
{
    using Op = UntilLine::Op;
    bool same = false;
    int32_t number = 0;
    Symbol symbol = 0;
    switch (until.value.kind) {
    case Literal::Kind::Integer:
        if (!m_host.store.asInteger(answer, number))
            return until.op == Op::NotEqual;
        switch (until.op) {
        case Op::Equal:
            return number == until.value.integer;
        case Op::NotEqual:
            return number != until.value.integer;
        case Op::Less:
            return number < until.value.integer;
        case Op::LessOrEqual:
            return number <= until.value.integer;
        case Op::Greater:
            return number > until.value.integer;
        case Op::GreaterOrEqual:
            return number >= until.value.integer;
        }
        return false;
    case Literal::Kind::Text: {
        const std::string* text = m_host.store.asText(answer);
        same = text != nullptr && *text == until.value.text;
        break;
    }
    case Literal::Kind::Symbol:
        same = m_host.store.asSymbol(answer, symbol) && symbol == m_host.store.symbol(until.value.text);
        break;
    }
    return until.op == Op::Equal ? same : !same;
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
    std::chrono::milliseconds waitLimit{ScriptRunner::kDefaultWaitLimit};
    std::vector<std::string> calls;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--plugin") {
            if (++i >= argc) {
                err << "speechhost: --plugin needs a path\n";
                return 2;
            }
            plugin = argv[i];
        } else if (arg == "--wait-limit") {
            int32_t ms = 0;
            const char* text = ++i < argc ? argv[i] : "";
            const char* end = text + std::strlen(text);
            if (auto [ptr, ec] = std::from_chars(text, end, ms);
                ec != std::errc() || ptr != end || ptr == text || ms < 0) {
                err << "speechhost: --wait-limit needs a number of milliseconds\n";
                return 2;
            }
            waitLimit = std::chrono::milliseconds(ms);
        } else if (arg == "--methods") {
            listMethods = true;
        } else if (arg == "--help" || arg == "-h") {
            out << "usage: speechhost [--plugin PATH] [--wait-limit MS] [--methods] [CALL ...]\n"
                   "  CALL is a script call such as 'voiceSpeak(\"tekst\")', or one of these lines:\n"
                   "    wait                 until the voice is neither playing nor paused\n"
                   "    until CALL OP VALUE  repeats CALL until its answer OP VALUE holds, then prints\n"
                   "                         that answer, e.g. 'until voiceWordPos() >= 3',\n"
                   "                         'until voiceState() = #stopped'; OP is = <> < <= > >=\n"
                   "                         (the last four with an integer). When it does not hold in\n"
                   "                         time it prints the last answer and the calls after it are\n"
                   "                         not made.\n"
                   "    sleep MS             pauses the script\n"
                   "    stop                 sends the host's stop notification\n"
                   "  wait and until give up after --wait-limit MS (default 60000) and report it.\n"
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
    runner.waitLimit = waitLimit;
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
