#include "AudioSink.h"

#include <pcaudiolib/audio.h>

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>

namespace platform {

void Pacer::add(size_t samples)
{
    if (m_speed <= 0)
        return;
    auto now = std::chrono::steady_clock::now();
    // After a pause or an underrun the clock restarts from now instead of catching up.
    if (m_next < now)
        m_next = now;
    m_next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(samples / (m_rate * m_speed)));
}

namespace {
void put32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void put16(unsigned char* p, uint16_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
} // namespace

// One per path for the rest of the process: a voice that comes later (another voice,
// a new SAPI 4 mode) appends instead of starting the file again.
class WavFile {
public:
    static std::shared_ptr<WavFile> open(const std::string& path, int sampleRate)
    {
        static std::mutex mutex;
        static auto& files = *new std::map<std::string, std::shared_ptr<WavFile>>; // never closed
        std::lock_guard lock(mutex);
        if (auto it = files.find(path); it != files.end())
            return it->second;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f)
            return nullptr;
        auto file = std::shared_ptr<WavFile>(new WavFile(f, sampleRate));
        file->updateHeader();
        files.emplace(path, file);
        return file;
    }

    void write(const int16_t* samples, size_t count)
    {
        // Little-endian hosts only, like the rest of the audio path.
        std::lock_guard lock(m_mutex);
        size_t written = std::fwrite(samples, sizeof(int16_t), count, m_file);
        m_dataBytes += static_cast<uint32_t>(written * sizeof(int16_t));
    }

    // Brings the RIFF sizes up to date and flushes, so the file is complete as it stands.
    void updateHeader()
    {
        std::lock_guard lock(m_mutex);
        unsigned char h[44] = {'R', 'I', 'F', 'F', 0,  0, 0, 0, 'W', 'A', 'V', 'E',
                               'f', 'm', 't', ' ', 16, 0, 0, 0, 1,   0,   1,   0};
        put32(h + 4, 36 + m_dataBytes);
        put32(h + 24, static_cast<uint32_t>(m_rate));
        put32(h + 28, static_cast<uint32_t>(m_rate * 2));
        put16(h + 32, 2);
        put16(h + 34, 16);
        h[36] = 'd', h[37] = 'a', h[38] = 't', h[39] = 'a';
        put32(h + 40, m_dataBytes);
        std::fseek(m_file, 0, SEEK_SET);
        std::fwrite(h, 1, sizeof h, m_file);
        std::fseek(m_file, 0, SEEK_END);
        std::fflush(m_file);
    }

private:
    WavFile(std::FILE* file, int sampleRate) : m_file(file), m_rate(sampleRate) {}
    std::mutex m_mutex;
    std::FILE* m_file;
    int m_rate;
    uint32_t m_dataBytes = 0;
};

std::unique_ptr<WavSink> WavSink::open(const std::string& path, int sampleRate, double speed)
{
    std::shared_ptr<WavFile> file = WavFile::open(path, sampleRate);
    if (!file)
        return nullptr;
    return std::unique_ptr<WavSink>(new WavSink(std::move(file), sampleRate, speed));
}

WavSink::~WavSink()
{
    m_file->updateHeader();
}

void WavSink::write(const int16_t* samples, size_t count)
{
    m_file->write(samples, count);
    m_pacer.add(count);
}

void WavSink::drain()
{
    m_file->updateHeader();
}

namespace {

class DeviceSink final : public AudioSink {
public:
    explicit DeviceSink(audio_object* object) : m_object(object) {}
    ~DeviceSink() override
    {
        audio_object_close(m_object);
        audio_object_destroy(m_object);
    }
    void write(const int16_t* samples, size_t count) override
    {
        audio_object_write(m_object, samples, count * sizeof(int16_t));
    }
    void flush() override { audio_object_flush(m_object); }
    void drain() override { audio_object_drain(m_object); }
    const char* kind() const override { return "device"; }

private:
    audio_object* m_object;
};

std::mutex g_configMutex;
std::optional<AudioConfig> g_override;
std::atomic<bool> g_warned{false};

void warnOnce(const std::string& what)
{
    if (!g_warned.exchange(true))
        std::fprintf(stderr, "speech: %s; using the null audio sink\n", what.c_str());
}

} // namespace

namespace {

// ALSA (under pcaudiolib) prints several lines when there is no card; the caller
// prints the one line that matters. Looked up at run time: ALSA is only an indirect
// dependency.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

class QuietAlsa {
public:
    QuietAlsa()
    {
        m_set = reinterpret_cast<int (*)(AlsaErrorHandler)>(dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler"));
        if (m_set)
            m_set(quietAlsa);
    }
    ~QuietAlsa()
    {
        if (m_set)
            m_set(nullptr); // ALSA's default handler
    }

private:
    int (*m_set)(AlsaErrorHandler) = nullptr;
};

} // namespace

std::unique_ptr<AudioSink> openDeviceSink(int sampleRate)
{
    QuietAlsa quiet;
    // Reaches pcaudiolib through the stand-in that keeps espeak away from the device
    // (NoEspeakDevice.cpp), which hands every other caller on.
    audio_object* object = create_audio_device_object(nullptr, "Speech", "Speech");
    if (!object)
        return nullptr;
    // pcaudiolib hands out an object even without a card; only open tells.
    if (audio_object_open(object, AUDIO_OBJECT_FORMAT_S16LE, sampleRate, 1) != 0) {
        audio_object_destroy(object);
        return nullptr;
    }
    return std::make_unique<DeviceSink>(object);
}

std::unique_ptr<AudioSink> openSink(const AudioConfig& config, int sampleRate)
{
    if (config.custom)
        if (auto sink = config.custom(sampleRate))
            return sink;
    const std::string& choice = config.choice;
    if (choice == "null")
        return std::make_unique<NullSink>(sampleRate, config.speed);
    if (choice.rfind("wav:", 0) == 0) {
        if (auto sink = WavSink::open(choice.substr(4), sampleRate, config.speed))
            return sink;
        warnOnce("cannot write " + choice.substr(4));
        return std::make_unique<NullSink>(sampleRate, config.speed);
    }
    if (choice == "auto" || choice.empty() || choice == "device") {
        if (auto sink = openDeviceSink(sampleRate))
            return sink;
        warnOnce("no sound device");
        return std::make_unique<NullSink>(sampleRate, config.speed);
    }
    warnOnce("unknown SPEECH_AUDIO value \"" + choice + "\"");
    return std::make_unique<NullSink>(sampleRate, config.speed);
}

AudioConfig currentAudioConfig()
{
    {
        std::lock_guard lock(g_configMutex);
        if (g_override)
            return *g_override;
    }
    AudioConfig config;
    if (const char* env = std::getenv("SPEECH_AUDIO"))
        config.choice = env;
    return config;
}

void setAudioConfigOverride(std::optional<AudioConfig> config)
{
    std::lock_guard lock(g_configMutex);
    g_override = std::move(config);
}

} // namespace platform
