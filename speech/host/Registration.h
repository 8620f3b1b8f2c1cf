#pragma once

#include "HostAbi.h"
#include "InterfaceObject.h"

namespace oru::plugin {

int32_t registrationInit(void* instance);
int32_t registrationFinalize(void* instance);

// The header line that precedes the method table under "msgTable".
const char* registrationHeader() noexcept;
constexpr uint32_t kMsgTableBufferSize = 4190;

class SpeechVellRegister_IOruRegister final : public InterfaceObject<SpeechVellRegister_IOruRegister, IOruRegister> {
public:
    int32_t Register(IOruRegistryCache* cache, void* pluginDict) noexcept override;
};

class SpeechVellRegister_IOruMmTerminator final
    : public InterfaceObject<SpeechVellRegister_IOruMmTerminator, IOruMmTerminator> {
public:
    int32_t Terminate() noexcept override;
};

} // namespace oru::plugin
