#include "Mappings.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

TEST(Mappings, Sapi5RateToWordsPerMinute)
{
    struct Case {
        int step, wpm;
    } cases[] = {{0, 175}, {1, 195}, {-1, 157}, {5, 303}, {-5, 101}, {10, 450}, {-10, 80}, {99, 450}, {-99, 80}};
    for (const Case& c : cases)
        EXPECT_EQ(sapi5RateToWpm(c.step), c.wpm) << c.step;
}

TEST(Mappings, Sapi5PitchToSynthesizerScale)
{
    struct Case {
        int middle, pitch;
    } cases[] = {{0, 50}, {12, 71}, {10, 71}, {-10, 29}, {6, 63}, {-6, 38}, {1000, 71}, {-1000, 29}};
    for (const Case& c : cases)
        EXPECT_EQ(sapi5PitchToEspeak(c.middle), c.pitch) << c.middle;
}

TEST(Mappings, Sapi5GainMultipliesVoiceVolumeAndMarkupLevel)
{
    EXPECT_DOUBLE_EQ(sapi5Gain(100, 100), 1.0);
    EXPECT_DOUBLE_EQ(sapi5Gain(50, 50), 0.25);
    EXPECT_DOUBLE_EQ(sapi5Gain(150, 100), 1.0);
    EXPECT_DOUBLE_EQ(sapi5Gain(-5, 100), 0.0);
}

TEST(Mappings, Sapi4LimitsReadBack)
{
    EXPECT_EQ(sapi4ClampSpeed(0), 80u);
    EXPECT_EQ(sapi4ClampSpeed(0xFFFFFFFFLL), 450u);
    EXPECT_EQ(sapi4ClampSpeed(200), 200u);
    EXPECT_EQ(sapi4ClampPitch(0, false), 50);
    EXPECT_EQ(sapi4ClampPitch(65535, false), 200);
    EXPECT_EQ(sapi4ClampPitch(0, true), 100);
    EXPECT_EQ(sapi4ClampPitch(65535, true), 400);
    EXPECT_EQ(sapi4PitchToEspeak(100, false), 50);
    EXPECT_EQ(sapi4PitchToEspeak(200, false), 100);
    EXPECT_EQ(sapi4PitchToEspeak(50, false), 0);
    EXPECT_EQ(sapi4PitchToEspeak(200, true), 50);
    EXPECT_EQ(sapi4PitchToEspeak(10, true), 0); // clamped to the limit first
}

TEST(Mappings, Sapi4VolumeTakesTheLouderChannel)
{
    EXPECT_DOUBLE_EQ(sapi4VolumeGain(0xFFFFFFFF), 1.0);
    EXPECT_DOUBLE_EQ(sapi4VolumeGain(0), 0.0);
    EXPECT_DOUBLE_EQ(sapi4VolumeGain(0x0000FFFF), 1.0); // left only
    EXPECT_DOUBLE_EQ(sapi4VolumeGain(0xFFFF0000), 1.0); // right only
    EXPECT_NEAR(sapi4VolumeGain((40u << 16) | 40u), 40 / 65535.0, 1e-12);
}

TEST(Mappings, AgeAndGender)
{
    struct Case {
        int years;
        std::u16string_view sapi5;
        uint16_t sapi4;
    } cases[] = {{0, u"Adult", 30},  {1, u"Child", 1},   {4, u"Child", 3},    {8, u"Child", 6},   {15, u"Teen", 14},
                 {30, u"Adult", 30}, {64, u"Adult", 30}, {65, u"Senior", 70}, {90, u"Senior", 70}};
    for (const Case& c : cases) {
        EXPECT_EQ(sapi5AgeName(c.years), c.sapi5) << c.years;
        EXPECT_EQ(sapi4AgeCode(c.years), c.sapi4) << c.years;
    }
    // The synthesizer says 1 male, 2 female; SAPI 4 the reverse.
    EXPECT_EQ(sapi5GenderName(2), u"Female");
    EXPECT_EQ(sapi5GenderName(1), u"Male");
    EXPECT_EQ(sapi4GenderCode(2), 1);
    EXPECT_EQ(sapi4GenderCode(1), 2);
}

} // namespace
