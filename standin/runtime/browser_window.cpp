#include "browser_window.h"

#include <atomic>
#include <map>
#include <string>

#include "agent_fields.h"
#include "frames.h"
#include "input.h"
#include "objects.h"

namespace {
constexpr UINT kShowPageCursor = WM_APP + 1;
std::atomic<HWND> g_browserWindow{nullptr};
// Set with the window class: a cursor loaded as the library loads would bring
// the display driver up before the program's own code runs.
std::atomic<HCURSOR> g_pageCursor{nullptr};

// The system cursor that stands for a CSS cursor; null hides it ("none").
HCURSOR CursorFor(const std::string& name) {
    static const std::map<std::string, LPCWSTR> cursors = {
        {"default", IDC_ARROW},       {"pointer", IDC_HAND},       {"text", IDC_IBEAM},
        {"vertical-text", IDC_IBEAM}, {"wait", IDC_WAIT},          {"progress", IDC_APPSTARTING},
        {"crosshair", IDC_CROSS},     {"move", IDC_SIZEALL},       {"all-scroll", IDC_SIZEALL},
        {"not-allowed", IDC_NO},      {"no-drop", IDC_NO},         {"help", IDC_HELP},
        {"ew-resize", IDC_SIZEWE},    {"col-resize", IDC_SIZEWE},  {"e-resize", IDC_SIZEWE},
        {"w-resize", IDC_SIZEWE},     {"ns-resize", IDC_SIZENS},   {"row-resize", IDC_SIZENS},
        {"n-resize", IDC_SIZENS},     {"s-resize", IDC_SIZENS},    {"nwse-resize", IDC_SIZENWSE},
        {"nw-resize", IDC_SIZENWSE},  {"se-resize", IDC_SIZENWSE}, {"nesw-resize", IDC_SIZENESW},
        {"ne-resize", IDC_SIZENESW},  {"sw-resize", IDC_SIZENESW}};
    if (name == "none")
        return nullptr;
    auto found = cursors.find(name);
    return LoadCursorW(nullptr, found == cursors.end() ? IDC_ARROW : found->second);
}

bool PointerIsOver(HWND window) {
    POINT point;
    return GetCursorPos(&point) && WindowFromPoint(point) == window;
}

LRESULT CALLBACK BrowserWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // the frame covers the whole client area: no flicker through white
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        PaintLatestFrame(window, dc, paint.rcPaint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT client;
        GetClientRect(window, &client);
        PaintLatestFrame(window, reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    case WM_SETCURSOR:
        if (LOWORD(lParam) != HTCLIENT)
            break;
        SetCursor(g_pageCursor);
        return TRUE;
    case kShowPageCursor:
        if (PointerIsOver(window))
            SetCursor(g_pageCursor);
        return 0;
    case WM_NCDESTROY:
        SetFrameWindow(nullptr);
        g_browserWindow = nullptr;
        break;
    default: {
        auto* controller = reinterpret_cast<Controller*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        LRESULT result = 0;
        if (controller && ForwardInput(*controller, window, message, wParam, lParam, result))
            return result;
        break;
    }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

HWND CreateBrowserWindow(HWND parent, Controller* controller) {
    static const ATOM windowClass = [] {
        WNDCLASSW description = {};
        description.style = CS_DBLCLKS;
        description.lpfnWndProc = BrowserWindowProc;
        description.hInstance = GetModuleHandleW(nullptr);
        description.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        description.lpszClassName = L"WebView2StandinBrowser";
        g_pageCursor = description.hCursor;
        return RegisterClassW(&description);
    }();
    HWND window =
        CreateWindowExW(0, MAKEINTATOM(windowClass), L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                        0, 0, 0, 0, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(controller));
    SetFrameWindow(window);
    g_browserWindow = window;
    return window;
}

bool TakeCursorMessage(const Json& message) {
    const Json* type = Member(message, "type");
    if (!type || !type->is_string() || type->get_ref<const std::string&>() != "cursor")
        return false;
    const Json* name = Member(message, "cursor");
    g_pageCursor = CursorFor(name && name->is_string() ? name->get_ref<const std::string&>() : "");
    // The pointer may rest on the window: its thread shows the new cursor now.
    if (HWND window = g_browserWindow)
        PostMessageW(window, kShowPageCursor, 0, 0);
    return true;
}

const char* ShownCursorName() {
    const HCURSOR shown = GetCursor();
    if (!shown)
        return "none";
    const std::pair<LPCWSTR, const char*> known[] = {
        {IDC_ARROW, "arrow"}, {IDC_HAND, "hand"}, {IDC_IBEAM, "ibeam"}};
    for (const auto& [id, name] : known)
        if (shown == LoadCursorW(nullptr, id))
            return name;
    return "other";
}
