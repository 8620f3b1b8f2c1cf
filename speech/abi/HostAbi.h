#pragma once

// The binary interface between the authoring host and the plug-in. Both sides
// are built against this header; layouts and vtable orders are fixed.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace oru {

struct Guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

inline bool operator==(const Guid& a, const Guid& b) noexcept
{
    return std::memcmp(&a, &b, sizeof(Guid)) == 0;
}

// An opaque host value, copied by value, converted only through host interfaces.
struct Value {
    uint64_t bits;
};

using Symbol = int32_t;

class IOruUnknown {
public:
    virtual int32_t QueryInterface(const Guid* iid, void** out) noexcept = 0;
    virtual uint32_t AddRef() noexcept = 0;
    virtual uint32_t Release() noexcept = 0;
};

class IOruHostLink : public IOruUnknown {};

class IOruAllocator : public IOruUnknown {
public:
    virtual void* allocate(uint32_t size) noexcept = 0;
    virtual void free(void* p) noexcept = 0;
};

class IOruEntryDictionary : public IOruUnknown {
public:
    virtual int32_t put(uint32_t type, const void* data, uint32_t size, const char* key) noexcept = 0;
};

class IOruRegistryCache : public IOruUnknown {
public:
    virtual int32_t addRegistryEntry(void* pluginDict, const Guid* classId, const Guid* iid,
                                     IOruEntryDictionary** entry) noexcept = 0;
};

class IOruScriptValues : public IOruUnknown {
public:
    virtual int32_t stringToSymbol(const char* text, Symbol* symbol) noexcept = 0;
    virtual int32_t valueToInteger(const Value* value, int32_t* integer) noexcept = 0;
    virtual int32_t valueToText(const Value* value, const char** text) noexcept = 0;
    virtual int32_t integerToValue(int32_t integer, Value* value) noexcept = 0;
    virtual int32_t symbolToValue(Symbol symbol, Value* value) noexcept = 0;
};

class IOruScriptLists : public IOruUnknown {
public:
    virtual int32_t newList(Value* list) noexcept = 0;
    virtual int32_t append(Value* list, const Value* value) noexcept = 0;
    virtual int32_t count(const Value* list) noexcept = 0;
    virtual int32_t getAt(const Value* list, int32_t index1, Value* out) noexcept = 0;
    virtual int32_t newPropertyList(Value* list) noexcept = 0;
    virtual int32_t appendProperty(Value* list, const Value* symbolValue, const Value* value) noexcept = 0;
};

class IOruValueUtils : public IOruUnknown {
public:
    virtual int32_t stringToSymbol(const char* text, Symbol* symbol) noexcept = 0;
    virtual int32_t releaseValue(Value* value) noexcept = 0;
    virtual int32_t integerToValue(int32_t integer, Value* value) noexcept = 0;
    virtual int32_t symbolToValue(Symbol symbol, Value* value) noexcept = 0;
    virtual int32_t textToValue(const char* text, Value* value) noexcept = 0;
};

class IOruNotificationClient : public IOruUnknown {
public:
    virtual int32_t Notify(const Guid* id, void* data, void* reference) noexcept = 0;
};

class IOruNotifier : public IOruUnknown {
public:
    virtual int32_t registerClient(IOruNotificationClient* client, const Guid* id, uint32_t flags,
                                   void* reference) noexcept = 0;
    virtual int32_t unregisterClient(IOruNotificationClient* client, const Guid* id, uint32_t flags) noexcept = 0;
};

class IOruAppInfo : public IOruUnknown {
public:
    virtual int32_t getText(int32_t item, char* buffer, uint32_t size) noexcept = 0;
};

class IOruRegister : public IOruUnknown {
public:
    virtual int32_t Register(IOruRegistryCache* cache, void* pluginDict) noexcept = 0;
};

class IOruMmTerminator : public IOruUnknown {
public:
    virtual int32_t Terminate() noexcept = 0;
};

struct CallInfo {
    int32_t method; // 1 to 17
    Value result;
    int32_t argCount;
    Value* args; // args[0] is the method's argument
};

#pragma pack(push, 1)
struct ClassInfoRecord {
    Guid classId;
    uint32_t classVersion;
    Guid interfaceId;
    uint32_t interfaceVersion;
};
#pragma pack(pop)

class IOruMmXScript : public IOruUnknown {
public:
    virtual int32_t Call(CallInfo* info) noexcept = 0;
};

// The host part that begins every class instance. Offset 0 is the host's own
// IOruUnknown object (a vtable pointer); the plug-in part follows at sizeof(InstanceHostPart).
struct InstanceHostPart {
    void* unknownVtable;
    IOruHostLink* hostLink;
    IOruAllocator* allocator;
};

using InitFn = int32_t (*)(void* instance);
using FinalizeFn = int32_t (*)(void* instance);

using DllGetClassFormFn = int32_t (*)(const Guid* classId, uint32_t* instanceSize, InitFn* init, FinalizeFn* finalize);
using DllGetClassInfoFn = int32_t (*)(IOruAllocator* allocator, ClassInfoRecord** records);
using DllGetInterfaceFn = int32_t (*)(void* instance, const Guid* classId, const Guid* iid, void** out);
using DllGetClassObjectFn = int32_t (*)(const Guid* classId, const Guid* iid, void** out);
using DllCanUnloadNowFn = int32_t (*)();

inline IOruUnknown* instanceUnknown(void* instance) noexcept
{
    return static_cast<IOruUnknown*>(instance);
}
inline InstanceHostPart* hostPart(void* instance) noexcept
{
    return static_cast<InstanceHostPart*>(instance);
}

// Interface and notification identifiers.
namespace iid {
constexpr Guid kUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr Guid kClassInfoFirst{0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr Guid kScriptValues{0xAC96CF89, 0x0045, 0x5879, {0x00, 0x00, 0x00, 0x40, 0x10, 0x50, 0x23, 0xFB}};
constexpr Guid kScriptLists{0xAC96CF98, 0x0045, 0x5C0B, {0x00, 0x00, 0x00, 0x40, 0x10, 0x50, 0x23, 0xFB}};
constexpr Guid kValueUtils{0x151A5780, 0x32BD, 0x11D0, {0x81, 0x51, 0x00, 0xAA, 0x00, 0x5F, 0x3C, 0x08}};
constexpr Guid kNotifier{0xCA015FDA, 0x3D86, 0x11D0, {0x81, 0x25, 0x00, 0x05, 0x9A, 0x80, 0xE8, 0x2F}};
constexpr Guid kAppInfo{0xACC7E2B8, 0x000A, 0xB4D0, {0x00, 0x00, 0x08, 0x00, 0x07, 0x16, 0x0D, 0xC3}};
constexpr Guid kRegister{0xAC3E7803, 0x0002, 0x8FE5, {0x00, 0x00, 0x08, 0x00, 0x07, 0x16, 0x0D, 0xC3}};
constexpr Guid kMmTerminator{0xD74E09F4, 0x4773, 0x11CF, {0x82, 0x4E, 0x00, 0x00, 0x94, 0x03, 0xC7, 0x0F}};
constexpr Guid kMmXScript{0xAC401FB6, 0x0001, 0xF9B0, {0x00, 0x00, 0x08, 0x00, 0x07, 0x2C, 0x63, 0x26}};
constexpr Guid kNotificationClient{0xE58EE2CC, 0x3D86, 0x11D0, {0x90, 0xAC, 0x00, 0x05, 0x9A, 0x80, 0xE8, 0x2F}};
} // namespace iid

namespace notification {
constexpr Guid kFirst{0xCB20C321, 0xFE26, 0x11D2, {0x8C, 0xF9, 0x00, 0xA0, 0xCC, 0x3A, 0xA9, 0x19}};
constexpr Guid kStop{0x09766761, 0xFE27, 0x11D2, {0x8C, 0xF9, 0x00, 0xA0, 0xCC, 0x3A, 0xA9, 0x19}};
} // namespace notification

// Entry dictionary value types.
constexpr uint32_t kEntryText = 9;    // zero-terminated text, size 0
constexpr uint32_t kEntryBoolean = 6; // one byte, size 1

static_assert(sizeof(Guid) == 16 && alignof(Guid) == 4);
static_assert(offsetof(Guid, data2) == 4 && offsetof(Guid, data3) == 6 && offsetof(Guid, data4) == 8);
static_assert(sizeof(Value) == 8);
static_assert(sizeof(Symbol) == 4);
static_assert(sizeof(ClassInfoRecord) == 40);
static_assert(offsetof(ClassInfoRecord, classVersion) == 16 && offsetof(ClassInfoRecord, interfaceId) == 20 &&
              offsetof(ClassInfoRecord, interfaceVersion) == 36);
static_assert(sizeof(void*) != 8 || (sizeof(InstanceHostPart) == 24 && offsetof(InstanceHostPart, hostLink) == 8 &&
                                     offsetof(InstanceHostPart, allocator) == 16));
static_assert(sizeof(void*) != 8 || (offsetof(CallInfo, result) == 8 && offsetof(CallInfo, argCount) == 16 &&
                                     offsetof(CallInfo, args) == 24 && sizeof(CallInfo) == 32));
// Interfaces are a bare vtable pointer: no data, no virtual destructor.
static_assert(sizeof(IOruUnknown) == sizeof(void*) && sizeof(IOruMmXScript) == sizeof(void*));

} // namespace oru
