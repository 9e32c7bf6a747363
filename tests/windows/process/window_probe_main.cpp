// window_probe: closes, as a user would, the main window of a Quorrin.exe that
// was started from outside (for hosts that only the Wine loader can start, such
// as one in a folder beyond MAX_PATH).
//   window_probe close-main-window TITLE  -> exit 0 once closed, 1 at the deadline
#include <cstdio>
#include <string>

#include <windows.h>

#include "host_process.h"

namespace {
BOOL CALLBACK FindByTitle(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<std::pair<std::wstring, HWND>*>(context);
    if (ClassNameOf(window) == L"Quorrin" && TextOf(window) == search->first) {
        search->second = window;
        return FALSE;
    }
    return TRUE;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 || std::wstring(argv[1]) != L"close-main-window") {
        std::fprintf(stderr, "usage: window_probe close-main-window TITLE\n");
        return 2;
    }
    std::pair<std::wstring, HWND> search{argv[2], nullptr};
    if (!WaitUntil([&] { return !EnumWindows(FindByTitle, reinterpret_cast<LPARAM>(&search)); })) {
        std::fprintf(stderr, "no main window with that title\n");
        return 1;
    }
    PostMessageW(search.second, WM_SYSCOMMAND, SC_CLOSE, 0);
    std::printf("closed\n");
    return 0;
}
