#pragma once

// A small COM runtime: the types, result codes and calls the speech engines use,
// a class registry behind CoCreateInstance, task memory and text conversion.

#include "TextCoding.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

using HRESULT = int32_t;
using ULONG = uint32_t;
using LONG = int32_t;
using DWORD = uint32_t;
using WORD = uint16_t;
using USHORT = uint16_t;
using QWORD = uint64_t;
using ULONGLONG = uint64_t;
using BOOL = int32_t;
using UINT = uint32_t;
using WCHAR = char16_t;
using LPWSTR = char16_t*;
using LPCWSTR = const char16_t*;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;

constexpr HRESULT hr(uint32_t code)
{
    return static_cast<HRESULT>(code);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = hr(0x80004001);
constexpr HRESULT E_NOINTERFACE = hr(0x80004002);
constexpr HRESULT E_POINTER = hr(0x80004003);
constexpr HRESULT E_FAIL = hr(0x80004005);
constexpr HRESULT E_UNEXPECTED = hr(0x8000FFFF);
constexpr HRESULT E_OUTOFMEMORY = hr(0x8007000E);
constexpr HRESULT E_INVALIDARG = hr(0x80070057);
constexpr HRESULT CLASS_E_NOAGGREGATION = hr(0x80040110);
constexpr HRESULT REGDB_E_CLASSNOTREG = hr(0x80040154);

constexpr bool SUCCEEDED(HRESULT h)
{
    return h >= 0;
}
constexpr bool FAILED(HRESULT h)
{
    return h < 0;
}

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];

    friend constexpr bool operator==(const GUID& a, const GUID& b)
    {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
            return false;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i])
                return false;
        return true;
    }
};
static_assert(sizeof(GUID) == 16);
static_assert(offsetof(GUID, Data4) == 8);

using IID = GUID;
using CLSID = GUID;
using REFIID = const GUID&;
using REFCLSID = const GUID&;

constexpr GUID GUID_NULL{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
constexpr GUID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
std::string guidToString(const GUID& guid);

// Interfaces are structs of pure virtual functions without a virtual destructor,
// so the vtable holds exactly the listed operations.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// Reference-counted implementation of one or more interfaces. Interfaces name their
// own id as a static member `iid`; QueryInterface answers those and IUnknown.
// Objects are born with one reference.
template <class First, class... Rest> class ComObject : public First, public Rest... {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown)
            *out = static_cast<First*>(this);
        else if (!(findInterface<First>(iid, out) || (findInterface<Rest>(iid, out) || ...)))
            *out = extraInterface(iid);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return m_refs.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override
    {
        ULONG left = m_refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;
    // For interfaces reachable through a base interface or private ids.
    virtual void* extraInterface(REFIID) { return nullptr; }

private:
    template <class I> bool findInterface(REFIID iid, void** out)
    {
        if (iid != I::iid)
            return false;
        *out = static_cast<I*>(this);
        return true;
    }
    std::atomic<ULONG> m_refs{1};
};

// Owning interface pointer.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes over a reference the caller already holds.
    static ComPtr adopt(T* p)
    {
        ComPtr c;
        c.m_p = p;
        return c;
    }
    ComPtr(const ComPtr& o) : m_p(o.m_p)
    {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept
    {
        std::swap(m_p, o.m_p);
        return *this;
    }
    ~ComPtr() { reset(); }
    void reset()
    {
        if (m_p)
            std::exchange(m_p, nullptr)->Release();
    }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // Out-parameter access: releases what is held first.
    T** put()
    {
        reset();
        return &m_p;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    T* detach() { return std::exchange(m_p, nullptr); }

private:
    T* m_p = nullptr;
};

// ---- class registry ----

// Creates an object of one class and answers the asked interface.
using ClassFactory = std::function<HRESULT(REFIID iid, void** out)>;

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out);

// Adds or replaces a class. Tests use it to register fakes.
void registerClass(REFCLSID clsid, ClassFactory factory);
// Removes a class; true when it was registered.
bool unregisterClass(REFCLSID clsid);
bool isClassRegistered(REFCLSID clsid);
// Forgets every registration; the next use registers the built-in classes again
// from SPEECH_PLATFORM.
void resetClassRegistry();

// Registers the built-in classes of the layers named in `layers` ("sapi5,sapi4",
// "sapi4", "" ...). Called on first use with SPEECH_PLATFORM (default both).
void registerBuiltInClasses(std::string_view layers);

// Registers a fake for the lifetime of the object and restores the previous
// registration (or its absence) afterwards.
class ScopedClass {
public:
    ScopedClass(REFCLSID clsid, ClassFactory factory);
    ~ScopedClass();
    ScopedClass(const ScopedClass&) = delete;
    ScopedClass& operator=(const ScopedClass&) = delete;

private:
    CLSID m_clsid;
    ClassFactory m_previous;
};

// ---- task memory ----

void* CoTaskMemAlloc(size_t size);
void CoTaskMemFree(void* p);
// A CoTaskMemAlloc copy of a zero-terminated UTF-16 text (null on failure).
LPWSTR coTaskStrDup(std::u16string_view text);

// ---- text ----
// The system code page is UTF-8: CP_ACP and CP_UTF8 behave alike; other code pages fail.

int lstrlenA(const char* text);
size_t wideLength(LPCWSTR text);
// Like the Windows call: `bytes` −1 includes the terminator; `units` 0 asks for the size
// needed; a too-small buffer gives 0. Malformed bytes become U+FFFD.
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int bytes, WCHAR* out, int units);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int units, char* out, int bytes,
                        const char* defaultChar, BOOL* usedDefault);

// The conversions themselves live with the other text rules.
using speechtext::utf16ToUtf8;
using speechtext::utf8ToUtf16;

} // namespace platform
