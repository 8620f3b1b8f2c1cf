#pragma once

// The voices offered to the speech interfaces, made from what the synthesizer lists.
// Both SAPI-shaped layers enumerate this one list, so they agree on every position.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One voice offered to the speech interfaces: a language with an optional variant.
struct VoiceDescription {
    std::string key;             // token key, e.g. "nl-f3"
    std::string espeakName;      // e.g. "gmw/nl+f3"
    std::u16string name;         // e.g. "Dutch Female"
    std::u16string languageName; // e.g. "Dutch"
    uint16_t languageId = 0;     // Windows language id, e.g. 0x0413; 0 when it has none
    int gender = 1;              // synthesizer code: 1 male, 2 female
    int age = 0;                 // years, 0 when unknown
};

// A voice file as the synthesizer lists it: a language ("trk/tr") or a variant ("!v/f3").
struct ListedVoice {
    std::string identifier;
    std::string name; // UTF-8, e.g. "Turkish"
    int gender = 0;
    int age = 0;
};

// What the synthesizer lists, language voices and variants apart (mbrola voices are
// among the languages). Only where the synthesizer is used, after its initialisation.
void listSynthesizerVoices(std::vector<ListedVoice>& languages, std::vector<ListedVoice>& variants);

// The fixed voices first (the course's own languages, then the pupils' home languages,
// each where the synthesizer has it), then every other listed language as a male and
// a female voice, by language code. The names are ASCII and unique; those after the
// fixed first twelve end in the language code, e.g. "Turkish Male (tr)".
std::vector<VoiceDescription> voiceCatalogue(const std::vector<ListedVoice>& languages,
                                             const std::vector<ListedVoice>& variants);

// UTF-8 to ASCII: accented Latin letters lose their marks, anything else without an
// ASCII form is left out.
std::string asciiName(std::string_view utf8);

} // namespace platform
