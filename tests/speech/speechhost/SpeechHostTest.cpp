#include "Host.h"
#include "ScriptLine.h"
#include "ScriptRunner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <sys/wait.h>

namespace {

using namespace speechhost;

// ---- script lines

struct LineCase {
    const char* line;
    bool ok;
    std::string method;            // empty: not a call
    std::vector<std::string> args; // "i:5", "t:text", "s:name"
    std::string until{};           // an until line: its comparison and value, "<= i:3"
};

std::string describe(const Literal& l)
{
    switch (l.kind) {
    case Literal::Kind::Integer:
        return "i:" + std::to_string(l.integer);
    case Literal::Kind::Text:
        return "t:" + l.text;
    case Literal::Kind::Symbol:
        return "s:" + l.text;
    }
    return {};
}

class ScriptLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(ScriptLines, Parse)
{
    const LineCase& c = GetParam();
    ScriptLine parsed;
    std::string error;
    ASSERT_EQ(parseScriptLine(c.line, parsed, error), c.ok) << error;
    if (!c.ok) {
        EXPECT_FALSE(error.empty());
        return;
    }
    const auto* until = std::get_if<UntilLine>(&parsed);
    EXPECT_EQ(until != nullptr, !c.until.empty());
    if (until != nullptr) {
        static const char* const ops[] = {"=", "<>", "<", "<=", ">", ">="};
        EXPECT_EQ(ops[static_cast<int>(until->op)] + (" " + describe(until->value)), c.until);
    }
    const auto* call = until != nullptr ? &until->call : std::get_if<CallLine>(&parsed);
    if (c.method.empty()) {
        EXPECT_EQ(call, nullptr);
        return;
    }
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->method, c.method);
    std::vector<std::string> args;
    for (const Literal& l : call->args)
        args.push_back(describe(l));
    EXPECT_EQ(args, c.args);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScriptLines,
    ::testing::Values(
        LineCase{"voiceCount()", true, "voiceCount", {}}, LineCase{"  voiceCount ( )  ", true, "voiceCount", {}},
        LineCase{"voiceSet(2)", true, "voiceSet", {"i:2"}},
        LineCase{"voiceSetVolume(-3)", true, "voiceSetVolume", {"i:-3"}},
        LineCase{"voiceSpeak(\"tekst, met (haakjes)\")", true, "voiceSpeak", {"t:tekst, met (haakjes)"}},
        LineCase{"voiceSpeak(\"zeg \\\"hoi\\\" \\\\ nu\")", true, "voiceSpeak", {"t:zeg \"hoi\" \\ nu"}},
        LineCase{"voiceSpeak(\"\")", true, "voiceSpeak", {"t:"}},
        LineCase{"voiceSpeak(#hallo)", true, "voiceSpeak", {"s:hallo"}},
        LineCase{"foo(1, \"a\", #b)", true, "foo", {"i:1", "t:a", "s:b"}},
        LineCase{"voiceCount() -- comment", true, "voiceCount", {}}, LineCase{"", true, "", {}},
        LineCase{"   ", true, "", {}}, LineCase{"-- just a comment", true, "", {}}, LineCase{"wait", true, "", {}},
        LineCase{"stop", true, "", {}}, LineCase{"sleep 250", true, "", {}}, LineCase{"voiceSet(", false, "", {}},
        LineCase{"voiceSet(2", false, "", {}}, LineCase{"voiceSet(2,)", false, "", {}},
        LineCase{"voiceSet 2", false, "", {}}, LineCase{"voiceSpeak(\"open)", false, "", {}},
        LineCase{"voiceCount() x", false, "", {}}, LineCase{"voiceSet(99999999999)", false, "", {}},
        LineCase{"voiceSet(#)", false, "", {}}, LineCase{"sleep", false, "", {}}, LineCase{"sleep -5", false, "", {}},
        LineCase{"wait 5", false, "", {}}, LineCase{"(1)", false, "", {}}, LineCase{"voiceSet(1 2)", false, "", {}},
        LineCase{"until voiceWordPos() >= 3", true, "voiceWordPos", {}, ">= i:3"},
        LineCase{"until voiceState() = #stopped", true, "voiceState", {}, "= s:stopped"},
        LineCase{"  until  voiceGet ( ) <> \"Anna\" -- x", true, "voiceGet", {}, "<> t:Anna"},
        LineCase{"until voiceSet(2) > -1", true, "voiceSet", {"i:2"}, "> i:-1"},
        LineCase{"until voiceWordPos() < 3", true, "voiceWordPos", {}, "< i:3"},
        LineCase{"until voiceWordPos() <= 3", true, "voiceWordPos", {}, "<= i:3"},
        LineCase{"until(1)", true, "until", {"i:1"}}, // a call of a method named until
        LineCase{"until", false, "", {}}, LineCase{"until voiceState()", false, "", {}},
        LineCase{"until voiceState = #stopped", false, "", {}}, LineCase{"until voiceState() == 1", false, "", {}},
        LineCase{"until voiceState() = ", false, "", {}}, LineCase{"until voiceState() >= #stopped", false, "", {}},
        LineCase{"until voiceGet() < \"b\"", false, "", {}}, LineCase{"until voiceState() = 1 2", false, "", {}},
        LineCase{"until voiceState( = 1", false, "", {}}, LineCase{"until 3 = 3", false, "", {}}));

// ---- values

TEST(ValueStore, FormatsInScriptNotation)
{
    ValueStore store;
    Value plist = store.newList(ValueKind::PropertyList);
    Value name = store.text("Anna");
    ASSERT_EQ(store.appendProperty(plist, store.symbolValue(store.symbol("name")), name), 0);
    ASSERT_EQ(store.appendProperty(plist, store.symbolValue(store.symbol("index")), store.integer(1)), 0);
    store.release(name);
    Value list = store.newList(ValueKind::List);
    ASSERT_EQ(store.append(list, plist), 0);
    ASSERT_EQ(store.append(list, store.integer(-7)), 0);
    store.release(plist);

    EXPECT_EQ(store.format(store.integer(0)), "0");
    EXPECT_EQ(store.format(Value{0}), "0");
    EXPECT_EQ(store.format(store.symbolValue(store.symbol("stopped"))), "#stopped");
    EXPECT_EQ(store.format(list), "[[#name: \"Anna\", #index: 1], -7]");
    Value empty = store.newList(ValueKind::List);
    Value emptyProps = store.newList(ValueKind::PropertyList);
    EXPECT_EQ(store.format(empty), "[]");
    EXPECT_EQ(store.format(emptyProps), "[:]");
    for (Value v : {list, empty, emptyProps})
        EXPECT_EQ(store.release(v), 0);
    EXPECT_EQ(store.liveHeapValues(), 0u);
}

TEST(ValueStore, CountsReferencesAndRejectsBadValues)
{
    ValueStore store;
    Value list = store.newList(ValueKind::List);
    Value text = store.text("x");
    ASSERT_EQ(store.append(list, text), 0);
    Value copy{0};
    ASSERT_EQ(store.getAt(list, 1, copy), 0);
    EXPECT_EQ(copy.bits, text.bits);
    Value untouched{12345};
    EXPECT_EQ(store.getAt(list, 2, untouched), kBadIndex);
    EXPECT_EQ(store.getAt(list, 0, untouched), kBadIndex);
    EXPECT_EQ(store.getAt(text, 1, untouched), kWrongType);
    EXPECT_EQ(untouched.bits, 12345u);
    EXPECT_EQ(store.count(text), 0);
    EXPECT_EQ(store.count(Value{0}), 0);

    EXPECT_EQ(store.release(text), 0);
    EXPECT_EQ(store.release(copy), 0);
    EXPECT_EQ(store.liveHeapValues(), 2u); // the list still holds its item
    EXPECT_EQ(store.release(list), 0);
    EXPECT_EQ(store.liveHeapValues(), 0u);
    EXPECT_EQ(store.release(list), kBadValue); // twice
    EXPECT_EQ(store.append(list, store.integer(1)), kWrongType);
    int32_t n = 0;
    EXPECT_FALSE(store.asInteger(store.symbolValue(store.symbol("a")), n));
}

// ---- method table

TEST(MethodTable, NumbersStarLinesInOrderWhateverTheirIndent)
{
    const std::string table = "vell X -- version 1.0.0\n"
                              "-- * not a method\n"
                              "new object me -- Not used.\t\t  \n"
                              " * first -- leading space\n"
                              "* second\tinteger n -- tab\n"
                              "\t*  third string s -- \n"
                              "*\n"
                              "*fourth";
    EXPECT_EQ(parseMethodTable(table), (std::vector<std::string>{"first", "second", "third", "fourth"}));
}

// ---- the program over the built plug-in

struct RunResult {
    int code;
    std::string out, err;
};

RunResult run(std::vector<std::string> args, const std::string& input = "")
{
    args.insert(args.begin(), {"speechhost", "--plugin", SPEECH_PLUGIN_PATH});
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::istringstream in(input);
    std::ostringstream out, err;
    const int code = runProgram(static_cast<int>(args.size()), argv.data(), in, out, err);
    return {code, out.str(), err.str()};
}

TEST(SpeechHostProgram, ListsTheMethodsNumbered)
{
    const RunResult r = run({"--methods"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "1 voiceCount\n2 voiceGet\n3 voiceGetAll\n4 voiceGetPitch\n5 voiceGetRate\n6 voiceGetVolume\n"
                     "7 voiceInitialize\n8 voicePause\n9 voiceResume\n10 voiceSet\n11 voiceSetPitch\n"
                     "12 voiceSetRate\n13 voiceSetVolume\n14 voiceSpeak\n15 voiceState\n16 voiceStop\n"
                     "17 voiceWordPos\n");
    EXPECT_EQ(r.err, "");
}

TEST(SpeechHostProgram, PrintsOneLinePerCall)
{
    struct Case {
        std::vector<std::string> args;
        std::string input;
        int code;
        std::string out;
        std::string errPart;
    } cases[] = {
        {{"voiceCount()", "voiceState()"}, "", 0, "0\n0\n", ""},
        {{"voiceCount()", "wait", "sleep 1", "stop", "voiceSpeak(\"tekst\")"}, "", 0, "0\n0\n", ""},
        {{"voiceCount()", "voiceFoo()", "voiceState()"}, "", 1, "0\n0\n", "unknown method voiceFoo"},
        {{"voiceSet(", "voiceCount()"}, "", 1, "0\n", "malformed line"},
        {{}, "voiceCount()\n-- comment\n\nvoiceSet(2)\n", 0, "0\n0\n", ""},
        {{}, "voiceCount(\n", 1, "", "malformed line"},
        {{"until voiceState() = 0", "until voiceCount() >= 0", "voiceCount()"}, "", 0, "0\n0\n0\n", ""},
        {{"until voiceState() <> #playing", "until voiceState() <> \"x\""}, "", 0, "0\n0\n", ""},
        // A condition that cannot come true: the last answer, then nothing more is run.
        {{"--wait-limit", "0", "until voiceCount() > 0", "voiceState()"}, "", 1, "0\n", "did not hold within 0 ms"},
        {{"--wait-limit", "0", "until voiceState() = #stopped", "voiceState()"}, "", 1, "0\n", "did not hold"},
        {{"until voiceFoo() = 0", "voiceState()"}, "", 1, "", "unknown method voiceFoo"},
        {{}, "until voiceCount() > 0 2\nvoiceCount()\n", 1, "0\n", "malformed line"},
        {{"--wait-limit", "x", "voiceCount()"}, "", 2, "", "--wait-limit needs"},
        {{"--wait-limit"}, "", 2, "", "--wait-limit needs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? c.input : c.args.front());
        const RunResult r = run(c.args, c.input);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_EQ(r.out, c.out);
        if (c.errPart.empty())
            EXPECT_EQ(r.err, "");
        else
            EXPECT_NE(r.err.find(c.errPart), std::string::npos) << r.err;
    }
}

TEST(SpeechHostProgram, MissingPluginIsAnErrorNotACrash)
{
    std::vector<std::string> args{"speechhost", "--plugin", "/nonexistent/Speech.so", "voiceCount()"};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(runProgram(4, argv.data(), in, out, err), 2);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("cannot load"), std::string::npos);
}

TEST(SpeechHostProgram, FindsThePluginBesideItself)
{
    FILE* pipe = popen("'" SPEECHHOST_PATH "' 'voiceCount()' 'voiceState()' 2>&1", "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(out, "0\n0\n");
}

} // namespace
