#pragma once
// What the main window asks of the browser control. The window's state holds
// one while the browser is published and none before or after, so the window
// never reaches a browser that is gone.
#include <string>

class WindowBrowser {
public:
    // WM_CLOSE: true while the window stays for the page's "close-ready".
    virtual bool HoldClose() = 0;
    // Moves and sizes; a minimised window hides the control.
    virtual void OnMainWindowMoved() = 0;
    virtual void OnMainWindowSized(bool minimised) = 0;
    // Activated or focused: the page takes the keyboard.
    virtual void OnMainWindowActivated() = 0;
    // Every WM_ACTIVATE: whether the window is now the active one.
    virtual void OnMainWindowActiveChanged(bool active) = 0;
    // Moved to a monitor of another scale (per-monitor awareness).
    virtual void OnMainWindowDpiChanged(int dpi) = 0;
    // The main window's kRunDeferredWork.
    virtual void RunDeferredWork() = 0;
    // The main window's kDeliverContentAnswers: answers decoded on a worker.
    virtual void DeliverContentAnswers() = 0;
    // Whether the page holds the window in full screen, as placement saves it.
    virtual bool IsFullScreen() const = 0;
    // A message for the page from outside it (a later start of the application).
    virtual void PostToPage(const std::string& json) = 0;

protected:
    ~WindowBrowser() = default;
};
