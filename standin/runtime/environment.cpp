#include "objects.h"
#include <shlobj.h>

namespace {
std::wstring g_failureReportFolder;
} // namespace

Environment::Environment(std::wstring profileFolder) : StandinObject("ICoreWebView2Environment") {
    g_failureReportFolder = profileFolder + L"\\Crashpad\\reports";
}

// The report of a process that exited: a file named as Crashpad names its
// minidumps, its bytes only a stand-in's.
void WriteFailureReport(int failedKind) {
    if (g_failureReportFolder.empty() ||
        failedKind == COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE)
        return;
    SHCreateDirectoryExW(nullptr, g_failureReportFolder.c_str(), nullptr);
    static int written = 0;
    const std::wstring name = g_failureReportFolder + L"\\standin-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++written) + L".dmp";
    const std::string bytes =
        "MDMP stand-in report of process failure kind " + std::to_string(failedKind);
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD done = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(file);
}

bool Environment::Offers(REFIID iid) const {
    if (iid == IidOf<ICoreWebView2Environment>())
        return true;
    if (!Config().environment14)
        return false;
    for (const IID& version :
         {IidOf<ICoreWebView2Environment2>(), IidOf<ICoreWebView2Environment3>(),
          IidOf<ICoreWebView2Environment4>(), IidOf<ICoreWebView2Environment5>(),
          IidOf<ICoreWebView2Environment6>(), IidOf<ICoreWebView2Environment7>(),
          IidOf<ICoreWebView2Environment8>(), IidOf<ICoreWebView2Environment9>(),
          IidOf<ICoreWebView2Environment10>(), IidOf<ICoreWebView2Environment11>(),
          IidOf<ICoreWebView2Environment12>(), IidOf<ICoreWebView2Environment13>(),
          IidOf<ICoreWebView2Environment14>()})
        if (iid == version)
            return true;
    return false;
}

HRESULT Environment::CreateCoreWebView2Controller(
    HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
    STANDIN_ON_CREATING_THREAD("CreateCoreWebView2Controller");
    ReportCall(*this, "ICoreWebView2Environment", "CreateCoreWebView2Controller",
               {reinterpret_cast<uintptr_t>(parent), handler != nullptr});
    if (!handler)
        return E_POINTER;
    Ref<Controller> controller(new Controller(parent, this));
    handler->AddRef();
    // Completion arrives later through the host's message loop, as with the runtime.
    PostToUiThread([handler, controller, self = Ref<Environment>(this)] {
        const AgentConfig& config = Config();
        const Dispatching dispatching("CreateCoreWebView2Controller's completion",
                                      {self.get(), controller.get()});
        handler->Invoke(config.controllerResult,
                        config.controllerNull
                            ? nullptr
                            : static_cast<ICoreWebView2Controller*>(controller.get()));
        handler->Release();
    });
    return S_OK;
}

HRESULT Environment::CreateWebResourceResponse(IStream* content, int statusCode,
                                               LPCWSTR reasonPhrase, LPCWSTR headers,
                                               ICoreWebView2WebResourceResponse** response) {
    STANDIN_ON_CREATING_THREAD("CreateWebResourceResponse");
    STANDIN_REPORT_CALL(*this, "ICoreWebView2Environment", "CreateWebResourceResponse",
                        {content != nullptr, statusCode, ToJson(reasonPhrase), ToJson(headers)});
    if (!response)
        return E_POINTER;
    *response = MakeResponse(content, statusCode, reasonPhrase, headers);
    return S_OK;
}

HRESULT Environment::get_BrowserVersionString(LPWSTR* value) {
    STANDIN_ON_CREATING_THREAD("get_BrowserVersionString");
    ReportCall(*this, "ICoreWebView2Environment", "get_BrowserVersionString", Json::array());
    return CopyString(kStandinVersion, value);
}

HRESULT Environment::get_FailureReportFolderPath(LPWSTR* value) {
    STANDIN_ON_CREATING_THREAD("get_FailureReportFolderPath");
    ReportCall(*this, "ICoreWebView2Environment11", "get_FailureReportFolderPath", Json::array());
    return CopyString(g_failureReportFolder.c_str(), value);
}

namespace {
// "C:\..." or "\\server\..." (and "\\?\..."): rooted and with a drive or a share.
bool IsFullyQualified(LPCWSTR path) {
    if (!path)
        return false;
    const auto isSlash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (isSlash(path[0]))
        return isSlash(path[1]);
    return path[0] && path[1] == L':' && isSlash(path[2]);
}
} // namespace

HRESULT Environment::CreateWebFileSystemDirectoryHandle(
    LPCWSTR path, COREWEBVIEW2_FILE_SYSTEM_HANDLE_PERMISSION permission,
    ICoreWebView2FileSystemHandle** handle) {
    STANDIN_ON_CREATING_THREAD("CreateWebFileSystemDirectoryHandle");
    ReportCall(*this, "ICoreWebView2Environment14", "CreateWebFileSystemDirectoryHandle",
               {ToJson(path), static_cast<int>(permission)});
    if (!handle)
        return E_POINTER;
    *handle = nullptr;
    // As the runtime documents: a path that is not fully qualified is refused.
    if (!IsFullyQualified(path))
        return E_INVALIDARG;
    *handle = MakeDirectoryHandle(path, permission);
    return S_OK;
}

HRESULT Environment::CreateObjectCollection(UINT32 length, IUnknown** items,
                                            ICoreWebView2ObjectCollection** collection) {
    Json described = Json::array();
    for (UINT32 i = 0; items && i < length; ++i)
        described.push_back(DescribeCollectionItem(items[i]));
    STANDIN_ON_CREATING_THREAD("CreateObjectCollection");
    ReportCall(*this, "ICoreWebView2Environment14", "CreateObjectCollection", {length, described});
    if (!collection)
        return E_POINTER;
    *collection = MakeObjectCollection(items ? length : 0, items);
    return S_OK;
}
