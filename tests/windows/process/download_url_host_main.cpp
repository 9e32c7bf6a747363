// A test build of Quorrin.exe whose runtime installer downloads from the URL
// given as its one argument (a test server on 127.0.0.1) instead of the vendor's
// link. Everything else is the shipped host, unchanged.
#include <windows.h>
#include <shellapi.h>

#include "app/startup.h"
#include "bootstrap/runtime_check.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments && count > 1)
        RuntimeDownloadUrl = arguments[1];
    LocalFree(arguments);
    return RunHost(instance);
}
