// espeak-ng 1.51 asks pcaudiolib for a sound-device object when it is initialised,
// whatever the output mode. That connects to the sound server (or opens the ALSA
// device) even where the output is null or a WAV file, and prints to standard error
// when the server refuses another user. Here espeak only synthesises: the objects it
// would get are never used. This definition is searched before pcaudiolib's (the
// program or module holding it comes first in espeak's symbol lookup), so espeak gets
// none. The device sink calls pcaudiolib's own function (AudioSink.cpp).
//
// Linked as an object file, not from the archive: a module built with
// --exclude-libs would otherwise hide it.

#include <pcaudiolib/audio.h>

extern "C" __attribute__((visibility("default"))) audio_object* create_audio_device_object(const char*, const char*,
                                                                                           const char*) {
    return nullptr;
}
