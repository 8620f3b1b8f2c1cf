#pragma once

#include <string>
#include <string_view>

namespace oru::plugin {

// A text from the host in the system code page (UTF-8). Courses made on Windows hand
// over Windows-1252 bytes instead: a text that is not valid UTF-8 is read as that.
std::string hostTextToUtf8(std::string_view text);

} // namespace oru::plugin
