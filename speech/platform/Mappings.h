#pragma once

// Conversions between the values of the speech interfaces and the synthesizer's
// parameters. The synthesizer clamps nothing, so every value is clamped here.

#include <cstdint>
#include <string_view>

namespace platform {

constexpr int kDefaultWpm = 175;
constexpr int kMinWpm = 80;
constexpr int kMaxWpm = 450;
constexpr int kDefaultEspeakPitch = 50;

// SAPI 5 rate step −10..10, each step ×3^(1/10) around the default speed.
int sapi5RateToWpm(int rateStep);
// SAPI 5 absolute middle pitch −10..10 (24 steps an octave) to the 0..100 scale.
int sapi5PitchToEspeak(int middle);
// Voice volume 0..100 times the markup level 0..100.
double sapi5Gain(int volume, int level);

int clampInt(int64_t value, int low, int high);

// SAPI 4: the base pitch of a mode in hertz (male 100, female 200) and its limits.
int sapi4BasePitch(bool female);
int sapi4ClampPitch(int64_t hertz, bool female);
int sapi4PitchToEspeak(int hertz, bool female);
uint32_t sapi4ClampSpeed(int64_t wpm);
// Louder of the two channels of a volume DWORD.
double sapi4VolumeGain(uint32_t volume);

// Attribute texts and codes from an age in years (0 when unknown) and the
// synthesizer's gender (2 female, anything else male).
std::u16string_view sapi5AgeName(int years);
std::u16string_view sapi5GenderName(int espeakGender);
uint16_t sapi4AgeCode(int years);
uint16_t sapi4GenderCode(int espeakGender);

} // namespace platform
