#include "bootstrap/setup_window.h"

#include <process.h>

#include <commctrl.h>

#include "manifest/manifest.h"
#include "util/message_box.h"
#include "util/message_loop.h"
#include "util/scoped_handle.h"
#include "util/text/text.h"
#include "util/window_class.h"

namespace {
constexpr wchar_t kSetupWindowClass[] = L"WebView2Setup";
constexpr UINT kMarqueeIntervalMs = 30;
constexpr UINT kEndSetupMessage = WM_APP + 1;
constexpr LONG_PTR kHeldOpen = 1; // GWLP_USERDATA

LRESULT CALLBACK SetupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        if (GetWindowLongPtrW(window, GWLP_USERDATA) != kHeldOpen)
            break;
        ShowWindow(window, SW_MINIMIZE);
        return 0;
    case kEndSetupMessage:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateSetupWindow(HINSTANCE instance, const std::string& caption, const DpiChoice& dpi) {
    const int width = dpi.Scale(300);
    const int height = dpi.Scale(90);
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
    return CreateWindowExW(0, kSetupWindowClass, Utf8ToWide(caption).c_str(),
                           WS_VISIBLE | WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x,
                           y, width, height, nullptr, nullptr, instance, nullptr);
}

HWND CreateBar(HWND window, HINSTANCE instance, SetupBar kind, const DpiChoice& dpi) {
    RECT client;
    GetClientRect(window, &client);
    const int margin = dpi.Scale(10);
    const DWORD marquee = kind == SetupBar::Marquee ? PBS_MARQUEE : 0;
    HWND bar = CreateWindowExW(
        0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | marquee, client.left + margin,
        client.top + margin, (client.right - client.left) - dpi.Scale(20),
        (client.bottom - client.top) - dpi.Scale(20), window, nullptr, instance, nullptr);
    if (kind == SetupBar::Marquee) {
        SendMessageW(bar, PBM_SETMARQUEE, TRUE, kMarqueeIntervalMs);
        return bar;
    }
    SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    return bar;
}
} // namespace

SystemLibrary InitSetupControls(const AppManifest& manifest) {
    SystemLibrary library(L"comctl32.dll");
    const auto init = library.Export<decltype(&InitCommonControlsEx)>("InitCommonControlsEx");
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    if (init && init(&controls))
        return library;
    ShowMessage("Failed to initialize common controls", manifest.title, MB_ICONERROR);
    return SystemLibrary();
}

std::optional<SetupWindow> OpenSetupWindow(HINSTANCE instance, const AppManifest& manifest,
                                           const std::string& caption, SetupBar bar,
                                           const SetupWindowLook& look) {
    if (!RegisterHostWindowClass(instance, kSetupWindowClass, SetupWindowProc,
                                 look.icon ? look.icon() : nullptr, COLOR_MENU)) {
        ShowMessage("Failed to register window class", manifest.title, MB_ICONERROR);
        return std::nullopt;
    }
    HWND window = CreateSetupWindow(instance, caption, look.dpi);
    if (!window) {
        ShowMessage("Failed to create window", manifest.title, MB_ICONERROR);
        return std::nullopt;
    }
    return SetupWindow{window, CreateBar(window, instance, bar, look.dpi)};
}

void HoldSetupWindowOpen(HWND window) {
    SetWindowLongPtrW(window, GWLP_USERDATA, kHeldOpen);
    EnableMenuItem(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
}

void EndSetupWindow(HWND window) {
    SendMessageW(window, kEndSetupMessage, 0, 0);
}

void RunWhileShowing(unsigned(__stdcall* work)(void*), void* job) {
    ScopedHandle thread(
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, work, job, 0, nullptr)));
    RunMessageLoop();
    if (thread)
        WaitForSingleObject(thread.get(), INFINITE);
}
