#pragma once
// Full screen, client size and position of the main window, as page script and
// the browser control's full-screen event ask for them.
#include <cstdint>

#include <windows.h>
#include <shobjidl.h>

#include "window/dpi_awareness.h"
#include "window/fullscreen_keys.h"
#include "util/com/com_ptr.h"

// The smallest client area a size request may ask for, in 96-dpi units.
struct MinimumClientSize {
    int32_t width = 0;
    int32_t height = 0;
};

class WindowCommands {
public:
    WindowCommands(HWND mainWindow, DpiChoice dpi, MinimumClientSize minimum = {})
        : mainWindow_(mainWindow), dpi_(dpi), minimum_(minimum) {}
    WindowCommands(const WindowCommands&) = delete;
    WindowCommands& operator=(const WindowCommands&) = delete;

    // Fills the monitor without caption or frame, or restores the window as it
    // was; a repeat of the current state does nothing. Entering remembers who
    // asked, so that Escape leaves only what a player or the page chose.
    void SetFullScreen(bool on, FullScreenOrigin origin = FullScreenOrigin::Application);
    // Lengths in 96-dpi units; ignored in full screen, and sizes unless positive.
    // A size below the minimum gives the minimum.
    void SetWindowSize(int32_t width, int32_t height);
    void SetWindowPosition(int32_t x, int32_t y);

    bool IsFullScreen() const { return isFullScreen_; }
    FullScreenOrigin FullScreenSource() const { return origin_; }

private:
    void MarkTaskbarFullScreen(bool on);

    HWND mainWindow_;
    DpiChoice dpi_;
    MinimumClientSize minimum_;
    com_ptr<ITaskbarList2> taskbarList_; // created at the first full-screen change
    bool isFullScreen_ = false;
    FullScreenOrigin origin_ = FullScreenOrigin::Application;
    LONG savedStyle_ = 0;
    LONG savedExStyle_ = 0;
    RECT savedWindowRect_ = {};
};
