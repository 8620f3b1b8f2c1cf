// espeak-ng 1.51 asks pcaudiolib for a sound-device object when it is initialised,
// whatever the output mode. That connects to the sound server (or opens the ALSA
// device) even where the output is null or a WAV file, and prints to standard error
// when the server refuses another user. Here espeak only synthesises: the objects it
// would get are never used. This definition is searched before pcaudiolib's (the
// program or module holding it comes first in espeak's symbol lookup), so espeak gets
// none.
//
// A host that loads the module with RTLD_GLOBAL puts this definition first for every
// later user of pcaudiolib in the process too (another plug-in, the host's own sound),
// and so does the device sink: every caller but espeak is handed on to pcaudiolib.
//
// Linked as an object file, not from the archive: a module built with
// --exclude-libs would otherwise hide it.

#include <pcaudiolib/audio.h>

#include <dlfcn.h>

namespace {

using CreateDeviceObject = audio_object* (*)(const char*, const char*, const char*);

// Base address of the loaded object holding `address`; null when none does.
const void* moduleOf(const void* address)
{
    Dl_info info{};
    return address != nullptr && dladdr(address, &info) != 0 ? info.dli_fbase : nullptr;
}

const void* synthesizerModule()
{
    static const void* const module = moduleOf(dlsym(RTLD_DEFAULT, "espeak_ng_InitializeOutput"));
    return module;
}

// pcaudiolib's own definition: looked up in the library, so never this one.
CreateDeviceObject pcaudioCreateDeviceObject()
{
    static const CreateDeviceObject create = [] {
        void* library = dlopen("libpcaudio.so.0", RTLD_NOW | RTLD_NOLOAD);
        void* symbol = library != nullptr ? dlsym(library, "create_audio_device_object") : nullptr;
        return reinterpret_cast<CreateDeviceObject>(symbol); // the handle is kept on purpose
    }();
    return create;
}

} // namespace

extern "C" __attribute__((visibility("default"), noinline)) audio_object*
create_audio_device_object(const char* device, const char* application, const char* description)
{
    const void* caller = moduleOf(__builtin_extract_return_addr(__builtin_return_address(0)));
    if (caller != nullptr && caller == synthesizerModule())
        return nullptr;
    CreateDeviceObject create = pcaudioCreateDeviceObject();
    return create != nullptr ? create(device, application, description) : nullptr;
}
