#pragma once

// The one synthesizer of the process: espeak-ng in synchronous mode, driven by a
// single thread that makes every espeak call. It is initialised on first use and
// never terminated (a second terminate after a re-initialise deadlocks espeak).

#include "Markup.h"
#include "Player.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

// One voice offered to the speech interfaces: a language with an optional variant.
struct VoiceDescription {
    std::string key;             // token key, e.g. "nl-f3"
    std::string espeakName;      // e.g. "gmw/nl+f3"
    std::u16string name;         // e.g. "Dutch Female"
    std::u16string languageName; // e.g. "Dutch"
    uint16_t languageId = 0;     // Windows language id, e.g. 0x0413
    int gender = 1;              // synthesizer code: 1 male, 2 female
    int age = 0;                 // years, 0 when unknown
};

struct SynthJob {
    std::shared_ptr<AudioStream> stream;
    std::vector<Fragment> fragments;
    std::string voice; // espeakName; empty for the first voice
};

class Synthesizer {
public:
    static Synthesizer& instance();

    // Waits for the initialisation on the first call.
    const std::vector<VoiceDescription>& voices();
    bool available();
    int sampleRate();
    // Queues a job; the stream receives audio, word markers and the end.
    void submit(SynthJob job);

private:
    Synthesizer();
    struct State;
    State* m_state;
};

} // namespace platform
