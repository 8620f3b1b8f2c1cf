#include "HostValues.h"

#include <new>

namespace speechhost {

namespace {

// Low byte: tag; high 32 bits: payload.
constexpr uint64_t kTagInteger = 0;
constexpr uint64_t kTagSymbol = 1;
constexpr uint64_t kTagHeap = 2;

uint64_t tagOf(const Value& v)
{
    return v.bits & 0xFF;
}
uint32_t payloadOf(const Value& v)
{
    return static_cast<uint32_t>(v.bits >> 32);
}
Value make(uint64_t tag, uint32_t payload)
{
    return Value{tag | (static_cast<uint64_t>(payload) << 32)};
}

} // namespace

Value ValueStore::integer(int32_t n) const noexcept
{
    return make(kTagInteger, static_cast<uint32_t>(n));
}

Value ValueStore::symbolValue(Symbol s) const noexcept
{
    return make(kTagSymbol, static_cast<uint32_t>(s));
}

Symbol ValueStore::symbol(const std::string& name)
{
    auto it = m_symbols.find(name);
    if (it != m_symbols.end())
        return it->second;
    const auto id = static_cast<Symbol>(m_symbolNames.size());
    m_symbolNames.push_back(name);
    m_symbols.emplace(name, id);
    return id;
}

const std::string* ValueStore::symbolName(Symbol s) const noexcept
{
    if (s <= 0 || static_cast<std::size_t>(s) >= m_symbolNames.size())
        return nullptr;
    return &m_symbolNames[static_cast<std::size_t>(s)];
}

Value ValueStore::store(HeapValue value)
{
    const uint32_t handle = m_nextHandle++;
    m_heap.emplace(handle, std::move(value));
    return make(kTagHeap, handle);
}

Value ValueStore::text(const std::string& text)
{
    return store(HeapValue{ValueKind::Text, 1, text, {}, {}});
}

Value ValueStore::newList(ValueKind kind)
{
    return store(HeapValue{kind, 1, {}, {}, {}});
}

ValueStore::HeapValue* ValueStore::find(const Value& v) noexcept
{
    if (tagOf(v) != kTagHeap)
        return nullptr;
    auto it = m_heap.find(payloadOf(v));
    return it == m_heap.end() ? nullptr : &it->second;
}

const ValueStore::HeapValue* ValueStore::find(const Value& v) const noexcept
{
    return const_cast<ValueStore*>(this)->find(v);
}

ValueKind ValueStore::kind(const Value& v) const noexcept
{
    if (tagOf(v) == kTagSymbol)
        return ValueKind::Symbol;
    if (const HeapValue* h = find(v))
        return h->kind;
    return ValueKind::Integer;
}

bool ValueStore::isValid(const Value& v) const noexcept
{
    switch (tagOf(v)) {
    case kTagInteger:
        return (v.bits & 0xFFFFFF00u) == 0;
    case kTagSymbol:
        return symbolName(static_cast<Symbol>(payloadOf(v))) != nullptr;
    case kTagHeap:
        return find(v) != nullptr;
    default:
        return false;
    }
}

bool ValueStore::asInteger(const Value& v, int32_t& out) const noexcept
{
    if (tagOf(v) != kTagInteger || !isValid(v))
        return false;
    out = static_cast<int32_t>(payloadOf(v));
    return true;
}

const std::string* ValueStore::asText(const Value& v) const noexcept
{
    const HeapValue* h = find(v);
    return h != nullptr && h->kind == ValueKind::Text ? &h->text : nullptr;
}

bool ValueStore::asSymbol(const Value& v, Symbol& out) const noexcept
{
    if (tagOf(v) != kTagSymbol || !isValid(v))
        return false;
    out = static_cast<Symbol>(payloadOf(v));
    return true;
}

int32_t ValueStore::append(Value& list, const Value& v)
{
    HeapValue* h = find(list);
    if (h == nullptr || h->kind != ValueKind::List)
        return kWrongType;
    if (!isValid(v))
        return kBadValue;
    h->items.push_back(v);
    retain(v);
    return 0;
}

int32_t ValueStore::appendProperty(Value& list, const Value& key, const Value& v)
{
    HeapValue* h = find(list);
    if (h == nullptr || h->kind != ValueKind::PropertyList)
        return kWrongType;
    Symbol s = 0;
    if (!asSymbol(key, s))
        return kWrongType;
    if (!isValid(v))
        return kBadValue;
    h->props.emplace_back(key, v);
    retain(v);
    return 0;
}

int32_t ValueStore::count(const Value& list) const noexcept
{
    const HeapValue* h = find(list);
    if (h == nullptr)
        return 0;
    if (h->kind == ValueKind::List)
        return static_cast<int32_t>(h->items.size());
    if (h->kind == ValueKind::PropertyList)
        return static_cast<int32_t>(h->props.size());
    return 0;
}

int32_t ValueStore::getAt(const Value& list, int32_t index1, Value& out) noexcept
{
    const HeapValue* h = find(list);
    if (h == nullptr || (h->kind != ValueKind::List && h->kind != ValueKind::PropertyList))
        return kWrongType;
    const int32_t n = count(list);
    if (index1 < 1 || index1 > n)
        return kBadIndex;
    const Value v = h->kind == ValueKind::List ? h->items[static_cast<std::size_t>(index1 - 1)]
                                               : h->props[static_cast<std::size_t>(index1 - 1)].second;
    retain(v);
    out = v;
    return 0;
}

void ValueStore::retain(const Value& v) noexcept
{
    if (HeapValue* h = find(v))
        ++h->refs;
}

int32_t ValueStore::release(const Value& v) noexcept
{
    if (tagOf(v) != kTagHeap)
        return isValid(v) ? 0 : kBadValue;
    auto it = m_heap.find(payloadOf(v));
    if (it == m_heap.end())
        return kBadValue; // released twice, or never made here
    if (--it->second.refs > 0)
        return 0;
    HeapValue dead = std::move(it->second);
    m_heap.erase(it);
    for (const Value& item : dead.items)
        release(item);
    for (const auto& [key, item] : dead.props)
        release(item);
    return 0;
}

std::string ValueStore::format(const Value& v) const
{
    switch (tagOf(v)) {
    case kTagInteger:
        return std::to_string(static_cast<int32_t>(payloadOf(v)));
    case kTagSymbol: {
        const std::string* name = symbolName(static_cast<Symbol>(payloadOf(v)));
        return name != nullptr ? "#" + *name : "<bad symbol>";
    }
    default:
        break;
    }
    const HeapValue* h = find(v);
    if (h == nullptr)
        return "<bad value>";
    std::string out;
    switch (h->kind) {
    case ValueKind::Text:
        return "\"" + h->text + "\"";
    case ValueKind::List:
        out = "[";
        for (std::size_t i = 0; i < h->items.size(); ++i)
            out += (i ? ", " : "") + format(h->items[i]);
        return out + "]";
    case ValueKind::PropertyList:
        if (h->props.empty())
            return "[:]";
        out = "[";
        for (std::size_t i = 0; i < h->props.size(); ++i)
            out += (i ? ", " : "") + format(h->props[i].first) + ": " + format(h->props[i].second);
        return out + "]";
    default:
        return "<bad value>";
    }
}

} // namespace speechhost
