#include "Mappings.h"

#include "Sapi4.h"

#include <algorithm>
#include <cmath>

namespace platform {

int clampInt(int64_t value, int low, int high)
{
    return static_cast<int>(std::clamp<int64_t>(value, low, high));
}

int sapi5RateToWpm(int rateStep)
{
    double step = std::clamp(rateStep, -10, 10);
    return clampInt(std::lround(kDefaultWpm * std::pow(3.0, step / 10.0)), kMinWpm, kMaxWpm);
}

int sapi5PitchToEspeak(int middle)
{
    double p = std::clamp(middle, -10, 10);
    return clampInt(std::lround(kDefaultEspeakPitch + 25.0 * p / 12.0), 0, 100);
}

double sapi5Gain(int volume, int level)
{
    return std::clamp(volume, 0, 100) / 100.0 * (std::clamp(level, 0, 100) / 100.0);
}

int sapi4BasePitch(bool female)
{
    return female ? 200 : 100;
}

int sapi4ClampPitch(int64_t hertz, bool female)
{
    int base = sapi4BasePitch(female);
    return clampInt(hertz, base / 2, base * 2);
}

int sapi4PitchToEspeak(int hertz, bool female)
{
    int base = sapi4BasePitch(female);
    double hz = sapi4ClampPitch(hertz, female);
    return clampInt(std::lround(50.0 + 50.0 * std::log2(hz / base)), 0, 100);
}

uint32_t sapi4ClampSpeed(int64_t wpm)
{
    return static_cast<uint32_t>(clampInt(wpm, kMinWpm, kMaxWpm));
}

double sapi4VolumeGain(uint32_t volume)
{
    uint32_t left = volume & 0xFFFF, right = volume >> 16;
    return std::max(left, right) / 65535.0;
}

std::u16string_view sapi5AgeName(int years)
{
    if (years <= 0)
        return u"Adult";
    if (years < 13)
        return u"Child";
    if (years < 20)
        return u"Teen";
    if (years < 65)
        return u"Adult";
    return u"Senior";
}

std::u16string_view sapi5GenderName(int espeakGender)
{
    return espeakGender == 2 ? u"Female" : u"Male";
}

uint16_t sapi4AgeCode(int years)
{
    if (years <= 0)
        return kAgeAdult;
    if (years < 2)
        return kAgeBaby;
    if (years < 5)
        return kAgeToddler;
    if (years < 13)
        return kAgeChild;
    if (years < 20)
        return kAgeAdolescent;
    if (years < 65)
        return kAgeAdult;
    return kAgeElderly;
}

// The synthesizer counts male 1, female 2; SAPI 4 the other way round.
uint16_t sapi4GenderCode(int espeakGender)
{
    return espeakGender == 2 ? kGenderFemale : kGenderMale;
}

} // namespace platform
