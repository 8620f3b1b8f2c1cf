#pragma once

// Factories of the built-in classes, registered by registerBuiltInClasses.

#include "Com.h"

#include <mutex>
#include <new>

namespace platform {

HRESULT createSpVoice(REFIID iid, void** out);
HRESULT createTokenCategory(REFIID iid, void** out);
HRESULT createTtsEnumerator(REFIID iid, void** out);
HRESULT createMMAudioDest(REFIID iid, void** out);

// Creates an object born with one reference, answers `iid` and drops the birth
// reference, so a failed QueryInterface frees it.
template <class T, class... Args> HRESULT createObject(REFIID iid, void** out, Args&&... args)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    T* object = new (std::nothrow) T(std::forward<Args>(args)...);
    if (!object)
        return E_OUTOFMEMORY;
    HRESULT result = object->QueryInterface(iid, out);
    object->Release();
    return result;
}

// A property getter: copies `value` out under the object's lock.
template <class T, class U> HRESULT readLocked(std::mutex& mutex, T* out, const U& value)
{
    if (!out)
        return E_POINTER;
    std::lock_guard lock(mutex);
    *out = static_cast<T>(value);
    return S_OK;
}

} // namespace platform
