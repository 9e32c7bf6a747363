#pragma once
#include <windows.h>

// Dispatches this thread's messages until WM_QUIT and returns its wParam. A
// failing GetMessageW (-1) counts as non-zero, so the loop goes on.
WPARAM RunMessageLoop();

// Shows the window and puts its first paint on the screen now, before the thread
// goes on to blocking work: under Wine a window's drawing reaches the display
// only when its thread looks for messages, so the waiting ones are handled here.
void ShowPaintedNow(HWND window);

// After the loop has ended: dispatches this thread's messages until `done` is
// true or `timeoutMs` have passed, and says whether `done` came true. Never
// from inside a callback: it is a message loop.
template <typename Done> bool RunMessagesUntil(Done done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    MSG message = {};
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
        // A second WM_QUIT changes nothing: the loop has already ended.
        while (!done() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            if (message.message != WM_QUIT) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
    }
    return true;
}
