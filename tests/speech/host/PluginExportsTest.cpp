#include "PluginTestSupport.h"

#include "ClassTable.h"
#include "Codes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using namespace plugintest;
namespace code = oru::code;
namespace iid = oru::iid;
using oru::plugin::kRegistrationClassId;
using oru::plugin::kScriptClassId;

void* const kSentinel = reinterpret_cast<void*>(0xdeadbeef);

class PluginExports : public ::testing::Test {
protected:
    void SetUp() override { loadBuiltPlugin(host); }
    void TearDown() override
    {
        EXPECT_EQ(host.exports().canUnloadNow(), code::kOk);
        expectHostBalanced(host);
    }
    const speechhost::PluginExports& e() { return host.exports(); }

    Host host;
};

TEST_F(PluginExports, ClassInfoIsSevenPackedRecordsFromTheAllocator)
{
    oru::ClassInfoRecord* records = nullptr;
    ASSERT_EQ(e().getClassInfo(&host.allocator, &records), code::kOk);
    ASSERT_NE(records, nullptr);
    EXPECT_EQ(host.allocator.allocations(), 1u);
    EXPECT_EQ(host.allocator.outstanding(), 1u);

    const Guid zero{};
    const struct {
        Guid classId;
        Guid iid;
    } expected[] = {
        {kRegistrationClassId, iid::kClassInfoFirst},
        {kRegistrationClassId, iid::kRegister},
        {kRegistrationClassId, iid::kMmTerminator},
        {kScriptClassId, iid::kClassInfoFirst},
        {kScriptClassId, iid::kMmXScript},
        {kScriptClassId, iid::kNotificationClient},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].classId, expected[i].classId);
        EXPECT_EQ(records[i].interfaceId, expected[i].iid);
        EXPECT_EQ(records[i].classVersion, 1u);
        EXPECT_EQ(records[i].interfaceVersion, 1u);
    }
    const unsigned char* closing = reinterpret_cast<const unsigned char*>(&records[6]);
    EXPECT_EQ(std::vector<unsigned char>(closing, closing + 40), std::vector<unsigned char>(40, 0));
    EXPECT_EQ(records[6].classId, zero);
    host.allocator.free(records);
}

TEST_F(PluginExports, ClassInfoReportsAllocationFailure)
{
    oru::ClassInfoRecord* records = static_cast<oru::ClassInfoRecord*>(kSentinel);
    host.allocator.failAll(true);
    EXPECT_EQ(e().getClassInfo(&host.allocator, &records), code::kOutOfMemory);
    EXPECT_EQ(records, nullptr);
    EXPECT_EQ(e().getClassInfo(nullptr, &records), code::kOutOfMemory);
}

TEST_F(PluginExports, ClassFormGivesSizesAndRoutines)
{
    struct Case {
        Guid classId;
        int32_t result;
        uint32_t size;
    } cases[] = {
        {kRegistrationClassId, code::kOk, 24},
        {kScriptClassId, code::kOk, 64},
        {iid::kMmXScript, code::kNoClass, 0xAAAA}, // an interface id is no class id
        {Guid{}, code::kNoClass, 0xAAAA},
    };
    for (const Case& c : cases) {
        uint32_t size = 0xAAAA;
        oru::InitFn init = nullptr;
        oru::FinalizeFn finalize = nullptr;
        EXPECT_EQ(e().getClassForm(&c.classId, &size, &init, &finalize), c.result) << guidText(c.classId);
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(init != nullptr, c.result == code::kOk);
        EXPECT_EQ(finalize != nullptr, c.result == code::kOk);
    }
    EXPECT_EQ(e().getClassForm(nullptr, nullptr, nullptr, nullptr), code::kNoClass);
}

TEST_F(PluginExports, ClassObjectIsNeverOffered)
{
    void* out = kSentinel;
    EXPECT_EQ(e().getClassObject(&kScriptClassId, &iid::kMmXScript, &out), code::kNoClass);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(e().getClassObject(nullptr, nullptr, nullptr), code::kNoClass);
}

TEST_F(PluginExports, GetInterfaceMatchesClassAndInterface)
{
    void* registration = nullptr;
    void* script = nullptr;
    ASSERT_EQ(host.createInstance(kRegistrationClassId, &registration), code::kOk);
    ASSERT_EQ(host.createInstance(kScriptClassId, &script), code::kOk);

    struct Case {
        void* instance;
        const Guid* classId;
        Guid iid;
        int32_t result;
    } cases[] = {
        {registration, nullptr, iid::kRegister, code::kOk},
        {registration, nullptr, iid::kMmTerminator, code::kOk},
        {script, nullptr, iid::kMmXScript, code::kOk},
        {script, nullptr, iid::kNotificationClient, code::kOk},
        {registration, &kRegistrationClassId, iid::kMmTerminator, code::kOk},
        {script, &kScriptClassId, iid::kNotificationClient, code::kOk},
        {script, &kScriptClassId, iid::kRegister, code::kNoInterface},
        {registration, &kRegistrationClassId, iid::kMmXScript, code::kNoInterface},
        // A registration instance has nothing behind its host part for a script interface.
        {registration, nullptr, iid::kMmXScript, code::kNoInterface},
        {registration, nullptr, iid::kNotificationClient, code::kNoInterface},
        {script, nullptr, iid::kAppInfo, code::kNoInterface},
        {script, &iid::kMmXScript, iid::kMmXScript, code::kNoInterface},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(guidText(c.iid));
        void* out = kSentinel;
        EXPECT_EQ(e().getInterface(c.instance, c.classId, &c.iid, &out), c.result);
        if (c.result == code::kOk) {
            ASSERT_NE(out, nullptr);
            EXPECT_NE(out, kSentinel);
            static_cast<oru::IOruUnknown*>(out)->Release();
        } else {
            EXPECT_EQ(out, nullptr);
        }
    }
    oru::instanceUnknown(registration)->Release();
    oru::instanceUnknown(script)->Release();
    // Finalized, the script instance is none any more: its memory may be another instance's by now.
    void* out = kSentinel;
    EXPECT_EQ(e().getInterface(script, nullptr, &iid::kMmXScript, &out), code::kNoInterface);
    EXPECT_EQ(out, nullptr);
}

TEST_F(PluginExports, ReferenceCountsFollowTheInstance)
{
    void* instance = nullptr;
    ASSERT_EQ(host.createInstance(kRegistrationClassId, &instance), code::kOk);
    EXPECT_EQ(refsOfInstance(instance), 1u);
    EXPECT_EQ(e().canUnloadNow(), code::kOk);

    void* out = nullptr;
    ASSERT_EQ(oru::instanceUnknown(instance)->QueryInterface(&iid::kRegister, &out), code::kOk);
    auto* reg = static_cast<oru::IOruRegister*>(out);
    // The object holds the instance twice: once for being alive, once per reference.
    EXPECT_EQ(refsOfInstance(instance), 3u);
    EXPECT_EQ(e().canUnloadNow(), code::kObjectsAlive);

    EXPECT_EQ(reg->AddRef(), 2u);
    EXPECT_EQ(refsOfInstance(instance), 4u);

    // QueryInterface goes to the instance and yields a second object.
    void* terminator = kSentinel;
    ASSERT_EQ(reg->QueryInterface(&iid::kMmTerminator, &terminator), code::kOk);
    ASSERT_NE(terminator, out);
    EXPECT_EQ(refsOfInstance(instance), 6u);
    void* none = kSentinel;
    EXPECT_EQ(reg->QueryInterface(&iid::kMmXScript, &none), code::kNoInterface);
    EXPECT_EQ(none, nullptr);

    EXPECT_EQ(static_cast<oru::IOruMmTerminator*>(terminator)->Terminate(), code::kOk);
    EXPECT_EQ(static_cast<oru::IOruMmTerminator*>(terminator)->Release(), 0u);
    EXPECT_EQ(refsOfInstance(instance), 4u);
    EXPECT_EQ(reg->Release(), 1u);
    EXPECT_EQ(refsOfInstance(instance), 3u);
    EXPECT_EQ(host.allocator.outstanding(), 1u);
    EXPECT_EQ(e().canUnloadNow(), code::kObjectsAlive);
    EXPECT_EQ(reg->Release(), 0u);
    EXPECT_EQ(refsOfInstance(instance), 1u);
    EXPECT_EQ(host.allocator.outstanding(), 0u);
    EXPECT_EQ(e().canUnloadNow(), code::kOk);
    EXPECT_EQ(oru::instanceUnknown(instance)->Release(), 0u);
}

TEST_F(PluginExports, ObjectsKeepTheirInstanceAliveAfterTheHostLetsGo)
{
    void* instance = nullptr;
    ASSERT_EQ(host.createInstance(kScriptClassId, &instance), code::kOk);
    void* out = nullptr;
    ASSERT_EQ(oru::instanceUnknown(instance)->QueryInterface(&iid::kMmXScript, &out), code::kOk);
    oru::instanceUnknown(instance)->Release();
    EXPECT_EQ(host.liveInstances(), 1u);
    EXPECT_EQ(static_cast<oru::IOruUnknown*>(out)->Release(), 0u);
    EXPECT_EQ(host.liveInstances(), 0u);
}

// Runs a whole create sequence; every step tolerates failure. Returns how many
// allocations it asked for.
uint64_t createSequence(Host& host)
{
    std::vector<oru::IOruUnknown*> objects;
    void* registration = nullptr;
    void* script = nullptr;
    const auto query = [&](void* instance, const Guid& iid) {
        void* out = kSentinel;
        const int32_t result = oru::instanceUnknown(instance)->QueryInterface(&iid, &out);
        EXPECT_TRUE(result == code::kOk || result == code::kOutOfMemory) << result;
        if (result == code::kOk) {
            EXPECT_NE(out, nullptr);
            objects.push_back(static_cast<oru::IOruUnknown*>(out));
        } else {
            EXPECT_EQ(out, nullptr);
        }
        return result == code::kOk ? out : nullptr;
    };
    if (host.createInstance(kRegistrationClassId, &registration) == code::kOk) {
        if (void* reg = query(registration, iid::kRegister)) {
            const int32_t result = static_cast<oru::IOruRegister*>(reg)->Register(&host.registry, nullptr);
            EXPECT_TRUE(result == code::kOk || result == code::kOutOfMemory) << result;
        }
        if (void* terminator = query(registration, iid::kMmTerminator))
            static_cast<oru::IOruMmTerminator*>(terminator)->Terminate();
    }
    if (host.createInstance(kScriptClassId, &script) == code::kOk) {
        query(script, iid::kMmXScript);
        query(script, iid::kNotificationClient);
        query(script, iid::kMmXScript);
    }
    EXPECT_EQ(host.exports().canUnloadNow(), objects.empty() ? code::kOk : code::kObjectsAlive);
    for (oru::IOruUnknown* object : objects)
        object->Release();
    for (void* instance : {registration, script}) {
        if (instance != nullptr) {
            EXPECT_EQ(oru::instanceUnknown(instance)->Release(), 0u);
        }
    }
    return host.allocator.allocations();
}

TEST(PluginAllocation, EveryFailingAllocationIsCleanedUp)
{
    uint64_t total = 0;
    {
        Host host;
        loadBuiltPlugin(host);
        total = createSequence(host);
        expectHostBalanced(host);
    }
    ASSERT_GE(total, 6u); // two register objects, the table buffer, three script objects and a notification client
    for (uint64_t n = 1; n <= total; ++n) {
        SCOPED_TRACE(n);
        Host host;
        loadBuiltPlugin(host);
        host.allocator.failAt(n);
        createSequence(host);
        EXPECT_EQ(host.exports().canUnloadNow(), code::kOk);
        expectHostBalanced(host);
    }
}

TEST(PluginAllocation, OutOfMemoryHandlerIsCalledAndRetried)
{
    Host host;
    loadBuiltPlugin(host);
    static Host* current = nullptr;
    static int handlerCalls = 0;
    current = &host;
    handlerCalls = 0;
    host.allocator.failAll(true);
    // The handler "frees memory" by letting the allocator succeed again.
    std::new_handler previous = std::set_new_handler([] {
        ++handlerCalls;
        if (handlerCalls == 2)
            current->allocator.failAll(false);
    });
    void* instance = nullptr;
    ASSERT_EQ(host.createInstance(kRegistrationClassId, &instance), code::kOk);
    void* out = nullptr;
    const int32_t result = oru::instanceUnknown(instance)->QueryInterface(&iid::kRegister, &out);
    std::set_new_handler(previous);
    EXPECT_EQ(result, code::kOk);
    EXPECT_EQ(handlerCalls, 2);
    ASSERT_NE(out, nullptr);
    static_cast<oru::IOruUnknown*>(out)->Release();
    oru::instanceUnknown(instance)->Release();
    expectHostBalanced(host);
}

// ---- registration

TEST_F(PluginExports, RegisterStoresTheMethodTableByteForByte)
{
    std::string error;
    ASSERT_EQ(host.registerPlugin(error), code::kOk) << error;
    EXPECT_EQ(host.registrationClassId(), kRegistrationClassId);
    EXPECT_EQ(host.scriptClassId(), kScriptClassId);

    const auto& dictionaries = host.registry.dictionaries();
    ASSERT_EQ(dictionaries.size(), 2u);
    EXPECT_EQ(dictionaries[0]->classId, kRegistrationClassId);
    EXPECT_EQ(dictionaries[0]->iid, iid::kMmTerminator);
    EXPECT_TRUE(dictionaries[0]->entries.empty());
    EXPECT_EQ(dictionaries[1]->classId, kScriptClassId);
    EXPECT_EQ(dictionaries[1]->iid, iid::kMmXScript);

    const std::string expected = readFile(SPEECH_TEST_DATA "/msgTable.txt");
    ASSERT_FALSE(expected.empty());
    const EntryValue* table = host.registry.find(kScriptClassId, "msgTable");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->type, 9u);
    EXPECT_EQ(table->bytes, expected);
    EXPECT_LT(table->bytes.size() + 1, 4190u);

    const EntryValue* safe = host.registry.find(kScriptClassId, "safeForPlorix");
    ASSERT_NE(safe, nullptr);
    EXPECT_EQ(safe->type, 6u);
    EXPECT_EQ(safe->bytes, std::string(1, '\1'));
    EXPECT_EQ(host.shutdown(), code::kOk);
}

TEST_F(PluginExports, MethodsAreNumberedFromTheTable)
{
    std::string error;
    ASSERT_EQ(host.registerPlugin(error), code::kOk) << error;
    const std::vector<std::string> expected{
        "voiceCount",      "voiceGet",   "voiceGetAll", "voiceGetPitch", "voiceGetRate",  "voiceGetVolume",
        "voiceInitialize", "voicePause", "voiceResume", "voiceSet",      "voiceSetPitch", "voiceSetRate",
        "voiceSetVolume",  "voiceSpeak", "voiceState",  "voiceStop",     "voiceWordPos"};
    EXPECT_EQ(host.methods(), expected);
    EXPECT_EQ(host.methodNumber("voiceCount"), 1);
    EXPECT_EQ(host.methodNumber("voiceWordPos"), 17);
    EXPECT_EQ(host.methodNumber("voiceAvailable"), 0);
    host.shutdown();
}

struct RegisterFailure {
    const char* name;
    void (*arrange)(Host&);
    int32_t result;
};

// By name: the bytes gtest would print include the padding, which memory checkers flag.
[[maybe_unused]] void PrintTo(const RegisterFailure& failure, std::ostream* out)
{
    *out << failure.name;
}

class RegisterFailures : public ::testing::TestWithParam<RegisterFailure> {};

TEST_P(RegisterFailures, ReturnTheCodeAndLeaveNothingBehind)
{
    Host host;
    loadBuiltPlugin(host);
    void* instance = nullptr;
    ASSERT_EQ(host.createInstance(kRegistrationClassId, &instance), code::kOk);
    void* out = nullptr;
    ASSERT_EQ(oru::instanceUnknown(instance)->QueryInterface(&iid::kRegister, &out), code::kOk);
    GetParam().arrange(host);
    EXPECT_EQ(static_cast<oru::IOruRegister*>(out)->Register(&host.registry, nullptr), GetParam().result);
    EXPECT_EQ(host.appInfo.refs(), 0u);
    EXPECT_EQ(host.allocator.outstanding(), 1u); // only the register object itself
    static_cast<oru::IOruUnknown*>(out)->Release();
    oru::instanceUnknown(instance)->Release();
    EXPECT_EQ(host.exports().canUnloadNow(), code::kOk);
    expectHostBalanced(host);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, RegisterFailures,
    ::testing::Values(
        RegisterFailure{"AppInfoRefused",
                        [](Host& h) {
                            h.hostLink.refusals.push_back({iid::kAppInfo, static_cast<int32_t>(0x8004ABCDu)});
                        },
                        static_cast<int32_t>(0x8004ABCDu)},
        RegisterFailure{"AppInfoNull",
                        [](Host& h) {
                            h.hostLink.refusals.push_back({iid::kAppInfo, 0});
                        },
                        code::kOutOfMemory},
        RegisterFailure{"FirstEntry", [](Host& h) { h.registry.failAddAt = 1; }, kRefused},
        RegisterFailure{"SecondEntry", [](Host& h) { h.registry.failAddAt = 2; }, kRefused},
        RegisterFailure{"Buffer", [](Host& h) { h.allocator.failAt(h.allocator.allocations() + 1); },
                        code::kOutOfMemory},
        RegisterFailure{"MsgTablePut", [](Host& h) { h.registry.failKey = "msgTable"; }, kRefused},
        RegisterFailure{"SafePut", [](Host& h) { h.registry.failKey = "safeForPlorix"; }, kRefused},
        RegisterFailure{"Succeeds", [](Host&) {}, code::kOk}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
