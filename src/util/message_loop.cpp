#include "util/message_loop.h"

WPARAM RunMessageLoop() {
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return message.wParam;
}

void ShowPaintedNow(HWND window) {
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG message = {};
    // Until the queue is empty: a look that finds nothing hands the drawing over.
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    GdiFlush();
}
