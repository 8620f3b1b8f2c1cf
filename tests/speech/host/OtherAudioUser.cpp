// Another user of pcaudiolib in the host's process, loaded after the plug-in: its
// calls are bound by the dynamic linker like any plug-in's.

#include "OtherAudioUser.h"

#include <pcaudiolib/audio.h>

extern "C" __attribute__((visibility("default"))) void probeAudioDevice(AudioProbe* probe)
{
    audio_object* object = create_audio_device_object(nullptr, "other", "another audio user");
    probe->created = object != nullptr;
    if (object == nullptr)
        return;
    probe->openResult = audio_object_open(object, AUDIO_OBJECT_FORMAT_S16LE, 22050, 1);
    if (probe->openResult == 0)
        audio_object_close(object);
    else if (const char* why = audio_object_strerror(object, probe->openResult))
        probe->why = why;
    audio_object_destroy(object);
}
