#include "window/dpi_awareness.h"

#include "window/dpi_scale.h"

namespace {
// Resolved at run time: older Windows and Wine may lack any of them.
template <typename Function> Function Resolve(const wchar_t* module, const char* name) {
    HMODULE library = GetModuleHandleW(module);
    if (!library)
        library = LoadLibraryW(module); // shcore.dll is not loaded by default; never freed
    return library
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)))
               : nullptr;
}

using SetContextFunction = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
using GetContextFunction = DPI_AWARENESS_CONTEXT(WINAPI*)();
using AwarenessFunction = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
using WindowDpiFunction = UINT(WINAPI*)(HWND);
using AdjustForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SetAwarenessFunction = HRESULT(WINAPI*)(int);
using MonitorDpiFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

constexpr int kProcessPerMonitorDpiAware = 2; // PROCESS_PER_MONITOR_DPI_AWARE
constexpr int kEffectiveDpi = 0;              // MDT_EFFECTIVE_DPI

void SetAwareness(bool perMonitor) {
    if (auto set = Resolve<SetContextFunction>(L"user32.dll", "SetProcessDpiAwarenessContext")) {
        if (perMonitor && (set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) ||
                           set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE)))
            return;
        if (!perMonitor && set(DPI_AWARENESS_CONTEXT_SYSTEM_AWARE))
            return;
    }
    if (perMonitor)
        if (auto set = Resolve<SetAwarenessFunction>(L"shcore.dll", "SetProcessDpiAwareness"))
            if (SUCCEEDED(set(kProcessPerMonitorDpiAware)))
                return;
    SetProcessDPIAware();
}

bool GivenPerMonitorAwareness() {
    auto current = Resolve<GetContextFunction>(L"user32.dll", "GetThreadDpiAwarenessContext");
    auto awareness =
        Resolve<AwarenessFunction>(L"user32.dll", "GetAwarenessFromDpiAwarenessContext");
    return current && awareness && awareness(current()) == DPI_AWARENESS_PER_MONITOR_AWARE;
}

int ReadSystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}
} // namespace

// Wine starts a process without a declared awareness as per-monitor aware and
// refuses any change: the host's own behaviour follows the choice, so that the
// default stays as it always was there too.
DpiChoice DpiChoice::ChooseAwareness(bool perMonitor) {
    SetAwareness(perMonitor);
    return DpiChoice(perMonitor && GivenPerMonitorAwareness(), ReadSystemDpi());
}

int32_t DpiChoice::Scale(int32_t length) const {
    return ScaleLength(length, DpiScaleFactor(systemDpi_));
}

int DpiChoice::ForWindow(HWND window) const {
    if (perMonitor_)
        if (auto dpiOf = Resolve<WindowDpiFunction>(L"user32.dll", "GetDpiForWindow"))
            if (const UINT dpi = dpiOf(window))
                return static_cast<int>(dpi);
    return systemDpi_;
}

int DpiChoice::ForRect(const RECT& rect) const {
    UINT dpiX = 0, dpiY = 0;
    if (perMonitor_)
        if (auto dpiOf = Resolve<MonitorDpiFunction>(L"shcore.dll", "GetDpiForMonitor"))
            if (SUCCEEDED(dpiOf(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), kEffectiveDpi,
                                &dpiX, &dpiY)) &&
                dpiX)
                return static_cast<int>(dpiX);
    return systemDpi_;
}

int32_t DpiChoice::ScaleForWindow(HWND window, int32_t length) const {
    return ScaleLength(length, DpiScaleFactor(ForWindow(window)));
}

void DpiChoice::AdjustFrameForWindow(HWND window, RECT& frame, DWORD style, DWORD exStyle) const {
    if (perMonitor_)
        if (auto adjust = Resolve<AdjustForDpiFunction>(L"user32.dll", "AdjustWindowRectExForDpi"))
            if (adjust(&frame, style, FALSE, exStyle, static_cast<UINT>(ForWindow(window))))
                return;
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
}
