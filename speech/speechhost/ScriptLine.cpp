#include "ScriptLine.h"

#include <cctype>
#include <charconv>

namespace speechhost {

namespace {

class Cursor {
public:
    explicit Cursor(std::string_view text) : m_text(text) {}
    void skipBlanks()
    {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\r'))
            ++m_pos;
    }
    bool atEnd()
    {
        skipBlanks();
        return m_pos == m_text.size() || m_text.substr(m_pos).starts_with("--");
    }
    bool take(char c)
    {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    std::string_view word()
    {
        skipBlanks();
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() &&
               (std::isalnum(static_cast<unsigned char>(m_text[m_pos])) || m_text[m_pos] == '_'))
            ++m_pos;
        return m_text.substr(start, m_pos - start);
    }
    bool integer(int32_t& out)
    {
        skipBlanks();
        const char* begin = m_text.data() + m_pos;
        const char* end = m_text.data() + m_text.size();
        if (begin != end && *begin == '+')
            ++begin;
        auto [ptr, ec] = std::from_chars(begin, end, out);
        if (ec != std::errc() || ptr == begin)
            return false;
        m_pos = static_cast<std::size_t>(ptr - m_text.data());
        return true;
    }
    bool quoted(std::string& out)
    {
        if (!take('"'))
            return false;
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos++];
            if (c == '"')
                return true;
            if (c == '\\' && m_pos < m_text.size())
                c = m_text[m_pos++];
            out += c;
        }
        return false; // unterminated
    }
    char peek()
    {
        skipBlanks();
        return m_pos < m_text.size() ? m_text[m_pos] : '\0';
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

bool parseLiteral(Cursor& cursor, Literal& literal, std::string& error)
{
    const char c = cursor.peek();
    if (c == '"') {
        literal.kind = Literal::Kind::Text;
        if (!cursor.quoted(literal.text)) {
            error = "unterminated text";
            return false;
        }
        return true;
    }
    if (c == '#') {
        cursor.take('#');
        literal.kind = Literal::Kind::Symbol;
        literal.text = std::string(cursor.word());
        if (literal.text.empty()) {
            error = "a symbol needs a name after #";
            return false;
        }
        return true;
    }
    literal.kind = Literal::Kind::Integer;
    if (!cursor.integer(literal.integer)) {
        error = "expected an integer, a \"text\" or a #symbol";
        return false;
    }
    return true;
}

// The argument list of a call, from its "(" to its ")".
bool parseArguments(Cursor& cursor, CallLine& call, std::string& error)
{
    if (!cursor.take('(')) {
        error = "expected \"(\" after " + call.method;
        return false;
    }
    if (cursor.take(')'))
        return true;
    for (;;) {
        Literal literal;
        if (!parseLiteral(cursor, literal, error))
            return false;
        call.args.push_back(std::move(literal));
        if (cursor.take(')'))
            return true;
        if (!cursor.take(',')) {
            error = "expected \",\" or \")\"";
            return false;
        }
    }
}

bool parseOp(Cursor& cursor, UntilLine::Op& op)
{
    using Op = UntilLine::Op;
    if (cursor.take('='))
        op = Op::Equal;
    else if (cursor.take('<'))
        op = cursor.take('>') ? Op::NotEqual : cursor.take('=') ? Op::LessOrEqual : Op::Less;
    else if (cursor.take('>'))
        op = cursor.take('=') ? Op::GreaterOrEqual : Op::Greater;
    else
        return false;
    return true;
}

bool parseUntil(Cursor& cursor, UntilLine& until, std::string& error)
{
    until.call.method = std::string(cursor.word());
    if (until.call.method.empty()) {
        error = "until needs a call, a comparison and a value";
        return false;
    }
    if (!parseArguments(cursor, until.call, error))
        return false;
    if (!parseOp(cursor, until.op)) {
        error = "until needs one of = <> < <= > >= after the call";
        return false;
    }
    if (!parseLiteral(cursor, until.value, error))
        return false;
    const bool ordering = until.op != UntilLine::Op::Equal && until.op != UntilLine::Op::NotEqual;
    if (ordering && until.value.kind != Literal::Kind::Integer) {
        error = "< <= > >= compare with an integer";
        return false;
    }
    if (!cursor.atEnd()) {
        error = "unexpected text after the value";
        return false;
    }
    return true;
}

} // namespace

bool parseScriptLine(std::string_view line, ScriptLine& out, std::string& error)
{
    Cursor cursor(line);
    if (cursor.atEnd()) {
        out = EmptyLine{};
        return true;
    }
    const std::string name(cursor.word());
    if (name.empty()) {
        error = "expected a method name";
        return false;
    }
    if (cursor.peek() != '(') {
        if (name == "wait" && cursor.atEnd()) {
            out = WaitLine{};
            return true;
        }
        if (name == "stop" && cursor.atEnd()) {
            out = StopLine{};
            return true;
        }
        if (name == "until") {
            UntilLine until;
            if (!parseUntil(cursor, until, error))
                return false;
            out = std::move(until);
            return true;
        }
        SleepLine sleep;
        if (name == "sleep") {
            if (cursor.integer(sleep.milliseconds) && sleep.milliseconds >= 0 && cursor.atEnd()) {
                out = sleep;
                return true;
            }
            error = "sleep needs a number of milliseconds";
            return false;
        }
        error = "expected \"(\" after " + name;
        return false;
    }

    CallLine call;
    call.method = name;
    if (!parseArguments(cursor, call, error))
        return false;
    if (!cursor.atEnd()) {
        error = "unexpected text after \")\"";
        return false;
    }
    out = std::move(call);
    return true;
}

} // namespace speechhost
