#include "MethodTable.h"

namespace oru::plugin {

namespace {

constexpr std::size_t kLineWidth = 73;

std::string padded(std::string_view line)
{
    std::string text(line);
    if (text.size() < kLineWidth)
        text.append(kLineWidth - text.size(), ' ');
    return text + '\n';
}

struct MethodLine {
    std::string_view name;
    std::string_view declaration; // including its leading tab or space; empty when none
    std::string_view description;
};

// Descriptions are the text hosts show to authors; keep them verbatim, spelling included.
constexpr MethodLine kMethodLines[] = {
    {"voiceCount", "", "Gives the number of available voices."},
    {"voiceGet", "",
     "Returns a property list describing the current voice. The property list will be formatted as "
     "[#name:string, #age:string, #gender:string, #index:integer]. Name, age and gender are determined by the "
     "voice engine. Index refers to the position of the voice in the list of voices."},
    {"voiceGetAll", "",
     "Returns a linear list of property lists. Each property list describes one voice. See voiceGet() for the "
     "property list description."},
    {"voiceGetPitch", "", "Gets the current pitch. The pitch range is determined by the voice."},
    {"voiceGetRate", "", "Gets the current speaking rate. The rate range is determined by the voice."},
    {"voiceGetVolume", "", "Gets the current volume. The volume range is determined by the voice."},
    {"voiceInitialize", "",
     "Returns true if successful, otherwise false. Determine if an appropriate speech interface is available on "
     "the system and loads it."},
    {"voicePause", "",
     "Returns true if successful, otherwise false. Pauses speaking. The exact moment of the pause is determined by "
     "the voice. Some voices may continue speaking for several seconds while flushing their buffer. Pausing can "
     "only occur if the voice is speaking."},
    {"voiceResume", "",
     "Returns true if successful, otherwise false. NOTES: Resumes speaking when the voice state is paused."},
    {"voiceSet", "\tinteger voiceIndex",
     "Sets a voice and returns the voice set. The range is 1...voiceCount(). Out of range values set the voice to "
     "the nearest value. The new voice is active with the next voiceSpeak call."},
    {"voiceSetPitch", " integer value",
     "Sets the pitch and returns indication of the pitch that was set. The range of acceptable values is "
     "determined by the voice. The new pitch is active with the next voiceSpeak call."},
    {"voiceSetRate", "\tinteger rate",
     "Sets the voice rate and returns indication of the rate that was set. The range of acceptable values is "
     "determined by the voice. The new rate is active with the next voiceSpeak call."},
    {"voiceSetVolume", " integer volume",
     "Sets the volume and returns indication of the new volume that was set. NOTES: The range of acceptable "
     "values is determined by the voice. The new rate is active with the next voiceSpeak call."},
    {"voiceSpeak", " string stringToSpeak",
     "Initiates the speaking of the string. If a previous string has not yet finished it will be terminated and "
     "the new string will begin. voiceSpeak overrides a pause."},
    {"voiceState", "", "Gives the symbol indicating the current status. States are: #stopped, #playing, #paused."},
    {"voiceStop", "",
     "Returns true if successful, otherwise false. Stop speaking, or pausing, and purge the current stream."},
    {"voiceWordPos", "",
     "Returns the word being processed. A value of 3 would indicate word 3 is currently being processed in the "
     "stream. Resets to zero when speech is completed."},
};
static_assert(std::size(kMethodLines) == kMethodNames.size());

std::string buildTable()
{
    const std::string rule(kLineWidth, '-');
    std::string text;
    text += rule + '\n';
    text += padded("-- SpeechVell: text-to-speech for authoring scripts");
    text += padded("-- Seventeen voice methods over the system's speech engine.");
    text += '\n';

    for (std::string_view line : {
             std::string_view(rule),
             std::string_view("-- NOTES:"),
             std::string_view("-- 1. Always check for the availability of speech on the system prior to"),
             std::string_view("--    calling speech handlers. It is safe to call them but if speech is"),
             std::string_view("--    not available a zero value will always be returned. Check for"),
             std::string_view("--    speech via voiceAvailable()."),
             std::string_view("-- 2. Issuing voiceAvailable() or voiceInitialize() will attempt to load"),
             std::string_view("--    the speech engine. If succesful the engine will remain loaded for"),
             std::string_view("--    the duration of the movie."),
             std::string_view("-- 3. If the engine cannot be succesfully load on the intial attempt, it"),
             std::string_view("--    will not allow additional attempts to be made."),
             std::string_view(rule),
         })
        text += padded(line);
    text += '\n';

    text += "new object me -- Not used.";
    text.append(15, '\t');
    text += "  \n";

    for (const MethodLine& line : kMethodLines) {
        // voiceCount carries one leading space, and voiceInitialize no trailing one.
        if (line.name == "voiceCount")
            text += ' ';
        text += "* ";
        text += line.name;
        text += line.declaration;
        text += " -- ";
        text += line.description;
        if (line.name != "voiceInitialize")
            text += ' ';
        text += '\n';
    }
    return text;
}

} // namespace

const std::string& methodTableText()
{
    static const std::string text = buildTable();
    return text;
}

} // namespace oru::plugin
