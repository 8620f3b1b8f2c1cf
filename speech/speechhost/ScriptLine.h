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
// until CALL OP LITERAL: repeats the call until its answer compares true. = and <> take
// any literal; <, <=, > and >= an integer.
struct UntilLine {
    enum class Op { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual };
    CallLine call;
    Op op = Op::Equal;
    Literal value;
};

using ScriptLine = std::variant<EmptyLine, CallLine, WaitLine, SleepLine, StopLine, UntilLine>;

// Parses one line; false with a message in `error` when it is malformed.
bool parseScriptLine(std::string_view line, ScriptLine& out, std::string& error);

} // namespace speechhost
