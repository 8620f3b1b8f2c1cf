#include "Registration.h"

#include "ClassTable.h"
#include "MethodTable.h"
#include "SpeechEngine.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace oru::plugin {

int32_t registrationInit(void*)
{
    return code::kOk;
}
int32_t registrationFinalize(void*)
{
    return code::kOk;
}

const char* registrationHeader() noexcept
{
    static char header[64];
    static const bool formatted = [] {
        std::snprintf(header, sizeof header, "vell SpeechVell -- version %s.%s.%s\n", "7", "0", "0");
        return true;
    }();
    (void)formatted;
    return header;
}

namespace {

// Releases what Register obtained on every way out.
struct RegisterResources {
    IOruAllocator* allocator = nullptr;
    IOruAppInfo* appInfo = nullptr;
    char* buffer = nullptr;
    ~RegisterResources()
    {
        if (buffer != nullptr)
            allocator->free(buffer);
        if (appInfo != nullptr)
            appInfo->Release();
    }
};

} // namespace

namespace {

int32_t registerMethods(void* instance, IOruRegistryCache* cache, void* pluginDict)
{
    InstanceHostPart* host = hostPart(instance);
    if (host->hostLink == nullptr || cache == nullptr)
        return code::kOutOfMemory;

    RegisterResources held;
    held.allocator = host->allocator;
    void* appInfo = nullptr;
    int32_t result = host->hostLink->QueryInterface(&iid::kAppInfo, &appInfo);
    if (result != code::kOk)
        return result;
    if (appInfo == nullptr)
        return code::kOutOfMemory;
    held.appInfo = static_cast<IOruAppInfo*>(appInfo);

    // The cache keeps the entry dictionaries; they are not released here.
    IOruEntryDictionary* entry = nullptr;
    result = cache->addRegistryEntry(pluginDict, &kRegistrationClassId, &iid::kMmTerminator, &entry);
    if (result != code::kOk)
        return result;
    entry = nullptr;
    result = cache->addRegistryEntry(pluginDict, &kScriptClassId, &iid::kMmXScript, &entry);
    if (result != code::kOk)
        return result;
    if (entry == nullptr)
        return code::kOutOfMemory;

    const char* header = registrationHeader();
    const std::string& table = methodTableText();
    const std::size_t headerLength = std::strlen(header);
    if (headerLength + table.size() + 1 > kMsgTableBufferSize)
        return code::kOutOfMemory; // cannot happen with the fixed table; never write past the buffer
    held.buffer = static_cast<char*>(held.allocator->allocate(kMsgTableBufferSize));
    if (held.buffer == nullptr)
        return code::kOutOfMemory;
    std::memcpy(held.buffer, header, headerLength);
    std::memcpy(held.buffer + headerLength, table.data(), table.size());
    held.buffer[headerLength + table.size()] = '\0';

    result = entry->put(kEntryText, held.buffer, 0, "msgTable");
    if (result != code::kOk)
        return result;
    const uint8_t safe = 1;
    return entry->put(kEntryBoolean, &safe, 1, "safeForPlorix");
}

} // namespace

int32_t SpeechVellRegister_IOruRegister::Register(IOruRegistryCache* cache, void* pluginDict) noexcept
{
    try {
        return registerMethods(owner(), cache, pluginDict);
    } catch (const std::bad_alloc&) {
        return code::kOutOfMemory;
    } catch (...) {
        return code::kUnexpected;
    }
}

int32_t SpeechVellRegister_IOruMmTerminator::Terminate() noexcept
{
    try {
        unloadEngine();
    } catch (...) {
    }
    return code::kOk;
}

} // namespace oru::plugin
