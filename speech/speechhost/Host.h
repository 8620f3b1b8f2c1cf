#pragma once

// A small authoring host: loads a plug-in, registers it, numbers its script
// methods from the method table and calls them on one script instance.

#include "HostAbi.h"
#include "HostServices.h"
#include "HostValues.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace speechhost {

struct PluginExports {
    oru::DllGetClassFormFn getClassForm = nullptr;
    oru::DllGetClassInfoFn getClassInfo = nullptr;
    oru::DllGetInterfaceFn getInterface = nullptr;
    oru::DllGetClassObjectFn getClassObject = nullptr;
    oru::DllCanUnloadNowFn canUnloadNow = nullptr;
};

// A loaded plug-in module. It stays mapped after close (RTLD_NODELETE): code of
// a plug-in may still be referenced by leak reports or late callbacks.
class PluginModule {
public:
    static std::unique_ptr<PluginModule> open(const std::string& path, std::string& error);
    ~PluginModule();
    const PluginExports& exports() const noexcept { return m_exports; }

private:
    PluginModule() = default;
    void* m_handle = nullptr;
    PluginExports m_exports;
};

// Numbered methods from a method-table text: lines whose first non-blank
// character is "*", in order; the first word after it is the name.
std::vector<std::string> parseMethodTable(std::string_view text);

// The directory of the running program ("" when unknown).
std::string programDirectory();

class Host {
public:
    Host();
    ~Host(); // shutdown() if not done
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    void useExports(const PluginExports& exports) noexcept { m_exports = exports; }
    bool load(const std::string& path, std::string& error);
    const PluginExports& exports() const noexcept { return m_exports; }

    // A class instance: allocated with the host part, zero-filled, init run
    // (finalize also after a failed init). Owned through its IOruUnknown.
    int32_t createInstance(const Guid& classId, void** instance);

    // Finds the two classes from the class information, creates the
    // registration instance, calls Register and reads the method table.
    int32_t registerPlugin(std::string& error);
    int32_t createScript(); // script instance + its IOruMmXScript
    int32_t call(int32_t method, const std::vector<Value>& args, Value& result);
    void notifyStop();
    // Releases the script objects, calls Terminate, releases the registration
    // instance; returns DllCanUnloadNow's answer (0 when everything was freed).
    int32_t shutdown();

    const std::vector<std::string>& methods() const noexcept { return m_methods; }
    int32_t methodNumber(std::string_view name) const noexcept; // 0 when unknown
    const std::string& msgTable() const noexcept { return m_msgTable; }
    const Guid& registrationClassId() const noexcept { return m_registrationClass; }
    const Guid& scriptClassId() const noexcept { return m_scriptClass; }
    oru::IOruMmXScript* script() const noexcept { return m_script; }
    std::size_t liveInstances() const noexcept { return m_liveInstances; }

    ValueStore store;
    CountingAllocator allocator;
    ScriptValues values{store};
    ScriptLists lists{store};
    ValueUtils utils{store};
    Notifier notifier;
    AppInfo appInfo;
    RegistryCache registry;
    HostLink hostLink{values, lists, utils, notifier, appInfo};

private:
    friend class InstanceUnknown;
    std::unique_ptr<PluginModule> m_module;
    PluginExports m_exports;
    Guid m_registrationClass{};
    Guid m_scriptClass{};
    void* m_registration = nullptr;
    void* m_scriptInstance = nullptr;
    oru::IOruMmXScript* m_script = nullptr;
    std::vector<std::string> m_methods;
    std::string m_msgTable;
    std::size_t m_liveInstances = 0;
    bool m_shutDown = false;
};

} // namespace speechhost
