#pragma once
// Full screen, client size and position of the main window, as page script and
// the browser control's full-screen event ask for them.
#include <cstdint>

#include <windows.h>
#include <shobjidl.h>

#include "util/com_ptr.h"

class WindowCommands {
public:
    explicit WindowCommands(HWND mainWindow) : mainWindow_(mainWindow) {}
    WindowCommands(const WindowCommands&) = delete;
    WindowCommands& operator=(const WindowCommands&) = delete;

    // Fills the monitor without caption or frame, or restores the window as it
    // was; a repeat of the current state does nothing.
    void SetFullScreen(bool on);
    // Lengths in 96-dpi units; ignored in full screen, and sizes unless positive.
    void SetWindowSize(int32_t width, int32_t height);
    void SetWindowPosition(int32_t x, int32_t y);

    bool IsFullScreen() const { return isFullScreen_; }

private:
    void MarkTaskbarFullScreen(bool on);

    HWND mainWindow_;
    com_ptr<ITaskbarList2> taskbarList_; // created at the first full-screen change
    bool isFullScreen_ = false;
    LONG savedStyle_ = 0;
    LONG savedExStyle_ = 0;
    RECT savedWindowRect_ = {};
};
