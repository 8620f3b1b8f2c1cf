#include "TextCoding.h"

#include "Cp1252.h"

#include <gtest/gtest.h>

#include <string>

using namespace speechtext;

namespace {

// Well-formed UTF-8: what isUtf8 accepts is exactly what decodes without U+FFFD, and
// every byte that starts no sequence decodes to one U+FFFD.
TEST(Utf8, AcceptsWellFormedSequencesOnly)
{
    const struct {
        const char* name;
        std::string bytes;
        bool valid;
        std::u16string decoded;
    } cases[] = {
        {"ascii", "Goedemorgen", true, u"Goedemorgen"},
        {"empty", "", true, u""},
        {"two bytes, lowest", "\xC2\x80", true, u"\u0080"},
        {"two bytes, highest", "\xDF\xBF", true, u"\u07FF"},
        {"three bytes, lowest", "\xE0\xA0\x80", true, u"\u0800"},
        {"below the surrogates", "\xED\x9F\xBF", true, u"\uD7FF"},
        {"three bytes, highest", "\xEF\xBF\xBF", true, u"\uFFFF"},
        {"four bytes, lowest", "\xF0\x90\x80\x80", true, u"\U00010000"},
        {"four bytes, highest", "\xF4\x8F\xBF\xBF", true, u"\U0010FFFF"},
        {"truncated at the end", "a\xE2\x82", false, u"a\uFFFD\uFFFD"},
        {"truncated before a letter", "\xF0\x9F\x98z", false, u"\uFFFD\uFFFD\uFFFDz"},
        {"no continuation", "\xC3(", false, u"\uFFFD("},
        {"stray continuation", "a\x80z", false, u"a\uFFFDz"},
        {"overlong two bytes", "\xC0\xAF", false, u"\uFFFD\uFFFD"},
        {"overlong two bytes, highest", "\xC1\xBF", false, u"\uFFFD\uFFFD"},
        {"overlong three bytes", "\xE0\x9F\xBF", false, u"\uFFFD\uFFFD\uFFFD"},
        {"overlong four bytes", "\xF0\x8F\xBF\xBF", false, u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"high surrogate", "\xED\xA0\x80", false, u"\uFFFD\uFFFD\uFFFD"},
        {"low surrogate", "\xED\xBF\xBF", false, u"\uFFFD\uFFFD\uFFFD"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false, u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"lead past F4", "\xF5\x80\x80\x80", false, u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"never a lead", "\xFF", false, u"\uFFFD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(isUtf8(c.bytes), c.valid);
        EXPECT_EQ(utf8ToUtf16(c.bytes), c.decoded);
        if (c.valid) {
            EXPECT_EQ(utf16ToUtf8(c.decoded), c.bytes);
        }
    }
}

// UTF-16 to UTF-8 (well-formed text round-trips above): an unpaired surrogate is U+FFFD, and
// does not take the pair after it.
TEST(Utf16, PairsJoinAndLoneSurrogatesBecomeReplacements)
{
    const struct {
        const char* name;
        std::u16string units;
        std::string bytes;
    } cases[] = {
        {"lone high before a letter", std::u16string(u"\xD800x", 2), "\xEF\xBF\xBDx"},
        {"lone high at the end", std::u16string(u"x\xDBFF", 2), "x\xEF\xBF\xBD"},
        {"lone low", std::u16string(u"\xDC00x", 2), "\xEF\xBF\xBDx"},
        {"reversed pair", std::u16string(u"\xDC00\xD800", 2), "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"high, then a pair", std::u16string(u"\xD800\xD83D\xDE00", 3), "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(utf16ToUtf8(c.units), c.bytes);
    }
}

// Windows-1252: 0x80..0x9F hold letters and signs, the five unassigned bytes keep their value.
TEST(Cp1252, MapsTheHighControlRange)
{
    const struct {
        unsigned char byte;
        char16_t unicode;
        const char* utf8;
    } cases[] = {
        {0x7F, 0x007F, "\x7F"},     {0x80, 0x20AC, "\xE2\x82\xAC"}, {0x81, 0x0081, "\xC2\x81"},
        {0x8A, 0x0160, "\xC5\xA0"}, {0x8D, 0x008D, "\xC2\x8D"},     {0x8F, 0x008F, "\xC2\x8F"},
        {0x90, 0x0090, "\xC2\x90"}, {0x93, 0x201C, "\xE2\x80\x9C"}, {0x99, 0x2122, "\xE2\x84\xA2"},
        {0x9D, 0x009D, "\xC2\x9D"}, {0x9F, 0x0178, "\xC5\xB8"},     {0xA0, 0x00A0, "\xC2\xA0"},
        {0xFF, 0x00FF, "\xC3\xBF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.byte));
        EXPECT_EQ(cp1252ToUnicode(c.byte), c.unicode);
        EXPECT_EQ(cp1252ToUtf8(std::string(1, static_cast<char>(c.byte))), c.utf8);
    }
}

// results keeps its own copy of the table; the two must not drift apart.
TEST(Cp1252, AgreesWithTheResultsTable)
{
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const QString theirs = fromCp1252(QByteArrayView(&byte, 1));
        ASSERT_EQ(theirs.size(), 1);
        EXPECT_EQ(cp1252ToUnicode(static_cast<unsigned char>(b)), theirs.at(0).unicode()) << b;
    }
}

} // namespace
