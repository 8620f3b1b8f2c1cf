#include "PlatformTestSupport.h"

#include <cstdlib>

using namespace platformtest;

namespace {

constexpr CLSID kFakeClass{0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
void* const kSentinel = reinterpret_cast<void*>(0xdeadbeef);

struct Counter final : ComObject<IAudioMultiMediaDevice> {
    static inline int alive = 0;
    Counter() { ++alive; }
    ~Counter() override { --alive; }
    HRESULT DeviceNumGet(DWORD* d) override { return *d = 7, S_OK; }
    HRESULT DeviceNumSet(DWORD) override { return S_OK; }
};

HRESULT makeCounter(REFIID iid, void** out)
{
    auto* c = new Counter;
    HRESULT r = c->QueryInterface(iid, out);
    c->Release();
    return r;
}

TEST(ComRegistry, CreatesRegisteredFakeAndFreesOnFailedQuery)
{
    ScopedClass fake(kFakeClass, makeCounter);
    void* out = kSentinel;
    ASSERT_EQ(CoCreateInstance(kFakeClass, nullptr, CLSCTX_ALL, IID_IAudioMultiMediaDevice, &out), S_OK);
    auto* device = static_cast<IAudioMultiMediaDevice*>(out);
    DWORD n = 0;
    EXPECT_EQ(device->DeviceNumGet(&n), S_OK);
    EXPECT_EQ(n, 7u);
    EXPECT_EQ(device->AddRef(), 2u);
    EXPECT_EQ(device->Release(), 1u);
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(Counter::alive, 0);

    out = kSentinel;
    EXPECT_EQ(CoCreateInstance(kFakeClass, nullptr, CLSCTX_ALL, IID_ISpVoice, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Counter::alive, 0);
}

TEST(ComRegistry, RefusalsClearTheOutPointer)
{
    ScopedClass fake(kFakeClass, makeCounter);
    struct Case {
        const char* what;
        CLSID clsid;
        bool outer;
        DWORD context;
        HRESULT expected;
    } cases[] = {
        {"unknown class", {0x99, 0, 0, {}}, false, CLSCTX_ALL, REGDB_E_CLASSNOTREG},
        {"aggregation", kFakeClass, true, CLSCTX_ALL, CLASS_E_NOAGGREGATION},
        {"no context", kFakeClass, false, 0, REGDB_E_CLASSNOTREG},
    };
    Counter outer;
    for (const Case& c : cases) {
        void* out = kSentinel;
        EXPECT_EQ(CoCreateInstance(c.clsid, c.outer ? &outer : nullptr, c.context, IID_IUnknown, &out), c.expected)
            << c.what;
        EXPECT_EQ(out, nullptr) << c.what;
    }
    EXPECT_EQ(CoCreateInstance(kFakeClass, nullptr, CLSCTX_ALL, IID_IUnknown, nullptr), E_POINTER);
    outer.AddRef(); // the stack object must never be deleted by Release
}

TEST(ComRegistry, ScopedClassRestoresThePreviousRegistration)
{
    ASSERT_TRUE(isClassRegistered(CLSID_SpVoice));
    {
        ScopedClass fake(CLSID_SpVoice, makeCounter);
        ComPtr<IAudioMultiMediaDevice> device;
        EXPECT_EQ(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_IAudioMultiMediaDevice, device.putVoid()),
                  S_OK);
    }
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_IAudioMultiMediaDevice, unknown.putVoid()),
              E_NOINTERFACE);
    {
        ScopedClass fake(kFakeClass, makeCounter);
    }
    EXPECT_FALSE(isClassRegistered(kFakeClass));
    EXPECT_TRUE(unregisterClass(CLSID_SpVoice));
    EXPECT_FALSE(unregisterClass(CLSID_SpVoice));
    resetClassRegistry();
    EXPECT_TRUE(isClassRegistered(CLSID_SpVoice));
}

TEST(ComRegistry, SpeechPlatformVariableChoosesTheLayers)
{
    const char* saved = std::getenv("SPEECH_PLATFORM");
    std::string savedValue = saved ? saved : "";
    struct Case {
        const char* value; // null: unset
        bool sapi5, sapi4;
    } cases[] = {{nullptr, true, true},
                 {"sapi4", false, true},
                 {"", false, false},
                 {"sapi5", true, false},
                 {"sapi4, sapi5", true, true}};
    for (const Case& c : cases) {
        if (c.value)
            setenv("SPEECH_PLATFORM", c.value, 1);
        else
            unsetenv("SPEECH_PLATFORM");
        resetClassRegistry();
        SCOPED_TRACE(c.value ? c.value : "(unset)");
        EXPECT_EQ(isClassRegistered(CLSID_SpVoice), c.sapi5);
        EXPECT_EQ(isClassRegistered(CLSID_SpObjectTokenCategory), c.sapi5);
        EXPECT_EQ(isClassRegistered(CLSID_TTSEnumerator), c.sapi4);
        EXPECT_EQ(isClassRegistered(CLSID_MMAudioDest), c.sapi4);
    }
    if (saved)
        setenv("SPEECH_PLATFORM", savedValue.c_str(), 1);
    else
        unsetenv("SPEECH_PLATFORM");
    resetClassRegistry();
}

TEST(ComGuid, FormatsLikeTheRegistry)
{
    EXPECT_EQ(guidToString(CLSID_SpVoice), "{96749377-3391-11D2-9EE3-00C04F797396}");
    EXPECT_EQ(guidToString(IID_ITTSAttributesW), "{0FD6E2A1-E77D-11CD-B3CA-00AA0047BA4F}");
    EXPECT_FALSE(CLSID_SpVoice == IID_ISpVoice);
}

struct Conversion {
    const char* name;
    std::string input;
    std::u16string expected;
};

class MultiByteConversion : public testing::TestWithParam<Conversion> {};

TEST_P(MultiByteConversion, DecodesUtf8AsTheSystemCodePage)
{
    const Conversion& c = GetParam();
    int needed = MultiByteToWideChar(CP_ACP, 0, c.input.c_str(), -1, nullptr, 0);
    ASSERT_EQ(needed, static_cast<int>(c.expected.size()) + 1);
    std::vector<WCHAR> buffer(needed + 4, u'#');
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, c.input.c_str(), -1, buffer.data(), needed), needed);
    EXPECT_EQ(std::u16string(buffer.data()), c.expected);
    EXPECT_EQ(buffer[needed], u'#'); // nothing written past the terminator
    // One unit short fails without a partial result being claimed.
    if (needed > 1) {
        EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, c.input.c_str(), -1, buffer.data(), needed - 1), 0);
    }
    EXPECT_EQ(lstrlenA(c.input.c_str()), static_cast<int>(c.input.size()));
}

INSTANTIATE_TEST_SUITE_P(Texts, MultiByteConversion,
                         testing::Values(Conversion{"ascii", "Goedemorgen", u"Goedemorgen"},
                                         Conversion{"empty", "", u""},
                                         Conversion{"accents", "caf\xC3\xA9 \xC3\xAB", u"caf\u00E9 \u00EB"},
                                         Conversion{"euro", "\xE2\x82\xAC", u"\u20AC"},
                                         Conversion{"non_bmp", "a\xF0\x9F\x98\x80z", u"a\U0001F600z"},
                                         Conversion{"stray_continuation", "a\x80z", u"a\uFFFDz"},
                                         Conversion{"truncated_sequence", "a\xE2\x82", u"a\uFFFD\uFFFD"},
                                         Conversion{"overlong", "\xC0\xAF", u"\uFFFD\uFFFD"},
                                         Conversion{"surrogate_encoded", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}),
                         [](const auto& info) { return info.param.name; });

TEST(TextConversion, EdgeCases)
{
    EXPECT_EQ(lstrlenA(nullptr), 0);
    WCHAR buffer[8];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, -1, buffer, 8), 0);
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", -1, buffer, 8), 0);     // only the UTF-8 system code page
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 2, buffer, 8), 2); // explicit length: no terminator
    EXPECT_EQ(buffer[1], u'b');

    std::u16string wide = u"Caf\u00E9 \U0001F600";
    char narrow[32];
    int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
    ASSERT_EQ(n, 11); // 4 + 1 + 1 + 4 + terminator
    EXPECT_STREQ(narrow, "Caf\xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(wide)), wide);
    EXPECT_EQ(utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx"); // lone surrogate
}

TEST(TaskMemory, StringCopiesAreTerminatedAndFreeable)
{
    LPWSTR copy = coTaskStrDup(u"Name");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::u16string(copy), u"Name");
    CoTaskMemFree(copy);
    CoTaskMemFree(nullptr);
    void* zero = CoTaskMemAlloc(0);
    EXPECT_NE(zero, nullptr);
    CoTaskMemFree(zero);
}

TEST(Events, ClearingFreesStringsAndReleasesObjects)
{
    Counter* object = new Counter;
    object->AddRef();
    SpEvent e{kEventVoiceChange, kParamToken, 1, 0, 0, reinterpret_cast<LPARAM>(static_cast<IUnknown*>(object))};
    clearEvent(&e);
    EXPECT_EQ(e.lParam, 0);
    EXPECT_EQ(e.eventId, 0);
    EXPECT_EQ(Counter::alive, 1);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(Counter::alive, 0);
    SpEvent s{kEventBookmark, kParamString, 1, 0, 0, reinterpret_cast<LPARAM>(coTaskStrDup(u"m"))};
    clearEvent(&s); // LeakSanitizer sees it if this does not free
    EXPECT_EQ(s.lParam, 0);
}

} // namespace
