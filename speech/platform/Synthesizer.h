#pragma once

// The one synthesizer of the process: espeak-ng in synchronous mode, driven by a
// single thread that makes every espeak call. It is initialised on first use and
// never terminated (a second terminate after a re-initialise deadlocks espeak).

#include "Markup.h"
#include "Player.h"
#include "VoiceCatalogue.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

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
