#include "Synthesizer.h"

#include "Com.h"
#include "TextCoding.h"

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace platform {

namespace {

// The words of a job's text as its caller wrote them: runs of units between blanks,
// across fragments (a tag between two letters does not split a word). The synthesizer
// may speak one such word as several (numbers, abbreviations); it still counts once.
struct TextWords {
    struct Span {
        uint32_t start = 0;   // source offset of the first unit
        uint32_t trimmed = 0; // end without trailing punctuation
        uint32_t end = 0;
    };
    std::vector<Span> spans;
    // Per fragment, per unit: the word it belongs to; a blank belongs to the next word.
    std::vector<std::vector<uint32_t>> wordOfUnit;
};

bool trailingPunctuation(char16_t c)
{
    return std::u16string_view(u".,;:!?)]}\"'\u00BB\u2019\u201D\u2026").find(c) != std::u16string_view::npos;
}

TextWords findWords(const std::vector<Fragment>& fragments)
{
    TextWords words;
    words.wordOfUnit.resize(fragments.size());
    bool inWord = false;
    for (size_t f = 0; f < fragments.size(); ++f) {
        const Fragment& fragment = fragments[f];
        if (fragment.kind != Fragment::Kind::Text)
            continue;
        std::vector<uint32_t>& wordOf = words.wordOfUnit[f];
        for (size_t i = 0; i < fragment.text.size(); ++i) {
            char16_t unit = fragment.text[i];
            if (isBlank(std::u16string_view(&unit, 1))) {
                inWord = false;
                wordOf.push_back(static_cast<uint32_t>(words.spans.size()));
                continue;
            }
            uint32_t at = fragment.offsets[i], after = fragment.offsets[i + 1];
            if (!inWord)
                words.spans.push_back({at, at, after});
            inWord = true;
            TextWords::Span& span = words.spans.back();
            span.end = after;
            if (!trailingPunctuation(unit))
                span.trimmed = after;
            wordOf.push_back(static_cast<uint32_t>(words.spans.size() - 1));
        }
    }
    return words;
}

// Where the text of the fragment being synthesised stands; used by the callback.
struct Current {
    SynthJob* job = nullptr;
    const Fragment* fragment = nullptr;
    const std::vector<uint32_t>* wordOfUnit = nullptr; // of the fragment
    std::vector<uint32_t> unitOfCodePoint;             // code point index -> UTF-16 index in the fragment
    uint64_t base = 0;                                 // stream samples before this fragment
    TextWords words;
    uint32_t wordsReported = 0;
    bool cancelled = false;
};

// Synthesizer thread only. On the heap and never freed: the thread may still be
// synthesising while the process runs its exit handlers.
Current& g_current = *new Current;

uint32_t sourceOffset(const Fragment& f, const std::vector<uint32_t>& unitOf, int codePoint)
{
    size_t cp = std::min<size_t>(static_cast<size_t>(std::max(codePoint, 0)), unitOf.size() - 1);
    return f.offsets[std::min<size_t>(unitOf[cp], f.offsets.size() - 1)];
}

// One marker per word of the text, numbered from 1 in `value`: the synthesizer's word
// at code point `cp` reports the text's word it lies in, once, together with any word
// before it that the synthesizer passed over without a word of its own.
void addWords(Current& c, uint64_t sample, size_t cp, uint32_t position)
{
    const std::vector<uint32_t>& wordOf = *c.wordOfUnit;
    if (wordOf.empty())
        return;
    uint32_t word = wordOf[std::min<size_t>(c.unitOfCodePoint[cp], wordOf.size() - 1)];
    for (; c.wordsReported <= word && c.wordsReported < c.words.spans.size(); ++c.wordsReported) {
        const TextWords::Span& span = c.words.spans[c.wordsReported];
        Marker m;
        m.kind = Marker::Kind::Word;
        m.sample = sample;
        m.position = c.wordsReported == word ? std::clamp(position, span.start, span.end) : span.start;
        uint32_t end = span.trimmed > m.position ? span.trimmed : span.end;
        m.length = end > m.position ? end - m.position : 0;
        m.value = c.wordsReported + 1;
        c.job->stream->addMarker(std::move(m));
    }
}

int synthCallback(short* wav, int count, espeak_EVENT* events)
{
    Current& c = g_current;
    if (!c.job || c.cancelled)
        return 1;
    AudioStream& stream = *c.job->stream;
    for (espeak_EVENT* e = events; e && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
        if (e->type != espeakEVENT_WORD && e->type != espeakEVENT_SENTENCE)
            continue;
        int cp = e->text_position - 1; // 1-based code points
        if (cp < 0 || static_cast<size_t>(cp) + 1 >= c.unitOfCodePoint.size())
            continue;
        uint32_t position = sourceOffset(*c.fragment, c.unitOfCodePoint, cp);
        if (e->type == espeakEVENT_WORD) {
            addWords(c, c.base + static_cast<uint64_t>(std::max(e->sample, 0)), static_cast<size_t>(cp), position);
            continue;
        }
        uint32_t end = sourceOffset(*c.fragment, c.unitOfCodePoint, cp + std::max(e->length, 0));
        Marker m;
        m.kind = Marker::Kind::Sentence;
        m.sample = c.base + static_cast<uint64_t>(std::max(e->sample, 0));
        m.position = position;
        m.length = end > position ? end - position : 0;
        stream.addMarker(std::move(m));
    }
    if (wav && count > 0 && !stream.append(wav, static_cast<size_t>(count), c.fragment->gain))
        c.cancelled = true;
    if (stream.cancelled())
        c.cancelled = true;
    return c.cancelled ? 1 : 0;
}

std::string toUtf8WithMap(const std::u16string& text, std::vector<uint32_t>& unitOf)
{
    std::string out;
    unitOf.clear();
    for (size_t i = 0; i < text.size();) {
        unitOf.push_back(static_cast<uint32_t>(i));
        speechtext::appendUtf8(out, speechtext::decodeUtf16(text, i));
    }
    unitOf.push_back(static_cast<uint32_t>(text.size()));
    return out;
}

// espeak_Initialize goes on after a failure, answering a sample rate as if all were well
// and printing espeak's own message. This start tells failure apart and says why in one
// line. Returns the sample rate, or 0 when the synthesizer cannot speak.
int startEspeak()
{
    espeak_ng_InitializePath(nullptr); // ESPEAK_DATA_PATH, else the installed data
    espeak_ng_ERROR_CONTEXT context = nullptr;
    espeak_ng_STATUS status = espeak_ng_Initialize(&context);
    if (status == ENS_OK)
        status = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 50, nullptr);
    if (status == ENS_OK) {
        espeak_ng_ClearErrorContext(&context);
        return espeak_ng_GetSampleRate();
    }
    char* reason = nullptr;
    size_t length = 0;
    if (std::FILE* text = open_memstream(&reason, &length)) {
        espeak_ng_PrintStatusCodeMessage(status, text, context); // names the file it could not read
        std::fclose(text);
    }
    while (length > 0 && (reason[length - 1] == '\n' || reason[length - 1] == '.'))
        reason[--length] = 0;
    std::fprintf(stderr, "speech: the synthesizer cannot start, so there is no speech (%s)\n",
                 reason && *reason ? reason : "espeak-ng failed");
    std::free(reason);
    espeak_ng_ClearErrorContext(&context);
    return 0;
}

} // namespace

struct Synthesizer::State {
    std::mutex mutex;
    std::condition_variable changed;
    bool ready = false;
    bool available = false;
    int sampleRate = 22050;
    std::vector<VoiceDescription> voices;
    std::deque<SynthJob> jobs;
    std::string currentVoice;
    std::thread thread;

    void run();
    void initialise();
    void synthesise(SynthJob& job);
};

Synthesizer::Synthesizer() : m_state(new State)
{
    keepModuleMapped();
    m_state->thread = std::thread([s = m_state] { s->run(); });
    // Lives as long as the process; it is never joined or terminated.
    m_state->thread.detach();
}

Synthesizer& Synthesizer::instance()
{
    static Synthesizer* instance = new Synthesizer;
    return *instance;
}

const std::vector<VoiceDescription>& Synthesizer::voices()
{
    std::unique_lock lock(m_state->mutex);
    m_state->changed.wait(lock, [&] { return m_state->ready; });
    return m_state->voices;
}

bool Synthesizer::available()
{
    voices();
    return m_state->available;
}

int Synthesizer::sampleRate()
{
    voices();
    return m_state->sampleRate;
}

void Synthesizer::submit(SynthJob job)
{
    std::lock_guard lock(m_state->mutex);
    m_state->jobs.push_back(std::move(job));
    m_state->changed.notify_all();
}

void Synthesizer::State::initialise()
{
    int rate = startEspeak();
    std::vector<VoiceDescription> list;
    if (rate > 0) {
        espeak_SetSynthCallback(synthCallback);
        std::vector<ListedVoice> languages, variants;
        listSynthesizerVoices(languages, variants);
        list = voiceCatalogue(languages, variants);
    }
    std::lock_guard lock(mutex);
    available = rate > 0;
    if (rate > 0)
        sampleRate = rate;
    voices = std::move(list);
    ready = true;
    changed.notify_all();
}

void Synthesizer::State::run()
{
    initialise();
    for (;;) {
        SynthJob job;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return !jobs.empty(); });
            job = std::move(jobs.front());
            jobs.pop_front();
        }
        synthesise(job);
        job.stream->finish();
    }
}

void Synthesizer::State::synthesise(SynthJob& job)
{
    AudioStream& stream = *job.stream;
    g_current = Current{};
    g_current.job = &job;
    g_current.words = findWords(job.fragments);
    for (size_t index = 0; index < job.fragments.size(); ++index) {
        const Fragment& f = job.fragments[index];
        if (stream.cancelled() || g_current.cancelled)
            break;
        switch (f.kind) {
        case Fragment::Kind::Silence:
            if (!stream.appendSilence(static_cast<size_t>(f.silenceMs) * sampleRate / 1000))
                g_current.cancelled = true;
            continue;
        case Fragment::Kind::Bookmark: {
            Marker m;
            m.kind = Marker::Kind::Bookmark;
            m.sample = stream.synthesized();
            m.position = f.offsets.empty() ? 0 : f.offsets.front();
            m.value = f.bookmarkValue;
            m.name = f.bookmark;
            stream.addMarker(std::move(m));
            continue;
        }
        case Fragment::Kind::Text:
            break;
        }
        if (!available || isBlank(f.text))
            continue;
        std::string voice = job.voice.empty() && !voices.empty() ? voices.front().espeakName : job.voice;
        if (voice != currentVoice && espeak_SetVoiceByName(voice.c_str()) == EE_OK)
            currentVoice = voice;
        // Set after the voice: selecting a voice resets the parameters.
        espeak_SetParameter(espeakRATE, f.wpm, 0);
        espeak_SetParameter(espeakPITCH, f.pitch, 0);
        espeak_SetParameter(espeakVOLUME, 100, 0);
        std::string utf8 = toUtf8WithMap(f.text, g_current.unitOfCodePoint);
        g_current.fragment = &f;
        g_current.wordOfUnit = &g_current.words.wordOfUnit[index];
        g_current.base = stream.synthesized();
        espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    }
    g_current = Current{};
}

} // namespace platform
