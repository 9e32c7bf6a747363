// The host's environment options against the SDK's CoreWebView2EnvironmentOptions
// class, read from its header (WRL code MinGW cannot compile): the object answers
// every interface the class implements and starts with the class's defaults.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "util/text/files.h"
#include "util/text/text.h"
#include "webview/environment_options.h"

namespace {
std::string SdkOptionsHeader() {
    const std::string path = FolderOfPath(GetExecutablePath()) + "WebView2EnvironmentOptions.h";
    std::ifstream file(Utf8ToWide(path).c_str());
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The options interfaces in the SDK class's Implements<...> list.
std::set<std::string> SdkOptionsInterfaces(const std::string& header) {
    const size_t start = header.find("class CoreWebView2EnvironmentOptionsBase");
    const std::string list = header.substr(start, header.find('{', start) - start);
    std::set<std::string> names;
    const std::regex name("ICoreWebView2EnvironmentOptions[0-9]*");
    for (auto it = std::sregex_iterator(list.begin(), list.end(), name);
         it != std::sregex_iterator(); ++it)
        names.insert(it->str());
    return names;
}

// Flag name -> default, from the options class's BOOL property declarations.
std::map<std::string, BOOL> SdkFlagDefaults(const std::string& header) {
    const std::string body = header.substr(header.find("class CoreWebView2EnvironmentOptionsBase"));
    std::map<std::string, BOOL> flags;
    const std::regex property(
        R"(COREWEBVIEW2ENVIRONMENTOPTIONS_BOOL_PROPERTY\(\s*(\w+),\s*(true|false)\s*\))");
    for (auto it = std::sregex_iterator(body.begin(), body.end(), property);
         it != std::sregex_iterator(); ++it)
        flags[(*it)[1]] = (*it)[2] == "true" ? TRUE : FALSE;
    return flags;
}

const std::map<std::string, IID> kOptionsIids = {
    {"ICoreWebView2EnvironmentOptions", IID_ICoreWebView2EnvironmentOptions},
    {"ICoreWebView2EnvironmentOptions2", IID_ICoreWebView2EnvironmentOptions2},
    {"ICoreWebView2EnvironmentOptions3", IID_ICoreWebView2EnvironmentOptions3},
    {"ICoreWebView2EnvironmentOptions4", IID_ICoreWebView2EnvironmentOptions4},
    {"ICoreWebView2EnvironmentOptions5", IID_ICoreWebView2EnvironmentOptions5},
    {"ICoreWebView2EnvironmentOptions6", IID_ICoreWebView2EnvironmentOptions6},
    {"ICoreWebView2EnvironmentOptions7", IID_ICoreWebView2EnvironmentOptions7},
    {"ICoreWebView2EnvironmentOptions8", IID_ICoreWebView2EnvironmentOptions8},
};

template <typename I>
com_ptr<I> As(const com_ptr<ICoreWebView2EnvironmentOptions>& options, const IID& iid) {
    com_ptr<I> result;
    options->QueryInterface(iid, reinterpret_cast<void**>(result.put()));
    return result;
}

using FlagReader = std::function<BOOL(const com_ptr<ICoreWebView2EnvironmentOptions>&)>;
template <typename I, HRESULT (STDMETHODCALLTYPE I::*Get)(BOOL*)> FlagReader Flag(const IID& iid) {
    return [&iid](const com_ptr<ICoreWebView2EnvironmentOptions>& options) {
        BOOL value = 2;
        com_ptr<I> face = As<I>(options, iid);
        EXPECT_TRUE(face);
        if (face) {
            EXPECT_EQ(((face.get())->*Get)(&value), S_OK);
        }
        return value;
    };
}

const std::map<std::string, FlagReader> kOurFlags = {
    {"AllowSingleSignOnUsingOSPrimaryAccount",
     Flag<ICoreWebView2EnvironmentOptions,
          &ICoreWebView2EnvironmentOptions::get_AllowSingleSignOnUsingOSPrimaryAccount>(
         IID_ICoreWebView2EnvironmentOptions)},
    {"ExclusiveUserDataFolderAccess",
     Flag<ICoreWebView2EnvironmentOptions2,
          &ICoreWebView2EnvironmentOptions2::get_ExclusiveUserDataFolderAccess>(
         IID_ICoreWebView2EnvironmentOptions2)},
    {"IsCustomCrashReportingEnabled",
     Flag<ICoreWebView2EnvironmentOptions3,
          &ICoreWebView2EnvironmentOptions3::get_IsCustomCrashReportingEnabled>(
         IID_ICoreWebView2EnvironmentOptions3)},
    {"EnableTrackingPrevention",
     Flag<ICoreWebView2EnvironmentOptions5,
          &ICoreWebView2EnvironmentOptions5::get_EnableTrackingPrevention>(
         IID_ICoreWebView2EnvironmentOptions5)},
    {"AreBrowserExtensionsEnabled",
     Flag<ICoreWebView2EnvironmentOptions6,
          &ICoreWebView2EnvironmentOptions6::get_AreBrowserExtensionsEnabled>(
         IID_ICoreWebView2EnvironmentOptions6)},
};

// The text a getter hands out, or "(null)".
template <typename Getter> std::wstring TextOf(Getter get) {
    LPWSTR value = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ(get(&value), S_OK);
    std::wstring text = value ? value : L"(null)";
    CoTaskMemFree(value);
    return text;
}

// A scheme registration that only counts its references.
class CountedRegistration final : public ICoreWebView2CustomSchemeRegistration {
public:
    ULONG references = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE get_SchemeName(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_TreatAsSecure(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_TreatAsSecure(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAllowedOrigins(UINT32*, LPWSTR**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetAllowedOrigins(UINT32, LPCWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_HasAuthorityComponent(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_HasAuthorityComponent(BOOL) override { return E_NOTIMPL; }
};
} // namespace

TEST(EnvironmentOptions, AnswersEveryInterfaceOfTheSdkClassAsOneObject) {
    const std::set<std::string> sdkInterfaces = SdkOptionsInterfaces(SdkOptionsHeader());
    ASSERT_GE(sdkInterfaces.size(), 8u);
    com_ptr<ICoreWebView2EnvironmentOptions> options = MakeEnvironmentOptions();
    com_ptr<IUnknown> identity = As<IUnknown>(options, IID_IUnknown);
    ASSERT_TRUE(identity);
    for (const std::string& name : sdkInterfaces) {
        SCOPED_TRACE(name);
        auto iid = kOptionsIids.find(name);
        ASSERT_NE(iid, kOptionsIids.end()) << "an options interface the host does not answer";
        com_ptr<IUnknown> face = As<IUnknown>(options, iid->second);
        ASSERT_TRUE(face);
        IUnknown* faceIdentity = nullptr;
        EXPECT_EQ(face->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&faceIdentity)),
                  S_OK);
        EXPECT_EQ(faceIdentity, identity.get());
        if (faceIdentity)
            faceIdentity->Release();
    }
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(options->QueryInterface(IID_ICoreWebView2, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(options->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST(EnvironmentOptions, StartsWithTheSdkClassDefaultsButTheTargetVersion) {
    const std::map<std::string, BOOL> sdkFlags = SdkFlagDefaults(SdkOptionsHeader());
    ASSERT_GE(sdkFlags.size(), 5u);
    com_ptr<ICoreWebView2EnvironmentOptions> options = MakeEnvironmentOptions();
    for (const auto& [name, sdkDefault] : sdkFlags) {
        SCOPED_TRACE(name);
        auto ours = kOurFlags.find(name);
        ASSERT_NE(ours, kOurFlags.end()) << "a flag of the SDK class the host does not offer";
        EXPECT_EQ(ours->second(options), sdkDefault);
    }
    // Unset texts are null, as in the SDK class; the target version is the host's own.
    EXPECT_EQ(TextOf([&](LPWSTR* v) { return options->get_AdditionalBrowserArguments(v); }),
              L"(null)");
    EXPECT_EQ(TextOf([&](LPWSTR* v) { return options->get_Language(v); }), L"(null)");
    EXPECT_EQ(TextOf([&](LPWSTR* v) { return options->get_TargetCompatibleBrowserVersion(v); }),
              L"127.0.2651.64");

    auto channels =
        As<ICoreWebView2EnvironmentOptions7>(options, IID_ICoreWebView2EnvironmentOptions7);
    COREWEBVIEW2_CHANNEL_SEARCH_KIND search = COREWEBVIEW2_CHANNEL_SEARCH_KIND_LEAST_STABLE;
    COREWEBVIEW2_RELEASE_CHANNELS released = COREWEBVIEW2_RELEASE_CHANNELS_NONE;
    EXPECT_EQ(channels->get_ChannelSearchKind(&search), S_OK);
    EXPECT_EQ(search, COREWEBVIEW2_CHANNEL_SEARCH_KIND_MOST_STABLE);
    EXPECT_EQ(channels->get_ReleaseChannels(&released), S_OK);
    EXPECT_EQ(released, COREWEBVIEW2_RELEASE_CHANNELS_STABLE | COREWEBVIEW2_RELEASE_CHANNELS_BETA |
                            COREWEBVIEW2_RELEASE_CHANNELS_DEV |
                            COREWEBVIEW2_RELEASE_CHANNELS_CANARY);
    auto scrollBars =
        As<ICoreWebView2EnvironmentOptions8>(options, IID_ICoreWebView2EnvironmentOptions8);
    COREWEBVIEW2_SCROLLBAR_STYLE style = COREWEBVIEW2_SCROLLBAR_STYLE_FLUENT_OVERLAY;
    EXPECT_EQ(scrollBars->get_ScrollBarStyle(&style), S_OK);
    EXPECT_EQ(style, COREWEBVIEW2_SCROLLBAR_STYLE_DEFAULT);
    EXPECT_EQ(options->get_Language(nullptr), E_POINTER);
}

TEST(EnvironmentOptions, TextsAreCopiedAndNullUnsetsThem) {
    com_ptr<ICoreWebView2EnvironmentOptions> options = MakeEnvironmentOptions();
    auto arguments = [&](LPWSTR* v) { return options->get_AdditionalBrowserArguments(v); };
    std::wstring given = L"--disable-gpu \u00e9";
    EXPECT_EQ(options->put_AdditionalBrowserArguments(given.c_str()), S_OK);
    given[0] = L'x';
    EXPECT_EQ(TextOf(arguments), L"--disable-gpu \u00e9");
    EXPECT_EQ(options->put_AdditionalBrowserArguments(L""), S_OK);
    EXPECT_EQ(TextOf(arguments), L"");
    EXPECT_EQ(options->put_AdditionalBrowserArguments(nullptr), S_OK);
    EXPECT_EQ(TextOf(arguments), L"(null)");
    EXPECT_EQ(options->put_TargetCompatibleBrowserVersion(nullptr), S_OK);
    EXPECT_EQ(TextOf([&](LPWSTR* v) { return options->get_TargetCompatibleBrowserVersion(v); }),
              L"(null)");
}

TEST(EnvironmentOptions, SchemeRegistrationsAreHeldAndHandedOutWithAReference) {
    auto schemes = As<ICoreWebView2EnvironmentOptions4>(MakeEnvironmentOptions(),
                                                        IID_ICoreWebView2EnvironmentOptions4);
    ASSERT_TRUE(schemes);
    UINT32 count = 7;
    ICoreWebView2CustomSchemeRegistration** handed = nullptr;
    EXPECT_EQ(schemes->GetCustomSchemeRegistrations(&count, &handed), S_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(handed, nullptr);

    CountedRegistration first, second;
    ICoreWebView2CustomSchemeRegistration* given[] = {&first, &second};
    EXPECT_EQ(schemes->SetCustomSchemeRegistrations(2, given), S_OK);
    EXPECT_EQ(first.references, 2u);
    EXPECT_EQ(schemes->GetCustomSchemeRegistrations(&count, &handed), S_OK);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(handed[0], &first);
    EXPECT_EQ(handed[1], &second);
    EXPECT_EQ(second.references, 3u);
    handed[0]->Release();
    handed[1]->Release();
    CoTaskMemFree(handed);

    EXPECT_EQ(schemes->SetCustomSchemeRegistrations(1, nullptr), E_POINTER);
    EXPECT_EQ(schemes->GetCustomSchemeRegistrations(nullptr, &handed), E_POINTER);
    EXPECT_EQ(schemes->SetCustomSchemeRegistrations(0, nullptr), S_OK);
    EXPECT_EQ(first.references, 1u) << "released when replaced";
    EXPECT_EQ(second.references, 1u);
}
