#pragma once

#include "AudioSink.h"
#include "Com.h"
#include "Sapi4.h"
#include "Sapi5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace platformtest {

using namespace platform;
using Clock = std::chrono::steady_clock;

// Routes every voice created while alive to the given audio configuration.
struct ScopedAudio {
    explicit ScopedAudio(AudioConfig config) { setAudioConfigOverride(std::move(config)); }
    ~ScopedAudio() { setAudioConfigOverride(std::nullopt); }
};

// A sink that records when samples arrive; paced like a device unless speed is 0.
struct SinkLog {
    std::mutex mutex;
    std::condition_variable written;
    std::vector<std::pair<Clock::time_point, size_t>> writes; // time after the write, samples
    std::vector<int16_t> samples;
    std::vector<size_t> flushes; // writes before each flush (a purge of what was playing)
    static constexpr size_t kChunk = 22050 / 50;
    size_t shortWrites()
    {
        std::lock_guard lock(mutex);
        return std::count_if(writes.begin(), writes.end(), [](const auto& w) { return w.second < kChunk; });
    }
    bool waitForShortWrites(size_t n)
    {
        std::unique_lock lock(mutex);
        return written.wait_for(lock, std::chrono::seconds(60), [&] {
            return std::count_if(writes.begin(), writes.end(), [](const auto& w) { return w.second < kChunk; }) >=
                   static_cast<std::ptrdiff_t>(n);
        });
    }
    bool waitForWrites(size_t n)
    {
        std::unique_lock lock(mutex);
        return written.wait_for(lock, std::chrono::seconds(60), [&] { return writes.size() >= n; });
    }
    size_t total()
    {
        std::lock_guard lock(mutex);
        return samples.size();
    }
    Clock::time_point lastWrite()
    {
        std::lock_guard lock(mutex);
        return writes.empty() ? Clock::time_point{} : writes.back().first;
    }
    // Writes that ended after `t`: a chunk already on its way when a call came is the most that may follow it.
    size_t writesAfter(Clock::time_point t)
    {
        std::lock_guard lock(mutex);
        return std::count_if(writes.begin(), writes.end(), [&](const auto& w) { return w.first > t; });
    }
    size_t writeCount()
    {
        std::lock_guard lock(mutex);
        return writes.size();
    }
    Clock::time_point firstWriteAfter(Clock::time_point t)
    {
        std::lock_guard lock(mutex);
        for (const auto& w : writes)
            if (w.first >= t)
                return w.first;
        return Clock::time_point{};
    }
    size_t flushCount()
    {
        std::lock_guard lock(mutex);
        return flushes.size();
    }
    // The first write after flush number `n` (from 1): the first sound of the text that
    // cut the previous one off. The epoch while there is none.
    Clock::time_point firstWriteAfterFlush(size_t n)
    {
        std::lock_guard lock(mutex);
        if (flushes.size() < n || flushes[n - 1] >= writes.size())
            return Clock::time_point{};
        return writes[flushes[n - 1]].first;
    }
    Clock::time_point firstWrite()
    {
        std::lock_guard lock(mutex);
        return writes.empty() ? Clock::time_point{} : writes.front().first;
    }
};

class RecordingSink final : public AudioSink {
public:
    RecordingSink(std::shared_ptr<SinkLog> log, int rate, double speed) : m_log(std::move(log)), m_pacer(rate, speed) {}
    void write(const int16_t* samples, size_t count) override
    {
        {
            std::lock_guard lock(m_log->mutex);
            m_log->samples.insert(m_log->samples.end(), samples, samples + count);
            m_log->writes.emplace_back(Clock::now(), count);
        }
        m_log->written.notify_all();
        m_pacer.add(count);
    }
    std::chrono::steady_clock::time_point playedBy() const override { return m_pacer.due(); }
    void flush() override
    {
        {
            std::lock_guard lock(m_log->mutex);
            m_log->flushes.push_back(m_log->writes.size());
        }
        m_pacer.reset();
    }
    const char* kind() const override { return "recording"; }

private:
    std::shared_ptr<SinkLog> m_log;
    Pacer m_pacer;
};

inline AudioConfig recordingConfig(std::shared_ptr<SinkLog> log, double speed)
{
    AudioConfig c;
    c.choice = "null";
    c.speed = speed;
    c.custom = [log, speed](int rate) { return std::make_unique<RecordingSink>(log, rate, speed); };
    return c;
}

// An unpaced sink whose drain (the device playing out its last sound) lasts until the
// test opens the gate.
struct DrainGate {
    std::mutex mutex;
    std::condition_variable changed;
    bool draining = false, opened = false;
    bool waitUntilDraining()
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(60), [&] { return draining; });
    }
    void open()
    {
        std::lock_guard lock(mutex);
        opened = true;
        changed.notify_all();
    }
};

class DrainGateSink final : public AudioSink {
public:
    explicit DrainGateSink(std::shared_ptr<DrainGate> gate) : m_gate(std::move(gate)) {}
    void write(const int16_t*, size_t) override {}
    void drain() override
    {
        std::unique_lock lock(m_gate->mutex);
        m_gate->draining = true;
        m_gate->changed.notify_all();
        m_gate->changed.wait(lock, [&] { return m_gate->opened; });
    }
    const char* kind() const override { return "drain gate"; }

private:
    std::shared_ptr<DrainGate> m_gate;
};

inline AudioConfig drainGateConfig(std::shared_ptr<DrainGate> gate)
{
    AudioConfig c;
    c.choice = "null";
    c.speed = 0;
    c.custom = [gate](int) { return std::make_unique<DrainGateSink>(gate); };
    return c;
}

struct LoggedEvent {
    uint16_t id;
    ULONG stream;
    WPARAM wParam;
    LPARAM lParam;
    Clock::time_point at;
};

// Notification callback that drains the voice's events into a log.
class EventCollector final : public ISpNotifyCallback {
public:
    explicit EventCollector(ISpVoice* voice) : m_voice(voice) { voice->AddRef(); }
    ~EventCollector()
    {
        m_voice->SetNotifyCallbackInterface(nullptr, 0, 0);
        m_voice->Release();
    }
    HRESULT NotifyCallback(WPARAM, LPARAM) override
    {
        SpEvent e{};
        while (m_voice->GetEvents(1, &e, nullptr) == S_OK) {
            {
                std::lock_guard lock(m_mutex);
                m_events.push_back({e.eventId, e.streamNumber, e.wParam, e.lParam, Clock::now()});
            }
            clearEvent(&e);
            m_changed.notify_all();
        }
        return S_OK;
    }
    std::vector<LoggedEvent> events()
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    // Waits for an event with the id (and stream, when not 0).
    bool waitFor(uint16_t id, ULONG stream = 0, std::chrono::milliseconds timeout = std::chrono::seconds(60))
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] {
            for (const auto& e : m_events)
                if (e.id == id && (stream == 0 || e.stream == stream))
                    return true;
            return false;
        });
    }

private:
    ISpVoice* m_voice;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<LoggedEvent> m_events;
};

inline ComPtr<ISpVoice> makeVoice()
{
    ComPtr<ISpVoice> voice;
    EXPECT_EQ(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice, voice.putVoid()), S_OK);
    return voice;
}

inline void listenToAll(ISpVoice* voice, EventCollector* collector)
{
    ULONGLONG all = kInterestFlagCheck | interestBit(kEventStartInputStream) | interestBit(kEventEndInputStream) |
                    interestBit(kEventWordBoundary) | interestBit(kEventBookmark);
    ASSERT_EQ(voice->SetNotifyCallbackInterface(collector, 0, 0), S_OK);
    ASSERT_EQ(voice->SetInterest(all, all), S_OK);
}

struct WavData {
    bool valid = false;
    uint32_t riffSize = 0, dataSize = 0, rate = 0;
    uint16_t channels = 0, bits = 0;
    std::vector<int16_t> samples;
    double seconds() const { return rate ? static_cast<double>(samples.size()) / rate : 0; }
    double rms() const
    {
        double sum = 0;
        for (int16_t s : samples)
            sum += double(s) * s;
        return samples.empty() ? 0 : std::sqrt(sum / samples.size());
    }
};

inline WavData readWav(const std::string& path)
{
    WavData w;
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 44 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF")
        return w;
    auto u32 = [&](size_t at) {
        return uint32_t(bytes[at]) | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
    };
    auto u16 = [&](size_t at) { return uint16_t(bytes[at] | bytes[at + 1] << 8); };
    w.riffSize = u32(4);
    w.channels = u16(22);
    w.rate = u32(24);
    w.bits = u16(34);
    w.dataSize = u32(40);
    w.valid = w.riffSize == bytes.size() - 8 && w.dataSize == bytes.size() - 44;
    for (size_t i = 44; i + 1 < bytes.size(); i += 2)
        w.samples.push_back(static_cast<int16_t>(u16(i)));
    return w;
}

} // namespace platformtest
