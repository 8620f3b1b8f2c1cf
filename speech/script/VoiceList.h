#pragma once

#include "HostAbi.h"

#include <cstddef>

struct VoiceInfo;

namespace oru::plugin {

// UTF-16 to the system code page (UTF-8) into a zeroed buffer of `size` bytes.
// Always leaves room for the terminator and never splits a character; returns
// the number of bytes written. Unpaired surrogates become U+FFFD.
std::size_t toMultibyte(const char16_t* text, char* buffer, std::size_t size) noexcept;

// Fills `list` (a host linear list) with one property list per record of the
// voice-info list: #name, #age, #gender texts and #index.
int32_t buildVoiceList(IOruScriptLists* lists, IOruValueUtils* utils, const VoiceInfo* voices, Value* list);

} // namespace oru::plugin
