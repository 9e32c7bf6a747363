#pragma once
// One running copy per application and user session: the first start claims a
// named object and publishes its main window there; a later start hands its
// arguments to that window and ends.
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "util/scoped_handle.h"
#include "util/scoped_view.h"

class WindowBrowser;

class SingleInstance {
public:
    explicit SingleInstance(const std::string& appName);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when the name already existed: another copy, or another program, holds it.
    bool IsFirst() const { return isFirst_; }
    // Lets later starts find the window; the window hears them once its state
    // names this copy.
    void Publish(HWND mainWindow);
    // Gives the name up: once the window is gone, a new start runs as the first.
    void Release();
    // A later start: hands the arguments to the first copy's window, waiting up
    // to 10 s for a first copy still starting. True when this start should end
    // (the first copy has them, or runs still without a window); false when the
    // name is not held by a copy of this program file, which then runs as a
    // first copy of its own. Every outcome is logged.
    bool DeferToFirstCopy(const std::vector<std::string>& arguments);

private:
    struct Shared;
    // The mapping and its view, given up together.
    struct Claim {
        ScopedHandle mapping;
        ScopedView view;
    };
    Shared* shared() const;
    bool Forward(HWND window, DWORD processId, const std::vector<std::string>& arguments) const;

    std::optional<Claim> claim_;
    bool isFirst_ = true;
};

// This process's arguments after the program name, as UTF-8.
std::vector<std::string> CommandLineArguments();

// WM_COPYDATA of the published copy's main window: a later start's arguments
// go to the page (through the browser, when there is one). TRUE when the data
// was a second start's.
LRESULT AnswerSecondInstance(HWND window, WindowBrowser* browser, const COPYDATASTRUCT* data);
