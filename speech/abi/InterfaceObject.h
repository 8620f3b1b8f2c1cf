#pragma once

// The common life of the plug-in's interface objects: allocation through the
// class instance's allocator, reference counting that keeps the instance alive,
// and the process-wide live-object counter behind DllCanUnloadNow.

#include "Codes.h"
#include "HostAbi.h"

#include <atomic>
#include <new>

namespace oru {

inline std::atomic<int32_t> g_liveObjects{0};

// Allocate with the instance's allocator; while it returns null, call the
// process's out-of-memory handler and retry, giving up when none is installed.
inline void* allocateWithRetry(IOruAllocator* allocator, uint32_t size) noexcept
{
    if (allocator == nullptr)
        return nullptr;
    for (;;) {
        if (void* p = allocator->allocate(size))
            return p;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr)
            return nullptr;
        try {
            handler();
        } catch (...) {
            return nullptr; // a handler that gives up throws; that ends the retry too
        }
    }
}

// Base of every interface object: vtable, owning class instance, count. Derived
// supplies `int32_t construct() noexcept` (run after the common setup) and its
// destructor does the interface's own teardown.
template <class Derived, class Interface> class InterfaceObject : public Interface {
public:
    static int32_t create(void* instance, void** out) noexcept
    {
        if (out == nullptr)
            return code::kNoInterface;
        *out = nullptr;
        if (instance == nullptr)
            return code::kOutOfMemory;
        void* memory = allocateWithRetry(hostPart(instance)->allocator, sizeof(Derived));
        if (memory == nullptr)
            return code::kOutOfMemory;

        Derived* object = new (memory) Derived();
        InterfaceObject* base = object;
        base->m_owner = instance;
        base->m_refCount = 1;
        instanceUnknown(instance)->AddRef();
        instanceUnknown(instance)->AddRef();
        ++g_liveObjects;

        const int32_t result = object->construct();
        if (result != code::kOk) {
            object->Release();
            return result;
        }
        *out = static_cast<Interface*>(object);
        return code::kOk;
    }

    int32_t QueryInterface(const Guid* iid, void** out) noexcept override
    {
        return instanceUnknown(m_owner)->QueryInterface(iid, out);
    }

    uint32_t AddRef() noexcept override
    {
        instanceUnknown(m_owner)->AddRef();
        return ++m_refCount;
    }

    uint32_t Release() noexcept override
    {
        void* owner = m_owner; // `this` may be gone below
        const uint32_t old = m_refCount--;
        if (old == 1) {
            IOruAllocator* allocator = hostPart(owner)->allocator;
            Derived* self = static_cast<Derived*>(this);
            self->~Derived();
            allocator->free(self);
            --g_liveObjects;
            instanceUnknown(owner)->Release();
        }
        instanceUnknown(owner)->Release();
        return old - 1;
    }

    void* owner() const noexcept { return m_owner; }

protected:
    InterfaceObject() = default;
    ~InterfaceObject() = default;
    int32_t construct() noexcept { return code::kOk; }

private:
    void* m_owner = nullptr;
    uint32_t m_refCount = 0;
};

} // namespace oru
