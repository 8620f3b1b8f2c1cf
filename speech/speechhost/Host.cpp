#include "Host.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <new>

namespace speechhost {

// ---- plug-in module

std::unique_ptr<PluginModule> PluginModule::open(const std::string& path, std::string& error)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle == nullptr) {
        const char* why = dlerror();
        error = "cannot load " + path + ": " + (why ? why : "unknown error");
        return nullptr;
    }
    std::unique_ptr<PluginModule> module(new PluginModule());
    module->m_handle = handle;
    PluginExports& e = module->m_exports;
    e.getClassForm = reinterpret_cast<oru::DllGetClassFormFn>(dlsym(handle, "DllGetClassForm"));
    e.getClassInfo = reinterpret_cast<oru::DllGetClassInfoFn>(dlsym(handle, "DllGetClassInfo"));
    e.getInterface = reinterpret_cast<oru::DllGetInterfaceFn>(dlsym(handle, "DllGetInterface"));
    e.getClassObject = reinterpret_cast<oru::DllGetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
    e.canUnloadNow = reinterpret_cast<oru::DllCanUnloadNowFn>(dlsym(handle, "DllCanUnloadNow"));
    if (!e.getClassForm || !e.getClassInfo || !e.getInterface || !e.getClassObject || !e.canUnloadNow) {
        error = path + " is not a plug-in: an entry point is missing";
        return nullptr;
    }
    return module;
}

PluginModule::~PluginModule()
{
    if (m_handle != nullptr)
        dlclose(m_handle);
}

std::vector<std::string> parseMethodTable(std::string_view text)
{
    std::vector<std::string> names;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] != '*')
            continue;
        line = line.substr(first + 1);
        const std::size_t nameStart = line.find_first_not_of(" \t");
        if (nameStart == std::string_view::npos)
            continue;
        line = line.substr(nameStart);
        names.emplace_back(line.substr(0, line.find_first_of(" \t\r")));
    }
    return names;
}

std::string programDirectory()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return {};
    std::string exe(path, static_cast<std::size_t>(n));
    const std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

// ---- class instances

namespace {

// Bookkeeping placed just before every instance the host hands out.
struct alignas(16) InstancePrefix {
    Host* host;
    Guid classId;
    oru::FinalizeFn finalize;
    uint32_t refs;
};

} // namespace

// The host's IOruUnknown at offset 0 of every class instance: a bare vtable
// pointer, its state lives in the prefix.
class InstanceUnknown final : public oru::IOruUnknown {
public:
    int32_t QueryInterface(const Guid* iid, void** out) noexcept override
    {
        if (out == nullptr || iid == nullptr)
            return kBadArgument;
        *out = nullptr;
        if (*iid == oru::iid::kUnknown) {
            AddRef();
            *out = this;
            return 0;
        }
        InstancePrefix* p = prefix();
        return p->host->m_exports.getInterface(this, &p->classId, iid, out);
    }
    uint32_t AddRef() noexcept override { return ++prefix()->refs; }
    uint32_t Release() noexcept override
    {
        InstancePrefix* p = prefix();
        const uint32_t refs = --p->refs;
        if (refs == 0)
            destroy(p);
        return refs;
    }

    static void destroy(InstancePrefix* p) noexcept
    {
        if (p->finalize != nullptr)
            p->finalize(reinterpret_cast<char*>(p) + sizeof(InstancePrefix));
        --p->host->m_liveInstances;
        ::operator delete(p, std::align_val_t(alignof(InstancePrefix)));
    }

private:
    InstancePrefix* prefix() noexcept
    {
        return reinterpret_cast<InstancePrefix*>(reinterpret_cast<char*>(this) - sizeof(InstancePrefix));
    }
};
static_assert(sizeof(InstanceUnknown) == sizeof(void*));

Host::Host() = default;

Host::~Host()
{
    shutdown();
}

bool Host::load(const std::string& path, std::string& error)
{
    m_module = PluginModule::open(path, error);
    if (!m_module)
        return false;
    m_exports = m_module->exports();
    return true;
}

int32_t Host::createInstance(const Guid& classId, void** instance)
{
    if (instance == nullptr)
        return kBadArgument;
    *instance = nullptr;
    uint32_t size = 0;
    oru::InitFn init = nullptr;
    oru::FinalizeFn finalize = nullptr;
    int32_t result = m_exports.getClassForm(&classId, &size, &init, &finalize);
    if (result != 0)
        return result;
    if (size < sizeof(oru::InstanceHostPart))
        return kBadValue;

    const std::size_t total = sizeof(InstancePrefix) + size;
    auto* p =
        static_cast<InstancePrefix*>(::operator new(total, std::align_val_t(alignof(InstancePrefix)), std::nothrow));
    if (p == nullptr)
        return kBadValue;
    std::memset(static_cast<void*>(p), 0, total);
    p->host = this;
    p->classId = classId;
    p->finalize = finalize;
    p->refs = 1;
    char* object = reinterpret_cast<char*>(p) + sizeof(InstancePrefix);
    new (object) InstanceUnknown();
    auto* part = oru::hostPart(object);
    part->hostLink = &hostLink;
    part->allocator = &allocator;
    ++m_liveInstances;

    result = init != nullptr ? init(object) : 0;
    if (result != 0) {
        InstanceUnknown::destroy(p); // runs finalize too
        return result;
    }
    *instance = object;
    return 0;
}

int32_t Host::registerPlugin(std::string& error)
{
    oru::ClassInfoRecord* records = nullptr;
    int32_t result = m_exports.getClassInfo(&allocator, &records);
    if (result != 0 || records == nullptr) {
        error = "the plug-in gave no class information";
        return result != 0 ? result : kBadValue;
    }
    bool haveRegistration = false, haveScript = false;
    for (const oru::ClassInfoRecord* r = records; r->classVersion != 0 || r->interfaceVersion != 0; ++r) {
        const Guid classId = r->classId;
        const Guid iid = r->interfaceId;
        if (iid == oru::iid::kRegister) {
            m_registrationClass = classId;
            haveRegistration = true;
        } else if (iid == oru::iid::kMmXScript) {
            m_scriptClass = classId;
            haveScript = true;
        }
    }
    allocator.free(records);
    if (!haveRegistration || !haveScript) {
        error = "the plug-in offers no registration or no script class";
        return kBadValue;
    }

    result = createInstance(m_registrationClass, &m_registration);
    if (result != 0) {
        error = "cannot create the registration instance";
        return result;
    }
    void* reg = nullptr;
    result = oru::instanceUnknown(m_registration)->QueryInterface(&oru::iid::kRegister, &reg);
    if (result != 0 || reg == nullptr) {
        error = "the registration class has no IOruRegister";
        return result != 0 ? result : kBadValue;
    }
    static int pluginDict = 0; // an opaque handle the plug-in passes back to the cache
    result = static_cast<oru::IOruRegister*>(reg)->Register(&registry, &pluginDict);
    static_cast<oru::IOruRegister*>(reg)->Release();
    if (result != 0) {
        error = "Register failed";
        return result;
    }
    const EntryValue* table = registry.find(m_scriptClass, "msgTable");
    if (table == nullptr || table->type != oru::kEntryText) {
        error = "the plug-in registered no method table";
        return kBadValue;
    }
    m_msgTable = table->bytes;
    m_methods = parseMethodTable(m_msgTable);
    return 0;
}

int32_t Host::createScript()
{
    int32_t result = createInstance(m_scriptClass, &m_scriptInstance);
    if (result != 0)
        return result;
    void* script = nullptr;
    result = oru::instanceUnknown(m_scriptInstance)->QueryInterface(&oru::iid::kMmXScript, &script);
    if (result != 0)
        return result;
    if (script == nullptr)
        return kBadValue;
    m_script = static_cast<oru::IOruMmXScript*>(script);
    return 0;
}

int32_t Host::methodNumber(std::string_view name) const noexcept
{
    for (std::size_t i = 0; i < m_methods.size(); ++i) {
        if (m_methods[i] == name)
            return static_cast<int32_t>(i + 1);
    }
    return 0;
}

int32_t Host::call(int32_t method, const std::vector<Value>& args, Value& result)
{
    if (m_script == nullptr)
        return kBadValue;
    // The plug-in reads args[0] whatever the count; give it an integer 0 when there is none.
    std::vector<Value> slots = args;
    if (slots.empty())
        slots.push_back(store.integer(0));
    oru::CallInfo info{method, store.integer(0), static_cast<int32_t>(args.size()), slots.data()};
    const int32_t code = m_script->Call(&info);
    result = info.result;
    return code;
}

void Host::notifyStop()
{
    notifier.notify(oru::notification::kStop, nullptr);
}

int32_t Host::shutdown()
{
    if (m_shutDown || !m_exports.canUnloadNow)
        return 0;
    m_shutDown = true;
    if (m_script != nullptr)
        std::exchange(m_script, nullptr)->Release();
    if (m_scriptInstance != nullptr)
        oru::instanceUnknown(std::exchange(m_scriptInstance, nullptr))->Release();
    if (m_registration != nullptr) {
        void* terminator = nullptr;
        if (oru::instanceUnknown(m_registration)->QueryInterface(&oru::iid::kMmTerminator, &terminator) == 0 &&
            terminator != nullptr) {
            static_cast<oru::IOruMmTerminator*>(terminator)->Terminate();
            static_cast<oru::IOruMmTerminator*>(terminator)->Release();
        }
        oru::instanceUnknown(std::exchange(m_registration, nullptr))->Release();
    }
    return m_exports.canUnloadNow();
}

} // namespace speechhost
