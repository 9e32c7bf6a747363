// The evergreen runtime's installation: the vendor's bootstrapper is downloaded
// on its own thread while a small progress window shows how far it has got,
// then run and waited for.
#include "bootstrap/runtime_check.h"

#include <process.h>

#include <commctrl.h>
#include <urlmon.h>

#include "bootstrap/download_progress.h"
#include "manifest/manifest.h"
#include "util/dpi.h"
#include "util/message_box.h"
#include "util/message_loop.h"
#include "util/text.h"
#include "util/window_class.h"

namespace {
constexpr wchar_t kSetupWindowClass[] = L"WebView2Setup";

struct DownloadJob {
    std::wstring url;
    std::wstring targetPath;
    HWND progressWindow;
    HWND progressBar;
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
    URLDownloadToFileW(nullptr, job->url.c_str(), job->targetPath.c_str(), 0, &progress);
    // Blocks until the UI thread has handled it; a window the user already
    // closed simply ignores it.
    SendMessageW(job->progressWindow, WM_CLOSE, 0, 0);
    _endthreadex(0);
    return 0;
}

LRESULT CALLBACK SetupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A fixed-size window of 300 by 90 page units, centred on the primary monitor.
HWND CreateSetupWindow(HINSTANCE instance, const AppManifest& manifest) {
    const int width = ScaleForDpi(300);
    const int height = ScaleForDpi(90);
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
    return CreateWindowExW(0, kSetupWindowClass, Utf8ToWide(manifest.messages.downloading).c_str(),
                           WS_VISIBLE | WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x,
                           y, width, height, nullptr, nullptr, instance, nullptr);
}

HWND CreateProgressBar(HWND window, HINSTANCE instance) {
    RECT client;
    GetClientRect(window, &client);
    const int margin = ScaleForDpi(10);
    HWND bar = CreateWindowExW(
        0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, client.left + margin,
        client.top + margin, (client.right - client.left) - ScaleForDpi(20),
        (client.bottom - client.top) - ScaleForDpi(20), window, nullptr, instance, nullptr);
    SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    return bar;
}

void RunBootstrapper(const std::wstring& targetPath, const std::wstring& folder) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    wchar_t commandLine[1] = {L'\0'};
    if (!CreateProcessW(targetPath.c_str(), commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process))
        return;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}
} // namespace

void InstallRuntime(HINSTANCE instance, const std::string& userDataFolder,
                    const AppManifest& manifest) {
    const std::wstring folder = Utf8ToWide(userDataFolder);
    auto fail = [&](const char* text) { ShowMessage(text, manifest.title, MB_ICONERROR); };

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    if (!InitCommonControlsEx(&controls))
        return fail("Failed to initialize common controls");
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return fail("Failed to create user data directory");
    if (!RegisterHostWindowClass(instance, kSetupWindowClass, SetupWindowProc, manifest.iconHandle,
                                 COLOR_MENU))
        return fail("Failed to register window class");
    HWND window = CreateSetupWindow(instance, manifest);
    if (!window)
        return fail("Failed to create window");

    DownloadJob job{RuntimeDownloadUrl, folder + L"\\Webview2Setup.exe", window,
                    CreateProgressBar(window, instance)};
    auto thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, DownloadThreadProc, &job, 0, nullptr));
    RunMessageLoop();
    // The job lives in this frame: wait for the thread however long it takes.
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    RunBootstrapper(job.targetPath, folder);
}
