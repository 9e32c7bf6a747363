// The evergreen runtime's installation: the vendor's bootstrapper is downloaded
// on its own thread while a small progress window shows how far it has got,
// then run and waited for.
#include "bootstrap/runtime_check.h"

#include <commctrl.h>
#include <urlmon.h>

#include "bootstrap/download_progress.h"
#include "bootstrap/installer_trust.h"
#include "bootstrap/setup_window.h"
#include "manifest/manifest.h"
#include "util/log/author_log.h"
#include "util/text/long_path.h"
#include "util/message_box.h"
#include "util/scoped_handle.h"
#include "util/system_library.h"
#include "util/text/text.h"

namespace {
using DownloadFunction = decltype(&URLDownloadToFileW);

struct DownloadJob {
    DownloadFunction download; // from urlmon.dll, loaded from System32 for the download
    std::wstring url;
    std::wstring targetPath;
    HWND progressWindow;
    HWND progressBar;
    HRESULT result = E_FAIL;
};

// Lives on the download thread's stack for the length of the download, so it
// counts no references.
class DownloadProgress final : public IBindStatusCallback {
public:
    explicit DownloadProgress(HWND progressBar) : progressBar_(progressBar) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG total, ULONG, LPCWSTR) override {
        // A server that states no total leaves the bar where it is.
        const int32_t percent = DownloadPercent(progress, total);
        if (percent >= 0)
            SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

private:
    HWND progressBar_;
};

unsigned __stdcall DownloadThreadProc(void* argument) {
    auto* job = static_cast<DownloadJob*>(argument);
    DownloadProgress progress(job->progressBar);
    job->result = job->download ? job->download(nullptr, job->url.c_str(), job->targetPath.c_str(),
                                                0, &progress)
                                : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    // Blocks until the UI thread has handled it; a window the user already
    // closed simply ignores it.
    SendMessageW(job->progressWindow, WM_CLOSE, 0, 0);
    return 0;
}

std::wstring FolderOfWidePath(const std::wstring& path) {
    return path.substr(0, path.rfind(L'\\'));
}

void RunBootstrapper(const std::wstring& targetPath, const std::wstring& folder) {
    wchar_t commandLine[1] = {L'\0'};
    const ScopedProcess bootstrapper =
        StartProcess(targetPath.c_str(), commandLine, folder.c_str());
    if (bootstrapper.process)
        WaitForSingleObject(bootstrapper.process.get(), INFINITE);
}

// A folder no earlier start (nor page script, which may write the user data
// folder) can have prepared: created new, with a name of its own.
std::wstring CreateDownloadFolder(const std::wstring& folder) {
    GUID id = {};
    wchar_t text[40] = {};
    if (FAILED(CoCreateGuid(&id)) || !StringFromGUID2(id, text, static_cast<int>(std::size(text))))
        return {};
    const std::wstring downloadFolder = folder + L"\\setup-" + text;
    return CreateDirectoryW(ToLongPath(downloadFolder).c_str(), nullptr) ? downloadFolder
                                                                         : std::wstring();
}

// The folder was the bootstrapper's current directory, which the system may let
// go of a moment after the process has ended (Wine does): tried again for up to 5 s.
void RemoveDownload(const std::wstring& file) {
    constexpr int kAttempts = 50;
    constexpr DWORD kPauseMs = 100;
    const std::wstring folder = ToLongPath(FolderOfWidePath(file));
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        DeleteFileW(ToLongPath(file).c_str());
        if (RemoveDirectoryW(folder.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
            GetLastError() == ERROR_PATH_NOT_FOUND)
            return;
        Sleep(kPauseMs);
    }
    LogForAuthor("the runtime installer's download folder could not be removed");
}

// Runs the downloaded bootstrapper only when the download succeeded and the file,
// held against writes meanwhile, is the vendor's; then removes it. It runs in
// its own folder: the user data folder is the page's to write, and a program's
// current directory is where it may look for libraries.
void RunDownloadedBootstrapper(const DownloadJob& job) {
    LogIfFailed("runtime download", job.result);
    if (SUCCEEDED(job.result)) {
        const ScopedHandle held(OpenHeldAgainstWrites(job.targetPath));
        if (held && IsSignedByRuntimeVendor(job.targetPath, held.get()))
            RunBootstrapper(job.targetPath, FolderOfWidePath(job.targetPath));
    }
    RemoveDownload(job.targetPath);
}
} // namespace

void InstallRuntime(HINSTANCE instance, const std::string& userDataFolder,
                    const AppManifest& manifest, const SetupWindowLook& look) {
    const std::wstring folder = Utf8ToWide(userDataFolder);
    const SystemLibrary commonControls = InitSetupControls(manifest);
    if (!commonControls)
        return;
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return ShowMessage("Failed to create user data directory", manifest.title, MB_ICONERROR);
    // Where earlier versions saved the bootstrapper: a stale or planted file there never runs.
    DeleteFileW(ToLongPath(folder + L"\\Webview2Setup.exe").c_str());
    const std::wstring downloadFolder = CreateDownloadFolder(folder);
    if (downloadFolder.empty())
        return LogForAuthor("no download folder for the runtime installer");
    const std::optional<SetupWindow> setup =
        OpenSetupWindow(instance, manifest, manifest.messages.downloading, SetupBar::Percent, look);
    if (!setup)
        return (void)RemoveDirectoryW(ToLongPath(downloadFolder).c_str());
    const SystemLibrary urlmon(L"urlmon.dll");
    DownloadJob job{urlmon.Export<DownloadFunction>("URLDownloadToFileW"), RuntimeDownloadUrl,
                    downloadFolder + L"\\Webview2Setup.exe", setup->window, setup->bar};
    RunWhileShowing(DownloadThreadProc, &job);
    RunDownloadedBootstrapper(job);
}
