#include <windows.h>

#include "app/startup.h"

// The host takes no arguments and ignores the show flag: the window is shown
// once the first page has loaded.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return RunHost(instance);
}
