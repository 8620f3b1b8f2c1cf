#pragma once

#include "HostAbi.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace speechhost {

using oru::Symbol;
using oru::Value;

// Host error codes (the plug-in passes them back unchanged).
constexpr int32_t kWrongType = static_cast<int32_t>(0x80041001u);
constexpr int32_t kBadIndex = static_cast<int32_t>(0x80041002u);
constexpr int32_t kBadValue = static_cast<int32_t>(0x80041003u);
constexpr int32_t kRefused = static_cast<int32_t>(0x80041004u);
constexpr int32_t kBadArgument = static_cast<int32_t>(0x80041005u);

enum class ValueKind { Integer, Symbol, Text, List, PropertyList };

// The host's values: integers and symbols live in the 8 bytes themselves;
// texts and lists are reference-counted heap values addressed by a handle.
// The all-zero value is the integer 0 and needs no release.
class ValueStore {
public:
    Value integer(int32_t n) const noexcept;
    Value symbolValue(Symbol s) const noexcept;
    Symbol symbol(const std::string& name);
    const std::string* symbolName(Symbol s) const noexcept;
    Value text(const std::string& text);
    Value newList(ValueKind kind);

    ValueKind kind(const Value& v) const noexcept; // Integer for unknown handles too
    bool isValid(const Value& v) const noexcept;
    bool asInteger(const Value& v, int32_t& out) const noexcept;
    const std::string* asText(const Value& v) const noexcept;
    bool asSymbol(const Value& v, Symbol& out) const noexcept;

    int32_t append(Value& list, const Value& v);
    int32_t appendProperty(Value& list, const Value& key, const Value& v);
    int32_t count(const Value& list) const noexcept;
    int32_t getAt(const Value& list, int32_t index1, Value& out) noexcept; // owned copy

    void retain(const Value& v) noexcept;
    int32_t release(const Value& v) noexcept;

    std::string format(const Value& v) const; // script notation
    std::size_t liveHeapValues() const noexcept { return m_heap.size(); }

private:
    struct HeapValue {
        ValueKind kind;
        uint32_t refs = 1;
        std::string text;
        std::vector<Value> items;                   // list items
        std::vector<std::pair<Value, Value>> props; // property list: symbol value, value
    };
    HeapValue* find(const Value& v) noexcept;
    const HeapValue* find(const Value& v) const noexcept;
    Value store(HeapValue value);

    std::unordered_map<uint32_t, HeapValue> m_heap;
    uint32_t m_nextHandle = 1;
    std::vector<std::string> m_symbolNames{""}; // symbol 0 is unused
    std::unordered_map<std::string, Symbol> m_symbols;
};

} // namespace speechhost
