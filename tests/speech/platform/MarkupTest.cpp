#include "Markup.h"

#include "Mappings.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

std::u16string texts(const std::vector<Fragment>& fragments)
{
    std::u16string all;
    for (const Fragment& f : fragments)
        if (f.kind == Fragment::Kind::Text)
            all += f.text + u"|";
    return all;
}

TEST(Sapi5Markup, PitchElementAppliesToItsTextOnly)
{
    std::vector<Fragment> f;
    // The engine writes spaces around "=" and may use either quote style.
    for (std::u16string text : {u"a<pitch absmiddle = '5'>bc</pitch>d", u"a<pitch absmiddle=\"5\">bc</pitch>d"}) {
        ASSERT_TRUE(parseSapi5Xml(text, 0, f));
        ASSERT_EQ(f.size(), 3u);
        EXPECT_EQ(texts(f), u"a|bc|d|");
        EXPECT_EQ(f[0].pitch, 50);
        EXPECT_EQ(f[1].pitch, sapi5PitchToEspeak(5));
        EXPECT_EQ(f[2].pitch, 50);
    }
}

TEST(Sapi5Markup, NestingRestoresAndEmptyElementsPersist)
{
    std::vector<Fragment> f;
    ASSERT_TRUE(parseSapi5Xml(u"<pitch absmiddle='4'>a<pitch middle='-6'>b</pitch>c</pitch>"
                              u"<pitch absmiddle='-10'/>d<rate absspeed='10'/>e",
                              2, f));
    ASSERT_EQ(texts(f), u"a|b|c|d|e|");
    EXPECT_EQ(f[0].pitch, sapi5PitchToEspeak(4));
    EXPECT_EQ(f[1].pitch, sapi5PitchToEspeak(-2));
    EXPECT_EQ(f[2].pitch, sapi5PitchToEspeak(4));
    EXPECT_EQ(f[3].pitch, sapi5PitchToEspeak(-10));
    EXPECT_EQ(f[3].wpm, sapi5RateToWpm(2)); // the voice's rate step
    EXPECT_EQ(f[4].wpm, sapi5RateToWpm(12));
    EXPECT_EQ(f[4].pitch, sapi5PitchToEspeak(-10));
}

TEST(Sapi5Markup, OutOfRangeValuesAreClamped)
{
    std::vector<Fragment> f;
    ASSERT_TRUE(parseSapi5Xml(
        u"<pitch absmiddle='99'>a</pitch><volume level='250'>b</volume><volume level='40'>c</volume>", 0, f));
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].pitch, 71);
    EXPECT_DOUBLE_EQ(f[1].gain, 1.0);
    EXPECT_DOUBLE_EQ(f[2].gain, 0.4);
}

TEST(Sapi5Markup, UnknownTagsCommentsAndDeclarationsAreSkipped)
{
    std::vector<Fragment> f;
    ASSERT_TRUE(parseSapi5Xml(u"<?xml version='1.0'?><!-- note <x> --><speak><emph>Hi</emph> <voice "
                              u"required='Gender=Female'>there</voice></speak>",
                              0, f));
    EXPECT_EQ(texts(f), u"Hi| |there|");
}

TEST(Sapi5Markup, OffsetsCountTagsEntitiesAndSurrogatePairs)
{
    std::vector<Fragment> f;
    std::u16string text = u"<rate speed='1'>x &lt; \U0001F600y</rate>z";
    ASSERT_TRUE(parseSapi5Xml(text, 0, f));
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].text, u"x < \U0001F600y");
    std::vector<uint32_t> expected = {16, 17, 18, 22, 23, 24, 25, 26};
    EXPECT_EQ(f[0].offsets, expected);
    EXPECT_EQ(f[1].text, u"z");
    EXPECT_EQ(f[1].offsets.front(), text.find(u'z'));
}

TEST(Sapi5Markup, SilenceAndBookmarksBecomeTheirOwnFragments)
{
    std::vector<Fragment> f;
    ASSERT_TRUE(parseSapi5Xml(u"a<silence msec='250'/>b<bookmark mark='42'/>c", 0, f));
    ASSERT_EQ(f.size(), 5u);
    EXPECT_EQ(f[1].kind, Fragment::Kind::Silence);
    EXPECT_EQ(f[1].silenceMs, 250);
    EXPECT_EQ(f[3].kind, Fragment::Kind::Bookmark);
    EXPECT_EQ(f[3].bookmark, u"42");
    EXPECT_EQ(f[3].bookmarkValue, 42u);
    EXPECT_EQ(f[3].offsets.front(), 23u);
}

TEST(Sapi5Markup, MalformedMarkupIsRefusedWithoutTouchingTheOutput)
{
    const std::u16string cases[] = {
        u"a < b",                         // a bare "<" in XML
        u"<pitch absmiddle='5'>x",        // fine: unclosed elements end with the text
        u"<pitch absmiddle='5'>x</rate>", // mismatched end
        u"x</pitch>",                     // end without start
        u"<pitch absmiddle='five'>x</pitch>",
        u"<pitch absmiddle=5>x</pitch>",  // unquoted
        u"<pitch absmiddle='5>x</pitch>", // unterminated quote
        u"<!-- open comment",
        u"<pitch",
    };
    const bool valid[] = {false, true, false, false, false, false, false, false, false};
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::vector<Fragment> f(1);
        f[0].text = u"kept";
        EXPECT_EQ(parseSapi5Xml(cases[i], 0, f), valid[i]) << i;
        if (!valid[i]) {
            EXPECT_EQ(texts(f), u"kept|") << i;
        }
    }
}

TEST(PlainText, IsOneFragmentWithControlCharactersBlanked)
{
    auto f = plainFragments(u"a<b\x01"
                            u"c\tz",
                            200, 60, 0.5);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].text, u"a<b c z"); // "<" stays text; control bytes would be synthesizer commands
    EXPECT_EQ(f[0].offsets.size(), 8u);
    EXPECT_EQ(f[0].wpm, 200);
    EXPECT_EQ(f[0].pitch, 60);
    EXPECT_TRUE(plainFragments(u"", 175, 50, 1).empty());
}

TEST(Sapi4Tags, SpeedPitchPauseAndMarks)
{
    std::vector<Fragment> f;
    ASSERT_TRUE(
        parseSapi4Tagged(u"a\\spd=300\\b\\pit=400\\c\\pau=100\\\\mrk=7\\d \\\\ e\\xyz=1\\f", {175, 100, false}, f));
    ASSERT_EQ(texts(f), u"a|b|c|d \\ e|f|");
    EXPECT_EQ(f[0].wpm, 175);
    EXPECT_EQ(f[1].wpm, 300);
    EXPECT_EQ(f[2].pitch, 100); // 400 Hz is clamped to twice the male base
    bool sawPause = false, sawMark = false;
    for (const Fragment& x : f) {
        sawPause = sawPause || (x.kind == Fragment::Kind::Silence && x.silenceMs == 100);
        sawMark = sawMark || (x.kind == Fragment::Kind::Bookmark && x.bookmarkValue == 7);
    }
    EXPECT_TRUE(sawPause);
    EXPECT_TRUE(sawMark);
    EXPECT_FALSE(parseSapi4Tagged(u"unterminated \\spd=100", {175, 100, false}, f));
}

} // namespace
