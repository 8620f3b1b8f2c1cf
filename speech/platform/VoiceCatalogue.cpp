#include "VoiceCatalogue.h"

#include "TextCoding.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

namespace platform {

namespace {

struct CuratedLanguage {
    const char* key;
    const char* identifier; // synthesizer voice file
    const char16_t* name;
    uint16_t languageId;
    std::vector<const char*> variants; // "" is the plain language voice
};

// The course speaks Dutch, so Dutch comes first and is the default voice.
const std::vector<CuratedLanguage>& curatedLanguages()
{
    static const std::vector<CuratedLanguage> list = {
        {"nl", "gmw/nl", u"Dutch", 0x0413, {"", "f3", "m1", "f1"}},
        {"en-gb", "gmw/en", u"English (Great Britain)", 0x0809, {"", "f3"}},
        {"en-us", "gmw/en-US", u"English (America)", 0x0409, {"", "f3"}},
        {"de", "gmw/de", u"German", 0x0407, {"", "f3"}},
        {"fr", "roa/fr", u"French", 0x040C, {"", "f3"}},
    };
    return list;
}

struct HomeLanguage {
    const char* code; // the voice file's name, whatever its family folder
    const char16_t* name;
    uint16_t languageId;
};

// Pupils' home languages, offered right after the course's own in this order.
constexpr HomeLanguage kHomeLanguages[] = {
    {"tr", u"Turkish", 0x041F},  {"ar", u"Arabic", 0x0401},     {"pl", u"Polish", 0x0415},
    {"pap", u"Papiamento", 0},   {"uk", u"Ukrainian", 0x0422},  {"ku", u"Kurdish", 0},
    {"fa", u"Persian", 0x0429},  {"am", u"Amharic", 0x045E},    {"om", u"Oromo", 0x0472},
    {"es", u"Spanish", 0x0C0A},  {"pt", u"Portuguese", 0x0816}, {"ru", u"Russian", 0x0419},
    {"ro", u"Romanian", 0x0418}, {"bg", u"Bulgarian", 0x0402},  {"cmn", u"Chinese (Mandarin)", 0x0804},
};

constexpr const char* kFemaleVariant = "f3";

std::u16string ascii16(std::string_view ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

// "trk/tr" -> "tr"
std::string_view fileName(std::string_view identifier)
{
    size_t slash = identifier.rfind('/');
    return slash == std::string_view::npos ? identifier : identifier.substr(slash + 1);
}

bool isLanguageVoice(const ListedVoice& v)
{
    // Variants are offered on top of a language; mbrola voices need data we do not ship.
    return !v.identifier.empty() && v.identifier.rfind("!v/", 0) != 0 && v.identifier.rfind("mb/", 0) != 0;
}

// Adds `d` spoken with `variant` ("" for the plain voice), its name ending in `suffix`.
// A variant the synthesizer lacks is left out: it would silently fall back to the
// plain voice under a name that promises another.
void addVoice(std::vector<VoiceDescription>& list, const std::vector<ListedVoice>& variants, VoiceDescription d,
              std::string_view variant, std::u16string_view suffix)
{
    if (!variant.empty()) {
        auto found = std::find_if(variants.begin(), variants.end(), [&](const ListedVoice& v) {
            return v.identifier.size() == variant.size() + 3 && v.identifier.rfind("!v/", 0) == 0 &&
                   v.identifier.compare(3, std::string::npos, variant) == 0;
        });
        if (found == variants.end())
            return;
        d.key += "-" + std::string(variant);
        d.espeakName += "+" + std::string(variant);
        // Plain language voices report male and no age; variants tell the truth.
        d.gender = found->gender == 2 ? 2 : 1;
        d.age = found->age;
    }
    d.name = d.languageName + (d.age >= 65 ? u" Senior" : u"") + (d.gender == 2 ? u" Female" : u" Male");
    d.name += suffix;
    list.push_back(std::move(d));
}

// The plain voice and the female one of a language, named "<language> Male (<code>)".
void addPair(std::vector<VoiceDescription>& list, const std::vector<ListedVoice>& variants,
             const std::string& identifier, const std::string& code, std::u16string languageName, uint16_t languageId)
{
    VoiceDescription d;
    d.key = code;
    d.espeakName = identifier;
    d.languageName = std::move(languageName);
    d.languageId = languageId;
    std::u16string suffix = u" (" + ascii16(code) + u")";
    addVoice(list, variants, d, "", suffix);
    addVoice(list, variants, d, kFemaleVariant, suffix);
}

} // namespace

std::string asciiName(std::string_view utf8)
{
    // U+00C0..U+017F by their base letter; '?' marks the few that take two letters.
    static constexpr std::string_view kLatin1 = "AAAAAA?CEEEEIIIIDNOOOOOxOUUUUY??"
                                                "aaaaaa?ceeeeiiiidnooooo/ouuuuy?y";
    static constexpr std::string_view kExtendedA = "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi??JjKkkLlLlLlLl"
                                                   "LlNnNnNnnNnOoOoOo??RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
    static_assert(kLatin1.size() == 0x40 && kExtendedA.size() == 0x80);
    static const std::map<char32_t, std::string_view> kTwoLetters = {
        {0xC6, "AE"},  {0xDE, "Th"},  {0xDF, "ss"},  {0xE6, "ae"},  {0xFE, "th"},
        {0x132, "IJ"}, {0x133, "ij"}, {0x152, "OE"}, {0x153, "oe"},
    };
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const char32_t c = speechtext::decodeUtf8(utf8, i); // broken bytes give U+FFFD, left out below
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (auto two = kTwoLetters.find(c); two != kTwoLetters.end()) {
            out += two->second;
        } else if (c >= 0xC0 && c < 0x100) {
            out += kLatin1[c - 0xC0];
        } else if (c >= 0x100 && c < 0x180) {
            out += kExtendedA[c - 0x100];
        }
    }
    return out;
}

void listSynthesizerVoices(std::vector<ListedVoice>& languages, std::vector<ListedVoice>& variants)
{
    languages.clear();
    variants.clear();
    // Each list call reads every voice file again and frees the previous list.
    auto copyList = [&](espeak_VOICE* filter) {
        for (const espeak_VOICE** v = espeak_ListVoices(filter); v && *v; ++v) {
            const char* language = (*v)->languages;
            if (!language || !language[0] || !(*v)->identifier)
                continue; // a file without a language is no voice
            bool variant = std::strcmp(language + 1, "variant") == 0;
            (variant ? variants : languages)
                .push_back({(*v)->identifier, (*v)->name ? (*v)->name : "", (*v)->gender, (*v)->age});
        }
    };
    // An empty language asks for every file, variants too, in one reading.
    espeak_VOICE filter{};
    filter.languages = "";
    copyList(&filter);
    if (variants.empty()) { // a synthesizer that lists languages only
        languages.clear();
        copyList(nullptr);
        filter.languages = "variant";
        copyList(&filter);
    }
}

std::vector<VoiceDescription> voiceCatalogue(const std::vector<ListedVoice>& languages,
                                             const std::vector<ListedVoice>& variants)
{
    std::vector<VoiceDescription> list;
    std::set<std::string> used; // identifiers of languages already offered
    auto listed = [&](auto matches) -> const ListedVoice* {
        auto found = std::find_if(languages.begin(), languages.end(),
                                  [&](const ListedVoice& l) { return isLanguageVoice(l) && matches(l); });
        return found == languages.end() ? nullptr : &*found;
    };

    for (const CuratedLanguage& lang : curatedLanguages()) {
        if (!listed([&](const ListedVoice& l) { return l.identifier == lang.identifier; }))
            continue;
        used.insert(lang.identifier);
        VoiceDescription d;
        d.key = lang.key;
        d.espeakName = lang.identifier;
        d.languageName = lang.name;
        d.languageId = lang.languageId;
        for (const char* variant : lang.variants)
            addVoice(list, variants, d, variant, u"");
    }

    // A code shared by two voice files would make two names alike; those go by the whole identifier.
    std::map<std::string, int> filesNamed;
    for (const ListedVoice& l : languages)
        if (isLanguageVoice(l))
            ++filesNamed[lower(fileName(l.identifier))];
    auto codeOf = [&](const ListedVoice& l) {
        std::string_view file = fileName(l.identifier);
        return std::string(filesNamed[lower(file)] > 1 ? std::string_view(l.identifier) : file);
    };

    for (const HomeLanguage& home : kHomeLanguages) {
        const ListedVoice* l = listed([&](const ListedVoice& v) {
            return !used.count(v.identifier) && lower(fileName(v.identifier)) == home.code;
        });
        if (!l)
            continue; // no slot: the voices after it move up
        used.insert(l->identifier);
        addPair(list, variants, l->identifier, codeOf(*l), home.name, home.languageId);
    }

    struct Other {
        std::string sortKey;
        const ListedVoice* voice;
    };
    std::vector<Other> others;
    for (const ListedVoice& l : languages)
        if (isLanguageVoice(l) && !used.count(l.identifier))
            others.push_back({lower(codeOf(l)), &l});
    std::sort(others.begin(), others.end(), [](const Other& a, const Other& b) {
        return a.sortKey != b.sortKey ? a.sortKey < b.sortKey : a.voice->identifier < b.voice->identifier;
    });
    for (const Other& o : others) {
        std::string code = codeOf(*o.voice);
        std::string name = asciiName(o.voice->name);
        if (name.find_first_not_of(' ') == std::string::npos)
            name = code;
        // The same file listed twice is offered once.
        if (!used.insert(o.voice->identifier).second)
            continue;
        addPair(list, variants, o.voice->identifier, code, ascii16(name), 0);
    }
    return list;
}

} // namespace platform
