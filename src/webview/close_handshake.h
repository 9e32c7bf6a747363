#pragma once
// "close-handshake-ms": when the player closes the window, the page hears
// {"type":"closing"} and the window stays until the page answers
// {"type":"close-ready"} or the time is up, so a game can save first. A second
// close meanwhile, window.close() and the host's own exits are never held.
#include <cstdint>
#include <functional>

#include <windows.h>

class CloseHandshake {
public:
    // `askPage` posts "closing" and says whether a page was there to hear it.
    CloseHandshake(HWND window, int32_t waitMs, std::function<bool()> askPage);
    ~CloseHandshake();
    CloseHandshake(const CloseHandshake&) = delete;
    CloseHandshake& operator=(const CloseHandshake&) = delete;

    // WM_CLOSE: true when the window stays while the page saves.
    bool HoldClose();
    // "close-ready" from the page: a window held for it closes.
    void PageReady();
    // Closes the window without asking the page (window.close()).
    void CloseNow();

private:
    static void CALLBACK OnTimer(HWND window, UINT message, UINT_PTR id, DWORD time);
    UINT_PTR TimerId() const { return reinterpret_cast<UINT_PTR>(this); }

    const HWND window_;
    const UINT waitMs_;
    const std::function<bool()> askPage_;
    bool waiting_ = false;
    bool closing_ = false; // the next WM_CLOSE goes through
};
