#pragma once

// Where a voice's sound goes: the sound device through pcaudiolib, a null sink or a
// WAV file. The null and WAV sinks are paced like a device, so states, pauses and
// word positions behave alike everywhere.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

class AudioSink {
public:
    virtual ~AudioSink() = default;
    // A device blocks about as long as it takes to play the samples; a paced sink takes
    // them at once and tells when they will have played (playedBy).
    virtual void write(const int16_t* samples, size_t count) = 0;
    // When what was written will have played. The player waits for it on its own
    // condition, so a purge or shutdown need not wait for the chunk to play out. The
    // epoch (nothing to wait for) for a sink whose write blocks.
    virtual std::chrono::steady_clock::time_point playedBy() const { return {}; }
    // Drops what has been written but not yet played.
    virtual void flush() {}
    // Waits until everything written has been played; called when the voice runs out
    // of text.
    virtual void drain() {}
    virtual const char* kind() const = 0;
};

// Real-time pacing without sleeping: counts the samples handed over and says when they
// will have played. Speed 0 turns it off.
class Pacer {
public:
    Pacer(int sampleRate, double speed) : m_rate(sampleRate), m_speed(speed) {}
    void add(size_t samples);
    std::chrono::steady_clock::time_point due() const { return m_next; }
    // What has not played yet is dropped.
    void reset() { m_next = {}; }

private:
    int m_rate;
    double m_speed;
    std::chrono::steady_clock::time_point m_next{};
};

class NullSink final : public AudioSink {
public:
    NullSink(int sampleRate, double speed) : m_pacer(sampleRate, speed) {}
    void write(const int16_t*, size_t count) override { m_pacer.add(count); }
    std::chrono::steady_clock::time_point playedBy() const override { return m_pacer.due(); }
    void flush() override { m_pacer.reset(); }
    const char* kind() const override { return "null"; }

private:
    Pacer m_pacer;
};

class WavFile;

// 16-bit mono PCM. The RIFF sizes are brought up to date whenever the voice runs out
// of text and on close, so the file is valid even if the process ends abruptly later.
// Every sink on the same path writes to one file for the whole process: what one
// voice says follows what an earlier one said.
class WavSink final : public AudioSink {
public:
    static std::unique_ptr<WavSink> open(const std::string& path, int sampleRate, double speed);
    ~WavSink() override;
    void write(const int16_t* samples, size_t count) override;
    std::chrono::steady_clock::time_point playedBy() const override { return m_pacer.due(); }
    void flush() override { m_pacer.reset(); } // what was written stays in the file
    void drain() override;
    const char* kind() const override { return "wav"; }

private:
    WavSink(std::shared_ptr<WavFile> file, int sampleRate, double speed)
        : m_file(std::move(file)), m_pacer(sampleRate, speed)
    {
    }
    std::shared_ptr<WavFile> m_file;
    Pacer m_pacer;
};

// Null when no device can be opened.
std::unique_ptr<AudioSink> openDeviceSink(int sampleRate);

// Output chosen by "auto" | "device" | "null" | "wav:PATH" (SPEECH_AUDIO).
// A device that cannot be opened, an unwritable file or an unknown choice give the null
// sink and one line on standard error per process.
struct AudioConfig {
    std::string choice = "auto";
    double speed = 1.0; // 0: unpaced (tests)
    // Test seam: when set, makes the sink instead of `choice`.
    std::function<std::unique_ptr<AudioSink>(int sampleRate)> custom;
};
std::unique_ptr<AudioSink> openSink(const AudioConfig& config, int sampleRate);
// SPEECH_AUDIO unless a test override is set.
AudioConfig currentAudioConfig();
// Test seam: replaces the environment's choice; nullopt restores it.
void setAudioConfigOverride(std::optional<AudioConfig> config);

} // namespace platform
