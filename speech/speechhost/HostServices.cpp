#include "HostServices.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace speechhost {

std::string guidText(const Guid& g)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1, g.data2, g.data3,
                  g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    return text;
}

// ---- allocator

void* CountingAllocator::allocate(uint32_t size) noexcept
{
    ++m_allocations;
    if (m_failAll || m_allocations == m_failAt)
        return nullptr;
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p != nullptr) {
        try {
            m_live.insert(p);
        } catch (...) {
            std::free(p);
            return nullptr;
        }
    }
    return p;
}

void CountingAllocator::free(void* p) noexcept
{
    if (p == nullptr)
        return;
    if (m_live.erase(p) == 0) {
        ++m_badFrees; // not ours, or freed twice: never hand it to free()
        return;
    }
    std::free(p);
}

// ---- values

namespace {

// Operations that IOruScriptValues and IOruValueUtils both offer, with the same answers.
int32_t symbolOf(ValueStore& store, const char* text, Symbol* symbol) noexcept
{
    if (text == nullptr || symbol == nullptr)
        return kBadArgument;
    try {
        *symbol = store.symbol(text);
        return 0;
    } catch (...) {
        return kBadValue;
    }
}

int32_t integerValue(ValueStore& store, int32_t integer, Value* value) noexcept
{
    if (value == nullptr)
        return kBadArgument;
    *value = store.integer(integer);
    return 0;
}

int32_t symbolValue(ValueStore& store, Symbol symbol, Value* value) noexcept
{
    if (value == nullptr || store.symbolName(symbol) == nullptr)
        return kBadArgument;
    *value = store.symbolValue(symbol);
    return 0;
}

int32_t emptyList(ValueStore& store, ValueKind kind, Value* list) noexcept
{
    if (list == nullptr)
        return kBadArgument;
    try {
        *list = store.newList(kind);
        return 0;
    } catch (...) {
        return kBadValue;
    }
}

} // namespace

int32_t ScriptValues::stringToSymbol(const char* text, Symbol* symbol) noexcept
{
    return symbolOf(m_store, text, symbol);
}

int32_t ScriptValues::valueToInteger(const Value* value, int32_t* integer) noexcept
{
    if (value == nullptr || integer == nullptr)
        return kBadArgument;
    return m_store.asInteger(*value, *integer) ? 0 : kWrongType;
}

int32_t ScriptValues::valueToText(const Value* value, const char** text) noexcept
{
    if (text == nullptr)
        return kBadArgument;
    *text = nullptr;
    const std::string* s = value != nullptr ? m_store.asText(*value) : nullptr;
    if (s == nullptr)
        return kWrongType;
    *text = s->c_str();
    return 0;
}

int32_t ScriptValues::integerToValue(int32_t integer, Value* value) noexcept
{
    return integerValue(m_store, integer, value);
}

int32_t ScriptValues::symbolToValue(Symbol symbol, Value* value) noexcept
{
    return symbolValue(m_store, symbol, value);
}

// ---- lists

int32_t ScriptLists::newList(Value* list) noexcept
{
    return emptyList(m_store, ValueKind::List, list);
}

int32_t ScriptLists::append(Value* list, const Value* value) noexcept
{
    if (list == nullptr || value == nullptr)
        return kBadArgument;
    if (failAppendAfter == 0)
        return kRefused;
    if (failAppendAfter > 0)
        --failAppendAfter;
    try {
        return m_store.append(*list, *value);
    } catch (...) {
        return kBadValue;
    }
}

int32_t ScriptLists::count(const Value* list) noexcept
{
    return list == nullptr ? 0 : m_store.count(*list);
}

int32_t ScriptLists::getAt(const Value* list, int32_t index1, Value* out) noexcept
{
    if (list == nullptr || out == nullptr)
        return kBadArgument;
    return m_store.getAt(*list, index1, *out);
}

int32_t ScriptLists::newPropertyList(Value* list) noexcept
{
    return emptyList(m_store, ValueKind::PropertyList, list);
}

int32_t ScriptLists::appendProperty(Value* list, const Value* symbolValue, const Value* value) noexcept
{
    if (list == nullptr || symbolValue == nullptr || value == nullptr)
        return kBadArgument;
    try {
        return m_store.appendProperty(*list, *symbolValue, *value);
    } catch (...) {
        return kBadValue;
    }
}

// ---- value utilities

int32_t ValueUtils::stringToSymbol(const char* text, Symbol* symbol) noexcept
{
    return symbolOf(m_store, text, symbol);
}

int32_t ValueUtils::releaseValue(Value* value) noexcept
{
    if (value == nullptr)
        return kBadArgument;
    const int32_t result = m_store.release(*value);
    if (result != 0)
        ++badReleases;
    return result;
}

int32_t ValueUtils::integerToValue(int32_t integer, Value* value) noexcept
{
    return integerValue(m_store, integer, value);
}

int32_t ValueUtils::symbolToValue(Symbol symbol, Value* value) noexcept
{
    return symbolValue(m_store, symbol, value);
}

int32_t ValueUtils::textToValue(const char* text, Value* value) noexcept
{
    if (text == nullptr || value == nullptr)
        return kBadArgument;
    try {
        *value = m_store.text(text);
        return 0;
    } catch (...) {
        return kBadValue;
    }
}

// ---- notifier

int32_t Notifier::registerClient(oru::IOruNotificationClient* client, const Guid* id, uint32_t,
                                 void* reference) noexcept
{
    if (client == nullptr || id == nullptr)
        return kBadArgument;
    try {
        m_clients.push_back({client, *id, reference});
        m_history.push_back({true, *id, reference});
    } catch (...) {
        return kBadValue;
    }
    client->AddRef();
    return 0;
}

int32_t Notifier::unregisterClient(oru::IOruNotificationClient* client, const Guid* id, uint32_t) noexcept
{
    if (client == nullptr || id == nullptr)
        return kBadArgument;
    for (auto it = m_clients.begin(); it != m_clients.end(); ++it) {
        if (it->client == client && it->id == *id) {
            try {
                m_history.push_back({false, *id, it->reference});
            } catch (...) {
            }
            m_clients.erase(it);
            client->Release();
            return 0;
        }
    }
    return kBadValue;
}

void Notifier::notify(const Guid& id, void* data)
{
    const std::vector<Registration> clients = m_clients; // a client may unregister while notified
    for (const Registration& r : clients) {
        if (r.id == id)
            r.client->Notify(&id, data, r.reference);
    }
}

// ---- app info

int32_t AppInfo::getText(int32_t item, char* buffer, uint32_t size) noexcept
{
    if (failWith != 0)
        return failWith;
    if (item != 1 || buffer == nullptr || size == 0)
        return kBadArgument;
    std::snprintf(buffer, size, "%s", "speechhost");
    return 0;
}

// ---- registry

int32_t EntryDictionary::put(uint32_t type, const void* data, uint32_t size, const char* key) noexcept
{
    if (key == nullptr || data == nullptr)
        return kBadArgument;
    if (!failKey.empty() && failKey == key)
        return kRefused;
    try {
        std::string bytes = type == oru::kEntryText ? std::string(static_cast<const char*>(data))
                                                    : std::string(static_cast<const char*>(data), size);
        entries[key] = EntryValue{type, std::move(bytes)};
        return 0;
    } catch (...) {
        return kBadValue;
    }
}

int32_t RegistryCache::addRegistryEntry(void*, const Guid* classId, const Guid* iid,
                                        oru::IOruEntryDictionary** entry) noexcept
{
    if (classId == nullptr || iid == nullptr || entry == nullptr)
        return kBadArgument;
    *entry = nullptr;
    if (++m_calls == failAddAt)
        return kRefused;
    try {
        m_entries.push_back(std::make_unique<EntryDictionary>(*classId, *iid));
    } catch (...) {
        return kBadValue;
    }
    m_entries.back()->failKey = failKey;
    *entry = m_entries.back().get();
    return 0;
}

const EntryValue* RegistryCache::find(const Guid& classId, const std::string& key) const
{
    for (const auto& dict : m_entries) {
        if (!(dict->classId == classId))
            continue;
        auto it = dict->entries.find(key);
        if (it != dict->entries.end())
            return &it->second;
    }
    return nullptr;
}

// ---- host link

int32_t HostLink::QueryInterface(const Guid* iid, void** out) noexcept
{
    if (iid == nullptr || out == nullptr)
        return kBadArgument;
    *out = nullptr;
    for (const auto& [refused, code] : refusals) {
        if (refused == *iid)
            return code; // 0 means: "success" with a null pointer
    }
    oru::IOruUnknown* found = nullptr;
    if (*iid == oru::iid::kScriptValues)
        found = &m_values;
    else if (*iid == oru::iid::kScriptLists)
        found = &m_lists;
    else if (*iid == oru::iid::kValueUtils)
        found = &m_utils;
    else if (*iid == oru::iid::kNotifier)
        found = &m_notifier;
    else if (*iid == oru::iid::kAppInfo)
        found = &m_appInfo;
    else if (*iid == oru::iid::kUnknown)
        found = this;
    if (found == nullptr)
        return kRefused;
    found->AddRef();
    *out = found;
    return 0;
}

} // namespace speechhost
