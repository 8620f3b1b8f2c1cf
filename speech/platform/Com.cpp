#include "Com.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace platform {

std::string guidToString(const GUID& g)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

namespace {

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof(GUID)) < 0; }
};

struct Registry {
    std::mutex mutex;
    bool builtInsDone = false;
    std::map<GUID, ClassFactory, GuidLess> classes;
};

Registry& registry()
{
    static Registry r;
    return r;
}

// Registers the built-ins once, before the first lookup or change.
void ensureBuiltIns(std::unique_lock<std::mutex>& lock)
{
    Registry& r = registry();
    if (r.builtInsDone)
        return;
    r.builtInsDone = true;
    const char* env = std::getenv("SPEECH_PLATFORM");
    std::string layers = env ? env : "sapi5,sapi4";
    lock.unlock();
    registerBuiltInClasses(layers);
    lock.lock();
}

} // namespace

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    ClassFactory factory;
    {
        std::unique_lock lock(registry().mutex);
        ensureBuiltIns(lock);
        auto it = registry().classes.find(clsid);
        if (it == registry().classes.end() || (context & CLSCTX_ALL) == 0)
            return REGDB_E_CLASSNOTREG;
        factory = it->second;
    }
    // Outside the lock: a factory may create other objects.
    HRESULT result = factory(iid, out);
    if (FAILED(result))
        *out = nullptr;
    return result;
}

void registerClass(REFCLSID clsid, ClassFactory factory)
{
    std::unique_lock lock(registry().mutex);
    ensureBuiltIns(lock);
    registry().classes[clsid] = std::move(factory);
}

bool unregisterClass(REFCLSID clsid)
{
    std::unique_lock lock(registry().mutex);
    ensureBuiltIns(lock);
    return registry().classes.erase(clsid) > 0;
}

bool isClassRegistered(REFCLSID clsid)
{
    std::unique_lock lock(registry().mutex);
    ensureBuiltIns(lock);
    return registry().classes.count(clsid) > 0;
}

void resetClassRegistry()
{
    std::lock_guard lock(registry().mutex);
    registry().classes.clear();
    registry().builtInsDone = false;
}

ScopedClass::ScopedClass(REFCLSID clsid, ClassFactory factory) : m_clsid(clsid)
{
    std::unique_lock lock(registry().mutex);
    ensureBuiltIns(lock);
    auto& classes = registry().classes;
    if (auto it = classes.find(clsid); it != classes.end())
        m_previous = it->second;
    classes[clsid] = std::move(factory);
}

ScopedClass::~ScopedClass()
{
    std::lock_guard lock(registry().mutex);
    if (m_previous)
        registry().classes[m_clsid] = std::move(m_previous);
    else
        registry().classes.erase(m_clsid);
}

void* CoTaskMemAlloc(size_t size)
{
    return std::malloc(size ? size : 1);
}

void CoTaskMemFree(void* p)
{
    std::free(p);
}

LPWSTR coTaskStrDup(std::u16string_view text)
{
    auto* p = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(WCHAR)));
    if (!p)
        return nullptr;
    std::memcpy(p, text.data(), text.size() * sizeof(WCHAR));
    p[text.size()] = 0;
    return p;
}

int lstrlenA(const char* text)
{
    return text ? static_cast<int>(std::strlen(text)) : 0;
}

size_t wideLength(LPCWSTR text)
{
    size_t n = 0;
    if (text)
        while (text[n])
            ++n;
    return n;
}

namespace {

bool isUtf8CodePage(UINT cp)
{
    return cp == CP_ACP || cp == CP_UTF8;
}

} // namespace

int MultiByteToWideChar(UINT codePage, DWORD, const char* text, int bytes, WCHAR* out, int units)
{
    if (!text || bytes == 0 || bytes < -1 || units < 0 || !isUtf8CodePage(codePage))
        return 0;
    size_t n = bytes == -1 ? std::strlen(text) + 1 : static_cast<size_t>(bytes);
    std::u16string wide = utf8ToUtf16(std::string_view(text, n));
    if (units == 0)
        return static_cast<int>(wide.size());
    if (!out || wide.size() > static_cast<size_t>(units))
        return 0;
    std::memcpy(out, wide.data(), wide.size() * sizeof(WCHAR));
    return static_cast<int>(wide.size());
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR text, int units, char* out, int bytes, const char*,
                        BOOL* usedDefault)
{
    if (usedDefault)
        *usedDefault = 0;
    if (!text || units == 0 || units < -1 || bytes < 0 || !isUtf8CodePage(codePage))
        return 0;
    size_t n = units == -1 ? wideLength(text) + 1 : static_cast<size_t>(units);
    std::string narrow = utf16ToUtf8(std::u16string_view(text, n));
    if (bytes == 0)
        return static_cast<int>(narrow.size());
    if (!out || narrow.size() > static_cast<size_t>(bytes))
        return 0;
    std::memcpy(out, narrow.data(), narrow.size());
    return static_cast<int>(narrow.size());
}

} // namespace platform
