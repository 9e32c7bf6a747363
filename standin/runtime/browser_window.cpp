#include "browser_window.h"

#include "frames.h"
#include "input.h"
#include "objects.h"

namespace {
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
    case WM_NCDESTROY:
        SetFrameWindow(nullptr);
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
        return RegisterClassW(&description);
    }();
    HWND window =
        CreateWindowExW(0, MAKEINTATOM(windowClass), L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                        0, 0, 0, 0, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(controller));
    SetFrameWindow(window);
    return window;
}
