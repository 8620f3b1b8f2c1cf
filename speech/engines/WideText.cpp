#include "WideText.h"

using namespace platform;

WCHAR* toWide(const char* text)
{
    if (!text)
        return nullptr;
    int n = lstrlenA(text);
    auto* buffer = static_cast<WCHAR*>(CoTaskMemAlloc(2 * static_cast<size_t>(n) + 2));
    if (!buffer)
        return nullptr;
    buffer[0] = 0; // a failed conversion leaves an empty text, not garbage
    MultiByteToWideChar(CP_ACP, 0, text, -1, buffer, n + 1);
    return buffer;
}
