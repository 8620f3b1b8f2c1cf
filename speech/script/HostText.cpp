#include "HostText.h"

#include "TextCoding.h"

namespace oru::plugin {

std::string hostTextToUtf8(std::string_view text)
{
    return speechtext::isUtf8(text) ? std::string(text) : speechtext::cp1252ToUtf8(text);
}

} // namespace oru::plugin
