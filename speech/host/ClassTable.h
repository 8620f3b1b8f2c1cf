#pragma once

#include "HostAbi.h"

namespace oru::plugin {

constexpr Guid kRegistrationClassId{0x0ACE6B4D, 0x507C, 0x4259, {0xBD, 0x62, 0xF2, 0x4C, 0x89, 0xA5, 0x09, 0x16}};
constexpr Guid kScriptClassId{0xCDEEA568, 0x95B5, 0x4DE7, {0x9F, 0x0B, 0x96, 0x3B, 0xEF, 0x86, 0x99, 0x91}};

using CreateFn = int32_t (*)(void* instance, void** out) noexcept;

struct InterfaceEntry {
    Guid iid;
    CreateFn create;
};

struct ClassEntry {
    Guid classId;
    uint32_t instanceSize;
    InitFn init;
    FinalizeFn finalize;
    InterfaceEntry interfaces[2];
};

const ClassEntry* classTable() noexcept; // kClassCount entries, in table order
constexpr int kClassCount = 2;
constexpr int kVersion = 1;

// The five entry points; Exports.cpp gives them their C names.
int32_t getClassForm(const Guid* classId, uint32_t* instanceSize, InitFn* init, FinalizeFn* finalize) noexcept;
int32_t getClassInfo(IOruAllocator* allocator, ClassInfoRecord** records) noexcept;
int32_t getInterface(void* instance, const Guid* classId, const Guid* iid, void** out) noexcept;
int32_t getClassObject(const Guid* classId, const Guid* iid, void** out) noexcept;
int32_t canUnloadNow() noexcept;

} // namespace oru::plugin
