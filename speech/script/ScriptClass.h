#pragma once

#include "HostAbi.h"
#include "InterfaceObject.h"

#include <cstddef>

namespace oru::plugin {

// The plug-in's part of a script class instance; it follows the host part.
struct ScriptInstance {
    IOruScriptValues* values;
    IOruScriptLists* lists;
    IOruValueUtils* utils;
    uint8_t engineLoaded; // loadEngine has succeeded for this instance
    IOruNotifier* notifier;
};
static_assert(sizeof(void*) != 8 || sizeof(ScriptInstance) == 40);
static_assert(sizeof(void*) != 8 || sizeof(InstanceHostPart) + sizeof(ScriptInstance) == 64);

constexpr uint32_t kScriptInstanceSize = sizeof(InstanceHostPart) + sizeof(ScriptInstance);

inline ScriptInstance* scriptInstance(void* instance) noexcept
{
    return reinterpret_cast<ScriptInstance*>(static_cast<char*>(instance) + sizeof(InstanceHostPart));
}

int32_t scriptInit(void* instance);
int32_t scriptFinalize(void* instance);
// True from a script class init to its finalize: only such an instance has a
// ScriptInstance behind its host part.
bool isScriptInstance(const void* instance) noexcept;

class SpeechVellScript_IOruMmXScript final : public InterfaceObject<SpeechVellScript_IOruMmXScript, IOruMmXScript> {
public:
    SpeechVellScript_IOruMmXScript() = default;
    ~SpeechVellScript_IOruMmXScript();
    int32_t construct() noexcept;
    int32_t Call(CallInfo* info) noexcept override;

private:
    int32_t dispatch(ScriptInstance& self, CallInfo& info);
    int32_t copyVoiceList(ScriptInstance& self, Value* result);

    Value m_voiceList{0};
    IOruNotificationClient* m_notificationClient = nullptr;
};

class SpeechVellScript_IOruNotificationClient final
    : public InterfaceObject<SpeechVellScript_IOruNotificationClient, IOruNotificationClient> {
public:
    int32_t Notify(const Guid* id, void* data, void* reference) noexcept override;
};

} // namespace oru::plugin
