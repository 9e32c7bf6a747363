// The two functions of WebView2Loader.dll, the runtime's presence, and
// environment creation, which the stand-in's EmbeddedBrowserWebView.dll shares.
#include <shlobj.h>

#include "environment_creation.h"
#include "objects.h"

namespace {
constexpr wchar_t kMarkerName[] = L"webview2-standin.marker";

bool FileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Evergreen presence: the marker the stand-in bootstrapper leaves for this user.
std::wstring PerUserMarker() {
    PWSTR localAppData = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &localAppData)))
        path = std::wstring(localAppData) + L"\\WebView2Standin\\" + kMarkerName;
    CoTaskMemFree(localAppData);
    return path;
}

bool RuntimePresent(PCWSTR browserExecutableFolder) {
    if (browserExecutableFolder)
        return FileExists(std::wstring(browserExecutableFolder) + L"\\" + kMarkerName);
    return FileExists(PerUserMarker());
}

void StartAnswering() {
    static bool answering = false;
    if (!answering) {
        answering = true;
        SetAgentRequestHandler(HandleAgentRequest);
        WatchProgressBarsOnThisThread();
        WatchNestedMessageLoops();
    }
}
} // namespace

extern "C" HRESULT STDAPICALLTYPE
GetAvailableCoreWebView2BrowserVersionString(PCWSTR browserExecutableFolder, LPWSTR* versionInfo) {
    StartAnswering();
    Config();
    SendToAgent({{"type", "call"},
                 {"interface", "loader"},
                 {"method", "GetAvailableCoreWebView2BrowserVersionString"},
                 {"args", {ToJson(browserExecutableFolder)}}});
    if (!versionInfo)
        return E_POINTER;
    *versionInfo = nullptr;
    if (!RuntimePresent(browserExecutableFolder))
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    return CopyString(kStandinVersion, versionInfo);
}

// What the host set on its options object, as the agent sees it.
Json OptionValues(ICoreWebView2EnvironmentOptions* options) {
    if (!options)
        return nullptr;
    LPWSTR arguments = nullptr, language = nullptr, version = nullptr;
    BOOL singleSignOn = FALSE;
    options->get_AdditionalBrowserArguments(&arguments);
    options->get_Language(&language);
    options->get_TargetCompatibleBrowserVersion(&version);
    options->get_AllowSingleSignOnUsingOSPrimaryAccount(&singleSignOn);
    // Options3: whether the host keeps crash dumps local (no upload to the vendor).
    BOOL customCrashReporting = FALSE;
    ICoreWebView2EnvironmentOptions3* options3 = nullptr;
    if (SUCCEEDED(options->QueryInterface(IID_ICoreWebView2EnvironmentOptions3,
                                          reinterpret_cast<void**>(&options3))) &&
        options3) {
        options3->get_IsCustomCrashReportingEnabled(&customCrashReporting);
        options3->Release();
    }
    Json values = {{"additionalBrowserArguments", ToJson(arguments)},
                   {"language", ToJson(language)},
                   {"targetCompatibleBrowserVersion", ToJson(version)},
                   {"allowSingleSignOnUsingOSPrimaryAccount", singleSignOn != FALSE},
                   {"isCustomCrashReportingEnabled", customCrashReporting != FALSE}};
    CoTaskMemFree(arguments);
    CoTaskMemFree(language);
    CoTaskMemFree(version);
    return values;
}

namespace {
// The runtime keeps its engine's profile in "EBWebView" under the user data
// folder, or beside the program when the host names none.
std::wstring ProfileFolder(PCWSTR userDataFolder) {
    std::wstring folder = userDataFolder ? userDataFolder : L"";
    if (folder.empty()) {
        wchar_t program[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, program, MAX_PATH);
        folder = std::wstring(program) + L".WebView2";
    }
    if (folder.back() != L'\\')
        folder += L'\\';
    return folder + L"EBWebView";
}

// Where the runtime saves downloads: the Windows user's Downloads folder.
std::wstring DownloadsFolder() {
    PWSTR downloads = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Downloads, KF_FLAG_CREATE, nullptr, &downloads)))
        folder = downloads;
    CoTaskMemFree(downloads);
    return folder;
}

// A folder, made, as the agent on the other side of Wine reaches it.
std::string AgentPathOf(const std::wstring& folder) {
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    using UnixName = char*(CDECL*)(LPCWSTR);
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(folder.c_str()) : nullptr;
    if (!name)
        return ToUtf8(folder.c_str());
    std::string path = name;
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}
} // namespace

HRESULT
ReportAndCreateEnvironment(const char* interfaceName, const char* method, const Json& args,
                           PCWSTR userDataFolder,
                           ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    // Answering is set up before the agent link starts reading.
    StartAnswering();
    const AgentConfig& config = Config();
    const std::wstring downloads = DownloadsFolder();
    SendToAgent({{"type", "profile"},
                 {"folder", AgentPathOf(ProfileFolder(userDataFolder))},
                 {"downloads", downloads.empty() ? "" : AgentPathOf(downloads)}});
    SendToAgent(
        {{"type", "call"}, {"interface", interfaceName}, {"method", method}, {"args", args}});
    if (!handler)
        return E_POINTER;
    Ref<Environment> environment(new Environment(ProfileFolder(userDataFolder)));
    handler->AddRef();
    auto complete = [handler, environment, &config] {
        const Dispatching dispatching("environment creation's completion", {environment.get()});
        handler->Invoke(config.environmentResult,
                        config.environmentNull
                            ? nullptr
                            : static_cast<ICoreWebView2Environment*>(environment.get()));
        handler->Release();
    };
    if (config.holdEnvironment)
        HoldEnvironmentCompletion(complete);
    else
        PostToUiThread(complete);
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder, ICoreWebView2EnvironmentOptions* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    return ReportAndCreateEnvironment("loader", "CreateCoreWebView2EnvironmentWithOptions",
                                      {ToJson(browserExecutableFolder), ToJson(userDataFolder),
                                       OptionValues(options), handler != nullptr},
                                      userDataFolder, handler);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID processTerminating) {
    // At exit, what the host left unreleased.
    if (reason == DLL_PROCESS_DETACH && processTerminating)
        SendToAgent({{"type", "exit"}, {"live", LiveObjects()}});
    return TRUE;
}
