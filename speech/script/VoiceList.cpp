#include "VoiceList.h"

#include "Codes.h"
#include "SpeechEngine.h"
#include "TextCoding.h"

#include <cstring>
#include <string>
#include <string_view>

namespace oru::plugin {

std::size_t toMultibyte(const char16_t* text, char* buffer, std::size_t size) noexcept
{
    if (size == 0)
        return 0;
    std::memset(buffer, 0, size);
    if (text == nullptr)
        return 0;
    const std::u16string_view source(text);
    std::size_t used = 0;
    std::string bytes;
    for (std::size_t i = 0; i < source.size();) {
        bytes.clear();
        speechtext::appendUtf8(bytes, speechtext::decodeUtf16(source, i));
        if (used + bytes.size() > size - 1) // the terminator always fits
            break;
        std::memcpy(buffer + used, bytes.data(), bytes.size());
        used += bytes.size();
    }
    return used;
}

namespace {

constexpr const char* kPropertyNames[4] = {"name", "age", "gender", "index"};
constexpr std::size_t kTextBufferSize = 256;

struct PropertyKeys {
    IOruValueUtils* utils;
    Value keys[4] = {};
    int made = 0;
    ~PropertyKeys()
    {
        for (int i = 0; i < made; ++i)
            utils->releaseValue(&keys[i]);
    }
};

int32_t appendText(IOruScriptLists* lists, IOruValueUtils* utils, Value* plist, const Value* key, const char16_t* text)
{
    char buffer[kTextBufferSize];
    toMultibyte(text, buffer, sizeof buffer);
    Value value{0};
    int32_t result = utils->textToValue(buffer, &value);
    if (result != code::kOk)
        return result;
    result = lists->appendProperty(plist, key, &value);
    utils->releaseValue(&value);
    return result;
}

int32_t fillVoice(IOruScriptLists* lists, IOruValueUtils* utils, const PropertyKeys& keys, const VoiceInfo& voice,
                  Value* plist)
{
    int32_t result = appendText(lists, utils, plist, &keys.keys[0], voice.name);
    if (result == code::kOk)
        result = appendText(lists, utils, plist, &keys.keys[1], voice.age);
    if (result == code::kOk)
        result = appendText(lists, utils, plist, &keys.keys[2], voice.gender);
    if (result != code::kOk)
        return result;
    Value index{0};
    result = utils->integerToValue(voice.index, &index);
    if (result != code::kOk)
        return result;
    result = lists->appendProperty(plist, &keys.keys[3], &index);
    utils->releaseValue(&index);
    return result;
}

} // namespace

int32_t buildVoiceList(IOruScriptLists* lists, IOruValueUtils* utils, const VoiceInfo* voices, Value* list)
{
    if (voices == nullptr)
        return code::kNoVoiceInfoList;

    PropertyKeys keys{utils};
    for (const char* name : kPropertyNames) {
        Symbol symbol = 0;
        int32_t result = utils->stringToSymbol(name, &symbol);
        if (result == code::kOk)
            result = utils->symbolToValue(symbol, &keys.keys[keys.made]);
        if (result != code::kOk)
            return result;
        ++keys.made;
    }

    for (const VoiceInfo* voice = voices; voice != nullptr; voice = voice->next) {
        Value plist{0};
        int32_t result = lists->newPropertyList(&plist);
        if (result != code::kOk)
            return result;
        result = fillVoice(lists, utils, keys, *voice, &plist);
        if (result == code::kOk && lists->append(list, &plist) != code::kOk)
            result = code::kListAppendFailed;
        // The list holds its own copy; ours would otherwise leak one host value per voice.
        utils->releaseValue(&plist);
        if (result != code::kOk)
            return result;
    }
    return code::kOk;
}

} // namespace oru::plugin
