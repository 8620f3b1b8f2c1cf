#pragma once

// Turns the text of a Speak or TextData call into fragments the synthesizer speaks
// one by one as plain text. Offsets refer to the caller's UTF-16 text, tags included.

#include <cstdint>
#include <string_view>
#include <vector>

#include <string>

namespace platform {

struct Fragment {
    enum class Kind { Text, Silence, Bookmark };
    Kind kind = Kind::Text;
    std::u16string text;           // control characters already blanked
    std::vector<uint32_t> offsets; // source offset of every unit of `text`, plus one for its end
    int wpm = 175;
    int pitch = 50;    // synthesizer scale 0..100
    double gain = 1.0; // on top of the voice's own volume
    int silenceMs = 0;
    std::u16string bookmark;    // Bookmark: the mark as written
    uint32_t bookmarkValue = 0; // Bookmark: its numeric value (0 when not a number)
};

// Control characters would reach the synthesizer as commands; they become blanks so
// that offsets stay put.
void blankControlCharacters(std::u16string& text);

// Only blanks (spaces, tabs, line breaks) or nothing: the synthesizer says nothing.
bool isBlank(std::u16string_view text);
// No sound and no marks: every fragment is blank text.
bool speaksNothing(const std::vector<Fragment>& fragments);

// Plain text: one fragment spoken with the given settings.
std::vector<Fragment> plainFragments(std::u16string_view text, int wpm, int pitch, double gain);

// SAPI 5 XML. Honoured: <pitch absmiddle|middle>, <rate absspeed|speed>,
// <volume level>, <silence msec/>, <bookmark mark/>, entities. Other tags are skipped.
// An empty element (<pitch absmiddle='3'/>) changes the rest of the text.
// Returns false on malformed markup (unclosed tag or comment, mismatched end tag,
// bad attribute or number).
bool parseSapi5Xml(std::u16string_view text, int baseRate, std::vector<Fragment>& out);

// SAPI 4 tagged text: \spd=wpm\, \pit=hertz\, \vol=0..65535\, \pau=ms\, \mrk=n\;
// "\\" is a backslash; unknown tags are skipped. Values are clamped to the mode's limits.
struct Sapi4Settings {
    uint32_t wpm;
    int pitchHz;
    bool female;
};
bool parseSapi4Tagged(std::u16string_view text, Sapi4Settings settings, std::vector<Fragment>& out);

} // namespace platform
