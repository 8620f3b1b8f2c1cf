#pragma once

// The host side of the ABI: the services a class instance reaches through its
// IOruHostLink, the allocator, the registry cache and the notifier.

#include "HostAbi.h"
#include "HostValues.h"

#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace speechhost {

using oru::Guid;

std::string guidText(const Guid& g);

// Reference counting for host-owned service objects: they live as long as the
// host; the count only tells tests whether the plug-in balanced its calls.
template <class Interface> class HostObject : public Interface {
public:
    int32_t QueryInterface(const Guid* iid, void** out) noexcept override
    {
        if (out == nullptr)
            return kBadArgument;
        *out = nullptr;
        return iid != nullptr && *iid == oru::iid::kUnknown ? (AddRef(), *out = this, 0) : kRefused;
    }
    uint32_t AddRef() noexcept override { return ++m_refs; }
    uint32_t Release() noexcept override { return --m_refs; }
    uint32_t refs() const noexcept { return m_refs; }

private:
    std::atomic<uint32_t> m_refs{0};
};

// malloc-backed allocator that counts, can fail the n-th allocation and checks frees.
class CountingAllocator final : public HostObject<oru::IOruAllocator> {
public:
    void* allocate(uint32_t size) noexcept override;
    void free(void* p) noexcept override;

    void failAt(uint64_t n) noexcept { m_failAt = n; } // 1-based; 0 = never
    void failAll(bool on) noexcept { m_failAll = on; }
    uint64_t allocations() const noexcept { return m_allocations; }
    std::size_t outstanding() const noexcept { return m_live.size(); }
    uint64_t badFrees() const noexcept { return m_badFrees; }

private:
    uint64_t m_allocations = 0;
    uint64_t m_failAt = 0;
    bool m_failAll = false;
    uint64_t m_badFrees = 0;
    std::set<void*> m_live;
};

class ScriptValues final : public HostObject<oru::IOruScriptValues> {
public:
    explicit ScriptValues(ValueStore& store) : m_store(store) {}
    int32_t stringToSymbol(const char* text, Symbol* symbol) noexcept override;
    int32_t valueToInteger(const Value* value, int32_t* integer) noexcept override;
    int32_t valueToText(const Value* value, const char** text) noexcept override;
    int32_t integerToValue(int32_t integer, Value* value) noexcept override;
    int32_t symbolToValue(Symbol symbol, Value* value) noexcept override;

private:
    ValueStore& m_store;
};

class ScriptLists final : public HostObject<oru::IOruScriptLists> {
public:
    explicit ScriptLists(ValueStore& store) : m_store(store) {}
    int32_t newList(Value* list) noexcept override;
    int32_t append(Value* list, const Value* value) noexcept override;
    int32_t count(const Value* list) noexcept override;
    int32_t getAt(const Value* list, int32_t index1, Value* out) noexcept override;
    int32_t newPropertyList(Value* list) noexcept override;
    int32_t appendProperty(Value* list, const Value* symbolValue, const Value* value) noexcept override;

    int failAppendAfter = -1; // test hook: appends after this many succeed fail
private:
    ValueStore& m_store;
};

class ValueUtils final : public HostObject<oru::IOruValueUtils> {
public:
    explicit ValueUtils(ValueStore& store) : m_store(store) {}
    int32_t stringToSymbol(const char* text, Symbol* symbol) noexcept override;
    int32_t releaseValue(Value* value) noexcept override;
    int32_t integerToValue(int32_t integer, Value* value) noexcept override;
    int32_t symbolToValue(Symbol symbol, Value* value) noexcept override;
    int32_t textToValue(const char* text, Value* value) noexcept override;

    uint64_t badReleases = 0;

private:
    ValueStore& m_store;
};

struct NotifierEvent {
    bool registered;
    Guid id;
    void* reference;
};

class Notifier final : public HostObject<oru::IOruNotifier> {
public:
    int32_t registerClient(oru::IOruNotificationClient* client, const Guid* id, uint32_t flags,
                           void* reference) noexcept override;
    int32_t unregisterClient(oru::IOruNotificationClient* client, const Guid* id, uint32_t flags) noexcept override;

    void notify(const Guid& id, void* data); // calls every client registered for id
    std::size_t registrations() const noexcept { return m_clients.size(); }
    const std::vector<NotifierEvent>& history() const noexcept { return m_history; }

private:
    struct Registration {
        oru::IOruNotificationClient* client;
        Guid id;
        void* reference;
    };
    std::vector<Registration> m_clients;
    std::vector<NotifierEvent> m_history;
};

class AppInfo final : public HostObject<oru::IOruAppInfo> {
public:
    int32_t getText(int32_t item, char* buffer, uint32_t size) noexcept override;
    int32_t failWith = 0; // test hook
};

struct EntryValue {
    uint32_t type;
    std::string bytes; // texts without their terminator
};

class EntryDictionary final : public HostObject<oru::IOruEntryDictionary> {
public:
    EntryDictionary(const Guid& classId, const Guid& iid) : classId(classId), iid(iid) {}
    int32_t put(uint32_t type, const void* data, uint32_t size, const char* key) noexcept override;

    const Guid classId;
    const Guid iid;
    std::map<std::string, EntryValue> entries;
    std::string failKey; // test hook: put of this key fails
};

// Owns every entry dictionary it hands out.
class RegistryCache final : public HostObject<oru::IOruRegistryCache> {
public:
    int32_t addRegistryEntry(void* pluginDict, const Guid* classId, const Guid* iid,
                             oru::IOruEntryDictionary** entry) noexcept override;

    const EntryValue* find(const Guid& classId, const std::string& key) const;
    const std::vector<std::unique_ptr<EntryDictionary>>& dictionaries() const noexcept { return m_entries; }

    int failAddAt = 0;   // test hook: 1-based call that fails
    std::string failKey; // passed on to new dictionaries
private:
    int m_calls = 0;
    std::vector<std::unique_ptr<EntryDictionary>> m_entries;
};

class HostLink final : public HostObject<oru::IOruHostLink> {
public:
    HostLink(ScriptValues& values, ScriptLists& lists, ValueUtils& utils, Notifier& notifier, AppInfo& appInfo)
        : m_values(values), m_lists(lists), m_utils(utils), m_notifier(notifier), m_appInfo(appInfo)
    {
    }
    int32_t QueryInterface(const Guid* iid, void** out) noexcept override;

    // Test hooks: refuse an interface with a code, or answer 0 with a null pointer.
    std::vector<std::pair<Guid, int32_t>> refusals;

private:
    ScriptValues& m_values;
    ScriptLists& m_lists;
    ValueUtils& m_utils;
    Notifier& m_notifier;
    AppInfo& m_appInfo;
};

} // namespace speechhost
