#include "Player.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace platform {

void keepModuleMapped()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&keepModuleMapped), &info) && info.dli_fname)
            dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE); // kept open on purpose
    });
}

namespace {
int16_t scaled(int16_t sample, double gain)
{
    if (gain == 1.0)
        return sample;
    return static_cast<int16_t>(std::clamp(std::lround(sample * gain), -32768L, 32767L));
}
} // namespace

bool AudioStream::append(const int16_t* samples, size_t count, double gain)
{
    std::unique_lock lock(m_core->mutex);
    m_core->changed.wait(
        lock, [&] { return cancelled() || m_core->stopping || m_synthesized - m_played < m_core->maxAhead; });
    if (cancelled() || m_core->stopping)
        return false;
    for (size_t i = 0; i < count; ++i)
        m_pcm.push_back(samples ? scaled(samples[i], gain) : 0);
    m_synthesized += count;
    m_core->changed.notify_all();
    return true;
}

bool AudioStream::appendSilence(size_t count)
{
    static const size_t step = 2205;
    while (count > 0) {
        size_t n = std::min(count, step);
        if (!append(nullptr, n, 1.0))
            return false;
        count -= n;
    }
    return true;
}

void AudioStream::addMarker(Marker marker)
{
    std::lock_guard lock(m_core->mutex);
    if (!m_markers.empty())
        marker.sample = std::max(marker.sample, m_markers.back().sample);
    m_markers.push_back(std::move(marker));
    m_core->changed.notify_all();
}

void AudioStream::finish()
{
    std::lock_guard lock(m_core->mutex);
    m_finished = true;
    m_core->changed.notify_all();
}

uint64_t AudioStream::synthesized() const
{
    std::lock_guard lock(m_core->mutex);
    return m_synthesized;
}

Player::Player(Listener* listener, AudioConfig config, int sampleRate)
    : m_listener(listener), m_config(std::move(config)), m_rate(sampleRate), m_core(std::make_shared<PlayerCore>())
{
    m_core->maxAhead = static_cast<size_t>(sampleRate) * kMaxAheadMs / 1000;
    keepModuleMapped();
    m_thread = std::thread([this] { run(); });
}

Player::~Player()
{
    shutdown();
}

void Player::shutdown()
{
    {
        std::lock_guard lock(m_core->mutex);
        m_core->stopping = true;
        for (auto& s : m_core->queue)
            s->m_cancelled.store(true, std::memory_order_release);
        m_core->queue.clear();
        m_core->changed.notify_all();
    }
    if (m_thread.joinable())
        m_thread.join();
}

std::shared_ptr<AudioStream> Player::newStream(uint32_t id, bool silent)
{
    auto stream = std::make_shared<AudioStream>(m_core, id);
    stream->m_silent = stream->m_finished = silent;
    std::lock_guard lock(m_core->mutex);
    m_core->queue.push_back(stream);
    return stream;
}

void Player::start(const std::shared_ptr<AudioStream>& stream)
{
    // Held across the deliveries, so the audio thread cannot report the end first.
    std::lock_guard delivery(m_delivery);
    bool startsNow = false, endsNow = false;
    {
        std::lock_guard lock(m_core->mutex);
        stream->m_silentUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(kChunkMs);
        startsNow = !stream->cancelled() && !m_core->queue.empty() && m_core->queue.front() == stream;
        // An empty text never counts as speaking: it ends here, held from the audio thread.
        endsNow = startsNow && stream->m_silent;
        stream->m_held = endsNow;
        stream->m_started = stream->m_started || startsNow;
        m_core->changed.notify_all();
    }
    if (startsNow)
        deliver(stream, Marker{Marker::Kind::StreamStart, 0, 0, 0, 0, {}});
    if (!endsNow)
        return;
    {
        std::lock_guard lock(m_core->mutex);
        stream->m_held = false;
        endsNow = !stream->cancelled() && !m_core->queue.empty() && m_core->queue.front() == stream;
        if (endsNow) {
            m_core->queue.pop_front();
            ++m_core->ending;
        }
        m_core->changed.notify_all();
    }
    if (!endsNow)
        return;
    deliver(stream, Marker{Marker::Kind::StreamEnd, 0, 0, 0, 0, {}});
    std::lock_guard lock(m_core->mutex);
    --m_core->ending;
    m_core->changed.notify_all();
}

void Player::setPaused(bool paused)
{
    std::lock_guard lock(m_core->mutex);
    m_core->paused = paused;
    m_core->changed.notify_all();
}

bool Player::paused() const
{
    std::lock_guard lock(m_core->mutex);
    return m_core->paused;
}

void Player::purge()
{
    // Waits for a marker being delivered, so none of a purged stream follows.
    std::lock_guard delivery(m_delivery);
    std::lock_guard lock(m_core->mutex);
    for (auto& s : m_core->queue)
        s->m_cancelled.store(true, std::memory_order_release);
    if (!m_core->queue.empty() && m_core->queue.front()->m_started)
        m_core->flushPending = true;
    m_core->queue.clear();
    m_core->changed.notify_all();
}

void Player::barrier()
{
    std::lock_guard delivery(m_delivery);
}

bool Player::idle() const
{
    std::lock_guard lock(m_core->mutex);
    return std::all_of(m_core->queue.begin(), m_core->queue.end(), [](const auto& s) { return s->m_silent; });
}

bool Player::waitUntilIdle(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_core->mutex);
    return m_core->changed.wait_for(lock, timeout, [&] { return m_core->queue.empty() && m_core->ending == 0; });
}

void Player::setGain(double gain)
{
    m_gain.store(std::clamp(gain, 0.0, 1.0));
}

std::string Player::sinkKind() const
{
    std::lock_guard lock(m_core->mutex);
    return m_core->sinkKind;
}

std::pair<uint32_t, uint64_t> Player::position() const
{
    std::lock_guard lock(m_core->mutex);
    if (m_core->queue.empty())
        return {0, 0};
    return {m_core->queue.front()->id(), m_core->queue.front()->m_played};
}

void Player::deliver(const std::shared_ptr<AudioStream>& stream, const Marker& marker)
{
    std::lock_guard delivery(m_delivery);
    if (!stream->cancelled())
        m_listener->onMarker(stream->id(), marker);
}

void Player::run()
{
    const size_t chunkSamples = static_cast<size_t>(m_rate) * kChunkMs / 1000;
    std::vector<int16_t> chunk;
    PlayerCore& core = *m_core;
    std::unique_lock lock(core.mutex);
    while (!core.stopping) {
        if (core.flushPending) {
            core.flushPending = false;
            lock.unlock();
            if (m_sink)
                m_sink->flush();
            lock.lock();
            continue;
        }
        if (core.paused || core.queue.empty()) {
            core.changed.wait(lock);
            continue;
        }
        std::shared_ptr<AudioStream> s = core.queue.front();
        if (s->m_held) {
            core.changed.wait(lock);
            continue;
        }
        if (!s->m_silent && !m_sink) {
            lock.unlock();
            auto sink = openSink(m_config, m_rate);
            lock.lock();
            m_sink = std::move(sink);
            core.sinkKind = m_sink->kind();
            continue;
        }
        if (!s->m_started) {
            s->m_started = true;
            lock.unlock();
            deliver(s, Marker{Marker::Kind::StreamStart, 0, 0, 0, 0, {}});
            lock.lock();
            continue;
        }
        if (!s->m_markers.empty() && s->m_markers.front().sample <= s->m_played) {
            Marker m = std::move(s->m_markers.front());
            s->m_markers.pop_front();
            lock.unlock();
            deliver(s, m);
            lock.lock();
            continue;
        }
        if (!s->m_pcm.empty()) {
            // Chunks end at the next marker so that it fires when its sample is reached.
            size_t n = std::min(chunkSamples, s->m_pcm.size());
            if (!s->m_markers.empty())
                n = std::min<uint64_t>(n, s->m_markers.front().sample - s->m_played);
            chunk.assign(s->m_pcm.begin(), s->m_pcm.begin() + static_cast<std::ptrdiff_t>(n));
            s->m_pcm.erase(s->m_pcm.begin(), s->m_pcm.begin() + static_cast<std::ptrdiff_t>(n));
            lock.unlock();
            double gain = m_gain.load();
            for (int16_t& sample : chunk)
                sample = scaled(sample, gain);
            m_sink->write(chunk.data(), chunk.size());
            m_undrained = true;
            lock.lock();
            // The chunk plays until then; a purge or shutdown does not wait for it.
            core.changed.wait_until(lock, m_sink->playedBy(), [&] { return core.stopping || core.flushPending; });
            s->m_played += n;
            core.changed.notify_all();
            continue;
        }
        if (s->m_finished) {
            if (s->m_silent && std::chrono::steady_clock::now() < s->m_silentUntil) {
                core.changed.wait_until(lock, s->m_silentUntil);
                continue;
            }
            if (!s->m_markers.empty()) { // markers past the last sample
                s->m_markers.front().sample = s->m_played;
                continue;
            }
            // Draining is only worth it when sound went out since the last time.
            bool last = core.queue.size() == 1 && m_undrained;
            Marker end{Marker::Kind::StreamEnd, s->m_played, 0, 0, 0, {}};
            if (last) {
                lock.unlock();
                m_sink->drain();
                m_undrained = false;
                lock.lock();
                if (core.queue.empty() || core.queue.front() != s)
                    continue; // purged while draining
            }
            // Off the queue before the end is reported, so a status read from the
            // notification already says done; waitUntilIdle still waits for it.
            core.queue.pop_front();
            ++core.ending;
            lock.unlock();
            deliver(s, end);
            lock.lock();
            --core.ending;
            core.changed.notify_all();
            continue;
        }
        core.changed.wait(lock); // the synthesizer has not caught up yet
    }
}

} // namespace platform
