#pragma once
// The text conversion both engines use before speaking.

#include "Com.h"

// The script text (system code page) as a task-memory UTF-16 text, freed with CoTaskMemFree;
// null when the text is null or the allocation fails.
platform::WCHAR* toWide(const char* text);
