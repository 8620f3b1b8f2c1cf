#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace speechhost {

// One argument literal: 12, -3, "text" (\" and \\ escaped), #symbol.
struct Literal {
    enum class Kind { Integer, Text, Symbol } kind = Kind::Integer;
    int32_t integer = 0;
    std::string text; // text or symbol name
};

struct CallLine {
    std::string method;
    std::vector<Literal> args;
};
struct WaitLine {};
struct SleepLine {
    int32_t milliseconds = 0;
};
struct StopLine {};
struct EmptyLine {}; // blank or "--" comment

using ScriptLine = std::variant<EmptyLine, CallLine, WaitLine, SleepLine, StopLine>;

// Parses one line; false with a message in `error` when it is malformed.
bool parseScriptLine(std::string_view line, ScriptLine& out, std::string& error);

} // namespace speechhost
