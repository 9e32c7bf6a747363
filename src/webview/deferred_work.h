#pragma once
// Work a runtime callback hands to the message loop. The runtime forbids
// message boxes, releasing the sender and starting the creation chain inside
// its callbacks, so such work is posted to the main window and runs from its
// window procedure once the callback has returned. One piece at a time: a piece
// that runs a message loop (a box) holds the others back until it returns.
#include <deque>
#include <functional>

#include <windows.h>

// The main window's message that runs the next piece of deferred work.
inline constexpr UINT kRunDeferredWork = WM_APP + 27;

class DeferredWork {
public:
    explicit DeferredWork(HWND window) : window_(window) {}
    DeferredWork(const DeferredWork&) = delete;
    DeferredWork& operator=(const DeferredWork&) = delete;

    // Runs `work` later, in order; `what` names it in the log if it cannot be posted.
    void Post(const char* what, std::function<void()> work);
    // kRunDeferredWork: runs the oldest piece, unless one is running already.
    void RunNext();

private:
    void Remind(const char* what);

    HWND window_;
    std::deque<std::function<void()>> queue_;
    bool running_ = false;
    size_t heldBack_ = 0; // reminders a running piece's own loop took

};
