#pragma once

#include <string>

// What the other audio user found when it asked the audio library for a device.
struct AudioProbe {
    bool created = false;
    int openResult = 0;
    std::string why; // the library's explanation when open failed
};
