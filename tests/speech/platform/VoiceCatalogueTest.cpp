// The voice list: its order and names from a given listing, and over the real
// synthesizer the same list on both speech layers, each voice speaking its own language.

#include "PlatformTestSupport.h"

#include "Sapi4Engine.h"
#include "Sapi5Engine.h"
#include "Synthesizer.h"
#include "VoiceCatalogue.h"

#include <functional>
#include <set>
#include <thread>

using namespace platformtest;
using namespace std::chrono_literals;

namespace {

std::vector<std::string> namesOf(const std::vector<VoiceDescription>& voices)
{
    std::vector<std::string> names;
    for (const VoiceDescription& v : voices)
        names.push_back(utf16ToUtf8(v.name));
    return names;
}

const std::vector<ListedVoice> kVariants = {
    {"!v/klatt", "klatt", 1, 0}, {"!v/f1", "female1", 2, 70}, {"!v/f3", "female3", 2, 0}, {"!v/m1", "male1", 1, 70}};

// Shuffled, with home languages missing (Arabic, Ukrainian, ...), two files of the same
// name in different folders, an mbrola voice and accented names.
const std::vector<ListedVoice> kLanguages = {
    {"roa/pt-BR", "Portuguese (Brazil)"},
    {"gmq/nb", "Norwegian Bokm\u00E5l"},
    {"sit/cmn", "Chinese (Mandarin, latin)"},
    {"bbb/zz", "Zed"},
    {"trk/tr", "Turkish"},
    {"gmw/en-US", "English (America)"},
    {"mb/mb-nl2", "nl2"},
    {"poz/mi", "M\u0101ori"},
    {"gmw/nl", "Dutch"},
    {"roa/pap", "Papiamento"},
    {"roa/fr", "French (France)"},
    {"aaa/zz", "Zed"},
    {"zlw/pl", "Polish"},
    {"gmw/af", "Afrikaans"},
    {"sem/am", "Amharic"},
    {"gmw/de", "German"},
    {"gmw/en", "English (Great Britain)"},
};

TEST(VoiceCatalogue, FixedVoicesThenHomeLanguagesThenTheRestByCode)
{
    std::vector<VoiceDescription> voices = voiceCatalogue(kLanguages, kVariants);
    std::vector<std::string> expected = {
        "Dutch Male", "Dutch Female", "Dutch Senior Male", "Dutch Senior Female", "English (Great Britain) Male",
        "English (Great Britain) Female", "English (America) Male", "English (America) Female", "German Male",
        "German Female", "French Male", "French Female",
        // Home languages in their order; the missing ones keep no slot.
        "Turkish Male (tr)", "Turkish Female (tr)", "Polish Male (pl)", "Polish Female (pl)", "Papiamento Male (pap)",
        "Papiamento Female (pap)", "Amharic Male (am)", "Amharic Female (am)", "Chinese (Mandarin) Male (cmn)",
        "Chinese (Mandarin) Female (cmn)",
        // The rest by code; a code two files share goes by the whole identifier.
        "Zed Male (aaa/zz)", "Zed Female (aaa/zz)", "Afrikaans Male (af)", "Afrikaans Female (af)", "Zed Male (bbb/zz)",
        "Zed Female (bbb/zz)", "Maori Male (mi)", "Maori Female (mi)", "Norwegian Bokmal Male (nb)",
        "Norwegian Bokmal Female (nb)", "Portuguese (Brazil) Male (pt-BR)", "Portuguese (Brazil) Female (pt-BR)"};
    EXPECT_EQ(namesOf(voices), expected);

    // Each pair is the plain voice and its female variant, keyed apart.
    std::set<std::string> keys;
    for (size_t i = 12; i + 1 < voices.size(); i += 2) {
        const VoiceDescription& male = voices[i];
        const VoiceDescription& female = voices[i + 1];
        EXPECT_EQ(female.espeakName, male.espeakName + "+f3") << utf16ToUtf8(male.name);
        EXPECT_EQ(male.espeakName.find('+'), std::string::npos) << utf16ToUtf8(male.name);
        EXPECT_EQ(male.gender, 1);
        EXPECT_EQ(female.gender, 2);
        EXPECT_EQ(male.age, 0);
        EXPECT_EQ(female.age, 0);
    }
    for (const VoiceDescription& v : voices)
        EXPECT_TRUE(keys.insert(v.key).second) << v.key;
    EXPECT_EQ(voices[12].espeakName, "trk/tr");
    EXPECT_EQ(voices[12].languageId, 0x041F);
}

TEST(VoiceCatalogue, WithoutTheFemaleVariantEachLanguageIsMaleOnly)
{
    std::vector<ListedVoice> noFemale = {{"!v/m1", "male1", 1, 70}};
    std::vector<VoiceDescription> voices =
        voiceCatalogue({{"gmw/nl", "Dutch"}, {"gmw/af", "Afrikaans"}, {"trk/tr", "Turkish"}}, noFemale);
    EXPECT_EQ(namesOf(voices), (std::vector<std::string>{"Dutch Male", "Dutch Senior Male", "Turkish Male (tr)",
                                                         "Afrikaans Male (af)"}));
    EXPECT_TRUE(voiceCatalogue({}, kVariants).empty());
}

TEST(VoiceCatalogue, AsciiNames)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Norwegian Bokm\u00E5l", "Norwegian Bokmal"},
        {"M\u0101ori", "Maori"},
        {"\u00C6r\u00F8 Stra\u00DFe \u0152uvre", "AEro Strasse OEuvre"},
        {"\u017D\u00FCrich \u0141\u00F3d\u017A \u00FF", "Zurich Lodz y"},
        {"\u4E2D\u6587 Chinese", " Chinese"},                 // no ASCII form: left out
        {"bad \xC3 byte \xFF end\xE2\x82", "bad  byte  end"}, // broken UTF-8 never spills bytes
        {"over\xC1\xAClong \xE0\x83\x80", "overlong "},       // overlong forms are no letters
        {"tab\there", "tabhere"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(asciiName(in), out) << in;
}

// ---- Over the real synthesizer ----

struct LayerVoice {
    std::string name, age, gender;
};

std::vector<LayerVoice> engineVoices(SpeechEngine& engine)
{
    VoiceInfo head;
    EXPECT_TRUE(engine.fillVoiceList(&head));
    std::vector<LayerVoice> out;
    for (VoiceInfo* v = &head; v; v = v->next)
        out.push_back({utf16ToUtf8(v->name), utf16ToUtf8(v->age), utf16ToUtf8(v->gender)});
    while (VoiceInfo* next = head.next) {
        head.next = next->next;
        delete next;
    }
    return out;
}

// The first twelve, byte for byte through the host: speechhost_end_to_end.sh.
TEST(VoiceCatalogue, BothLayersListTheSameVoices)
{
    ScopedAudio audio(AudioConfig{"null", 0, {}});
    Sapi5Engine sapi5;
    Sapi4Engine sapi4;
    ASSERT_TRUE(sapi5.isReady() && sapi4.isReady());
    std::vector<LayerVoice> five = engineVoices(sapi5), four = engineVoices(sapi4);
    ASSERT_EQ(five.size(), Synthesizer::instance().voices().size());
    ASSERT_EQ(four.size(), five.size());
    ASSERT_GT(five.size(), 12u);

    std::set<std::string> names;
    for (size_t i = 0; i < five.size(); ++i) {
        const std::string& name = five[i].name;
        EXPECT_EQ(four[i].name, name) << "voice " << i + 1;
        EXPECT_TRUE(names.insert(name).second) << "twice: " << name;
        EXPECT_TRUE(std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) << name;
        if (i < 12)
            continue;
        EXPECT_EQ(name.back(), ')') << name;
        EXPECT_EQ(five[i].age, "Adult") << name;
        EXPECT_EQ(four[i].age, "Adult") << name;
        EXPECT_EQ(five[i].gender, i % 2 == 0 ? "Male" : "Female") << name;
        EXPECT_EQ(four[i].gender, five[i].gender) << name;
    }
    int32_t last = static_cast<int32_t>(five.size());
    for (SpeechEngine* engine : {static_cast<SpeechEngine*>(&sapi5), static_cast<SpeechEngine*>(&sapi4)}) {
        EXPECT_EQ(engine->setVoice(last), last);
        EXPECT_EQ(engine->getVoice(), last);
    }
}

struct EngineCase {
    const char* name;
    std::function<std::unique_ptr<SpeechEngine>()> make;
};

class VoiceSpeaking : public testing::TestWithParam<EngineCase> {};

// Median voice pitch in hertz: per 40 ms frame with sound, the lag of the strongest
// autocorrelation between 80 and 400 Hz.
double medianPitch(const std::vector<int16_t>& s, int rate)
{
    const size_t frame = static_cast<size_t>(rate) / 25, minLag = static_cast<size_t>(rate) / 400,
                 maxLag = static_cast<size_t>(rate) / 80;
    std::vector<double> pitches;
    for (size_t at = 0; at + frame + maxLag <= s.size(); at += frame) {
        double energy = 0;
        for (size_t i = 0; i < frame; ++i)
            energy += double(s[at + i]) * s[at + i];
        if (energy < frame * 500.0 * 500.0)
            continue;
        double best = 0;
        size_t bestLag = 0;
        for (size_t lag = minLag; lag <= maxLag; ++lag) {
            double sum = 0;
            for (size_t i = 0; i < frame; ++i)
                sum += double(s[at + i]) * s[at + i + lag];
            if (sum > best) {
                best = sum;
                bestLag = lag;
            }
        }
        if (bestLag && best > 0.5 * energy)
            pitches.push_back(double(rate) / bestLag);
    }
    if (pitches.empty())
        return 0;
    std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
    return pitches[pitches.size() / 2];
}

// The home languages this machine's synthesizer has: each Female voice is spoken with the
// female variant, clearly higher than its Male voice. The synthesizer is not
// deterministic from one text to the next, so the sound is compared by its pitch.
TEST_P(VoiceSpeaking, EveryHomeLanguageFemaleVoiceSpeaksHigherThanItsMale)
{
    auto log = std::make_shared<SinkLog>();
    ScopedAudio audio(recordingConfig(log, 0));
    std::unique_ptr<SpeechEngine> engine = GetParam().make();
    ASSERT_TRUE(engine->isReady());
    const auto& voices = Synthesizer::instance().voices();
    int pairs = 0;
    for (const char* code :
         {"tr", "ar", "pl", "pap", "uk", "ku", "fa", "am", "om", "es", "pt", "ru", "ro", "bg", "cmn"}) {
        std::string suffix = std::string(" (") + code + ")";
        auto found = std::find_if(voices.begin(), voices.end(),
                                  [&](const VoiceDescription& v) { return utf16ToUtf8(v.name).ends_with(suffix); });
        if (found == voices.end())
            continue;
        int32_t male = static_cast<int32_t>(found - voices.begin()) + 1;
        double pitch[2] = {};
        for (int32_t n : {male, male + 1}) {
            ASSERT_EQ(engine->setVoice(n), n);
            ASSERT_EQ(engine->getVoice(), n);
            size_t before = log->total();
            ASSERT_TRUE(engine->speak("Goedemorgen, hoe gaat het met jullie vandaag?"));
            auto deadline = Clock::now() + 60s;
            while ((engine->getState() != EngineState::Stopped || log->total() == before) && Clock::now() < deadline)
                std::this_thread::sleep_for(1ms);
            ASSERT_EQ(engine->getState(), EngineState::Stopped) << "voice " << n;
            std::lock_guard lock(log->mutex);
            pitch[n - male] = medianPitch(
                std::vector<int16_t>(log->samples.begin() + static_cast<std::ptrdiff_t>(before), log->samples.end()),
                Synthesizer::instance().sampleRate());
        }
        EXPECT_GT(pitch[0], 60) << code;
        EXPECT_GT(pitch[1], pitch[0] * 1.3) << code << ": male " << pitch[0] << " Hz, female " << pitch[1] << " Hz";
        ++pairs;
    }
    EXPECT_GE(pairs, 2);
}

INSTANTIATE_TEST_SUITE_P(Layers, VoiceSpeaking,
                         testing::Values(EngineCase{"sapi5", [] { return std::make_unique<Sapi5Engine>(); }},
                                         EngineCase{"sapi4", [] { return std::make_unique<Sapi4Engine>(); }}),
                         [](const auto& info) { return info.param.name; });

} // namespace
