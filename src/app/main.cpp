#include <windows.h>

#include "app/startup.h"
#include "crash/crash_dump.h"
#include "util/delayed_imports.h"

// The host takes no arguments and ignores the show flag: the window is shown
// once the first page has loaded.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    InstallCrashDumpFilter();
    // Before anything loads: libraries come from the program's folder and System32
    // only, never from the current directory or PATH.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    LoadDelayedImportsFromSystem32();
    return RunHost(instance);
}
