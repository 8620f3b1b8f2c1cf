#pragma once

// One audio thread per voice object. Streams (one per Speak or TextData call) are
// played in order in 20 ms chunks; markers fire when the audio has reached their
// sample, so word events follow what is heard. Pause halts after the current chunk
// and keeps the position; purge drops everything queued. A stream that starts with
// nothing queued ahead of it reports its start before the call that queued it
// returns, so a listener's state never lags behind that call; a silent one reports
// its end there too.

#include "AudioSink.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {

struct Marker {
    enum class Kind { StreamStart, Word, Sentence, Bookmark, StreamEnd };
    Kind kind = Kind::Word;
    uint64_t sample = 0; // position in the stream's audio
    uint32_t position = 0;
    uint32_t length = 0;
    uint32_t value = 0; // Bookmark: its number; Word: the word's number in the text, from 1
    std::u16string name;
};

struct PlayerCore;

// The synthesizer's thread (and espeak's) never ends and a player's thread may outlive
// the last object a host knows of, so the module holding this code stays mapped for
// the rest of the process: a host may unload a plug-in as soon as it has no objects
// left. Called before such a thread is started.
void keepModuleMapped();

// Filled by the synthesizer, played by the player.
class AudioStream {
public:
    AudioStream(std::shared_ptr<PlayerCore> core, uint32_t id) : m_core(std::move(core)), m_id(id) {}
    uint32_t id() const { return m_id; }
    bool cancelled() const { return m_cancelled.load(std::memory_order_acquire); }

    // Synthesizer side. append waits while the player is far enough ahead; it returns
    // false once the stream is cancelled.
    bool append(const int16_t* samples, size_t count, double gain);
    bool appendSilence(size_t count);
    void addMarker(Marker marker); // kept in sample order
    void finish();
    uint64_t synthesized() const; // samples appended so far

private:
    friend class Player;
    std::shared_ptr<PlayerCore> m_core;
    uint32_t m_id;
    std::atomic<bool> m_cancelled{false};
    // Guarded by the core's mutex.
    std::deque<int16_t> m_pcm; // not yet played
    std::deque<Marker> m_markers;
    uint64_t m_played = 0;
    uint64_t m_synthesized = 0;
    bool m_held = true; // until Player::start
    // Nothing to play. Queued behind other streams it lasts a chunk from its start,
    // like a device handed nothing.
    bool m_silent = false;
    std::chrono::steady_clock::time_point m_silentUntil{};
    bool m_started = false;
    bool m_finished = false;
};

class Player {
public:
    struct Listener {
        // Called on the audio thread, never after purge() has returned for a purged
        // stream. May call any Player operation except the destructor.
        virtual void onMarker(uint32_t streamId, const Marker& marker) = 0;

    protected:
        ~Listener() = default;
    };

    // The sink is opened from `config` when the first stream starts.
    Player(Listener* listener, AudioConfig config, int sampleRate);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Queues a stream that waits for start(), so the caller can queue under a lock of
    // its own and start outside it. A silent stream has nothing to play: it is
    // finished already, gets no synthesizer job and never counts as playing.
    std::shared_ptr<AudioStream> newStream(uint32_t id, bool silent = false);
    // Lets the stream play. With nothing queued ahead of it, its start marker (and a
    // silent stream's end marker) is delivered on the calling thread before this
    // returns (also while paused), so the caller must not hold a lock the listener takes.
    void start(const std::shared_ptr<AudioStream>& stream);
    // Cancels everything and joins the audio thread; no marker is delivered once it
    // has returned. An owner calls it before releasing what its listener uses.
    void shutdown();
    void setPaused(bool paused);
    bool paused() const;
    // Cancels every queued stream. No marker of them reaches the listener afterwards.
    void purge();
    // Returns once no marker is being delivered; later deliveries see what the caller
    // changed before.
    void barrier();
    // Nothing queued but silent streams.
    bool idle() const;
    bool waitUntilIdle(std::chrono::milliseconds timeout) const;
    // Immediate volume, 0..1.
    void setGain(double gain);
    // Kind of the sink in use ("" before the first stream).
    std::string sinkKind() const;
    // The stream now playing and the samples of it played so far (0, 0 when idle).
    std::pair<uint32_t, uint64_t> position() const;

    static constexpr size_t kChunkMs = 20;
    static constexpr size_t kMaxAheadMs = 5000;

private:
    void run();
    void deliver(const std::shared_ptr<AudioStream>& stream, const Marker& marker);

    Listener* m_listener;
    AudioConfig m_config;
    int m_rate;
    std::shared_ptr<PlayerCore> m_core;
    std::recursive_mutex m_delivery; // held while the listener runs; purge takes it
    std::atomic<double> m_gain{1.0};
    std::unique_ptr<AudioSink> m_sink; // audio thread only
    bool m_undrained = false;          // audio thread only
    std::thread m_thread;
};

// Shared by a player and the synthesizer jobs that feed it, so a job may outlive
// the player.
struct PlayerCore {
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::deque<std::shared_ptr<AudioStream>> queue;
    bool paused = false;
    bool stopping = false;
    bool flushPending = false;
    int ending = 0; // end markers being delivered
    std::string sinkKind;
    size_t maxAhead = 0;
};

} // namespace platform
