#pragma once

#include <cstdint>

// Result codes of the plug-in ABI. Every vtable operation returns one of these
// (or a host code passed through unchanged).
namespace oru::code {

constexpr int32_t kOk = 0;
constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x80040002u); // also: required host interface missing
constexpr int32_t kObjectsAlive = static_cast<int32_t>(0x80040003u);
constexpr int32_t kNoInterface = static_cast<int32_t>(0x80040004u);
constexpr int32_t kNoClass = static_cast<int32_t>(0x80040005u);
constexpr int32_t kNoVoiceInfoList = static_cast<int32_t>(0x80040014u);
constexpr int32_t kListAppendFailed = 1;
// A Call that needs an argument received no argument array.
constexpr int32_t kNoArgument = static_cast<int32_t>(0x80070057u);
// An exception other than an allocation failure reached the boundary.
constexpr int32_t kUnexpected = static_cast<int32_t>(0x8000FFFFu);

} // namespace oru::code
