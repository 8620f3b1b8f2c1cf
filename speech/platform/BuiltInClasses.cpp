#include "Objects.h"
#include "Sapi4.h"
#include "Sapi5.h"

namespace platform {

void registerBuiltInClasses(std::string_view layers)
{
    bool sapi5 = false, sapi4 = false;
    while (!layers.empty()) {
        size_t comma = layers.find(',');
        std::string_view item = layers.substr(0, comma);
        layers = comma == std::string_view::npos ? std::string_view{} : layers.substr(comma + 1);
        while (!item.empty() && item.front() == ' ')
            item.remove_prefix(1);
        while (!item.empty() && item.back() == ' ')
            item.remove_suffix(1);
        sapi5 = sapi5 || item == "sapi5";
        sapi4 = sapi4 || item == "sapi4";
    }
    if (sapi5) {
        registerClass(CLSID_SpVoice, createSpVoice);
        registerClass(CLSID_SpObjectTokenCategory, createTokenCategory);
    }
    if (sapi4) {
        registerClass(CLSID_TTSEnumerator, createTtsEnumerator);
        registerClass(CLSID_MMAudioDest, createMMAudioDest);
    }
}

} // namespace platform
