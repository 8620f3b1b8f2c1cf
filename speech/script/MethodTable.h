#pragma once

#include <array>
#include <string>
#include <string_view>

namespace oru::plugin {

// The method table as the host reads it: banner, notes, then one "*" line per
// script method. The host numbers the methods 1 to 17 in this order.
const std::string& methodTableText();

constexpr std::array<std::string_view, 17> kMethodNames{
    "voiceCount",      "voiceGet",   "voiceGetAll", "voiceGetPitch", "voiceGetRate",  "voiceGetVolume",
    "voiceInitialize", "voicePause", "voiceResume", "voiceSet",      "voiceSetPitch", "voiceSetRate",
    "voiceSetVolume",  "voiceSpeak", "voiceState",  "voiceStop",     "voiceWordPos"};

enum Method : int {
    kVoiceCount = 1,
    kVoiceGet,
    kVoiceGetAll,
    kVoiceGetPitch,
    kVoiceGetRate,
    kVoiceGetVolume,
    kVoiceInitialize,
    kVoicePause,
    kVoiceResume,
    kVoiceSet,
    kVoiceSetPitch,
    kVoiceSetRate,
    kVoiceSetVolume,
    kVoiceSpeak,
    kVoiceState,
    kVoiceStop,
    kVoiceWordPos,
};

} // namespace oru::plugin
