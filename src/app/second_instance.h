#pragma once
// One running copy per application and user session: the first start claims a
// named object and publishes its main window there; a later start hands its
// arguments to that window and ends.
#include <string>
#include <vector>

#include <windows.h>

class SingleInstance {
public:
    explicit SingleInstance(const std::string& appName);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another copy of the application already runs. A name the
    // system will not give us leaves this copy running on its own.
    bool IsFirst() const { return isFirst_; }
    // Lets later starts find the window; the window hears them once its state
    // names this copy.
    void Publish(HWND mainWindow);
    // Gives the name up: once the window is gone, a new start runs as the first.
    void Release();
    // Brings the first copy's window forward and gives it the arguments;
    // waits a few seconds at most for a first copy still starting.
    void SignalFirst(const std::vector<std::string>& arguments) const;

private:
    struct Shared;
    HANDLE mapping_ = nullptr;
    Shared* shared_ = nullptr;
    bool isFirst_ = true;
};

// This process's arguments after the program name, as UTF-8.
std::vector<std::string> CommandLineArguments();

// WM_COPYDATA of the published copy's main window: a later start's arguments
// go to the page. TRUE when the data was a second start's.
LRESULT AnswerSecondInstance(HWND window, const COPYDATASTRUCT* data);
