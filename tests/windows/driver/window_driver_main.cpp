// window_driver: looks at and types into a window from the Windows side, as a
// person at the machine would. WINDOW is a window handle in decimal or the
// caption of a Quorrin main window. Commands run in order, one argument each:
//   window_driver WINDOW "capture FILE.bmp"  client area as a 32-bit BMP
//                      "click X Y"            left click at a client position
//                      "double-click X Y"
//                      "wheel X Y DELTA"      the wheel at a client position (120 a notch)
//                      "press X Y", "move X Y", "release X Y"  the left button held
//                                             (once pressed, the window has the capture)
//                      "type TEXT"            characters, as an input method sends them
//                      "key VK [ctrl|alt|shift]..."  a key press with modifiers held
//                      "point X Y"            the pointer moved there, no button held
//                      "latency X Y PX PY N"  N clicks at X,Y; prints milliseconds until
//                                             the pixel at PX,PY changes after each
//                      "activate"             brings it to the front (SetForegroundWindow) and
//                                             waits until its thread has handled that
//                      "minimize", "restore"  as its button or the taskbar would
//                      "watch-white X Y RRGGBB MS"  from the moment it is visible, captures
//                                             until the pixel at X,Y has that colour (or MS
//                                             pass); prints "captures N white M", M the
//                                             most white pixels one capture held
//   window_driver hold CAPTION                another plain window, in front; prints its
//                                             handle and lives until standard input ends
//   window_driver watch-shown CLASS           prints "watching", then "shown MS started MS" once
//                                             a visible top-level window of that class, of a
//                                             process started after the watch began, exists
//                                             (polled every millisecond, until standard input
//                                             ends): when, and when its process was created, in
//                                             milliseconds since 1970 (the system clock, which
//                                             Wine shares with Linux)
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "capture.h"
#include "send_input.h"

namespace {
int Run(HWND window, const std::wstring& command) {
    std::wistringstream words(command);
    std::wstring verb;
    words >> verb;
    if (verb == L"capture") {
        std::wstring file;
        std::getline(words >> std::ws, file);
        return WriteClientBitmap(window, file) ? 0 : 1;
    }
    if (verb == L"activate")
        return ActivateAndWait(window) ? 0 : 1;
    if (verb == L"minimize" || verb == L"restore")
        return ShowWindow(window, verb == L"minimize" ? SW_MINIMIZE : SW_RESTORE), 0;
    if (verb == L"type") {
        std::wstring text;
        std::getline(words >> std::ws, text);
        return TypeText(window, text) ? 0 : 1;
    }
    if (verb == L"key") {
        unsigned virtualKey = 0;
        words >> std::hex >> virtualKey;
        std::vector<std::wstring> modifiers;
        for (std::wstring name; words >> name;)
            modifiers.push_back(name);
        return PressKey(window, virtualKey, modifiers) ? 0 : 1;
    }
    int x = 0, y = 0;
    words >> x >> y;
    if (verb == L"click" || verb == L"double-click")
        return Click(window, {x, y}, verb == L"double-click" ? 2 : 1) ? 0 : 1;
    if (verb == L"press")
        return Press(window, {x, y}) ? 0 : 1;
    if (verb == L"move")
        return MoveTo(window, {x, y}) ? 0 : 1;
    if (verb == L"release")
        return Release(window, {x, y}) ? 0 : 1;
    if (verb == L"wheel") {
        int delta = 0;
        words >> delta;
        return Wheel(window, {x, y}, delta) ? 0 : 1;
    }
    if (verb == L"point")
        return PointAt(window, {x, y}) ? 0 : 1;
    if (verb == L"watch-white") {
        unsigned colour = 0;
        int milliseconds = 0;
        words >> std::hex >> colour >> std::dec >> milliseconds;
        const WhiteWatch seen = WatchForWhite(window, {x, y}, colour, milliseconds);
        std::printf("captures %d white %d\n", seen.captures, seen.mostWhitePixels);
        return 0;
    }
    if (verb == L"latency") {
        int probeX = 0, probeY = 0, rounds = 0;
        words >> probeX >> probeY >> rounds;
        for (double milliseconds : ClickToPixelChange(window, {x, y}, {probeX, probeY}, rounds))
            std::printf("%.2f\n", milliseconds);
        return 0;
    }
    std::fprintf(stderr, "unknown command: %ls\n", command.c_str());
    return 2;
}
} // namespace

// A plain top-level window of another program, for the focus to go to.
int HoldWindow(const wchar_t* caption) {
    HWND window = CreateWindowExW(0, L"STATIC", caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 900, 100,
                                  300, 200, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(window);
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
    std::fflush(stdout);
    std::thread([thread = GetCurrentThreadId()] {
        char byte;
        DWORD read = 0;
        while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr) && read == 1) {
        }
        PostThreadMessageW(thread, WM_QUIT, 0, 0);
    }).detach();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    DestroyWindow(window);
    return 0;
}

// Watches from outside, as a player's eyes would: the same for any program, so
// start-up times of different programs compare.
double UnixMilliseconds(const FILETIME& time) {
    const ULONGLONG ticks = (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    constexpr ULONGLONG kTicksFrom1601To1970 = 116444736000000000ULL;
    return (ticks - kTicksFrom1601To1970) / 10000.0;
}

// When the process that owns `window` was created, on the same clock.
double ProcessStart(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    FILETIME created = {}, exited, kernel, user;
    const bool known = process && GetProcessTimes(process, &created, &exited, &kernel, &user);
    if (process)
        CloseHandle(process);
    return known ? UnixMilliseconds(created) : 0;
}

int WatchShown(const wchar_t* className) {
    static std::atomic<bool> inputEnded{false}; // the reading thread may outlive this call
    std::thread([] {
        char byte;
        DWORD read = 0;
        while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr) && read == 1) {
        }
        inputEnded = true;
    }).detach();
    // Wine starts its desktop process for the first program that asks for it:
    // asked for here, it is not part of the start-up being watched.
    GetWindowThreadProcessId(GetDesktopWindow(), nullptr);
    // A window of a program that was already running is not one being started.
    FILETIME watchStart;
    GetSystemTimePreciseAsFileTime(&watchStart);
    const double watchedFrom = UnixMilliseconds(watchStart);
    std::printf("watching\n");
    std::fflush(stdout);
    while (!inputEnded) {
        for (HWND window = FindWindowExW(nullptr, nullptr, className, nullptr); window;
             window = FindWindowExW(nullptr, window, className, nullptr))
            if (IsWindowVisible(window)) {
                const double started = ProcessStart(window);
                if (started < watchedFrom)
                    continue;
                FILETIME now;
                GetSystemTimePreciseAsFileTime(&now);
                std::printf("shown %.3f started %.3f\n", UnixMilliseconds(now), started);
                std::fflush(stdout);
                return 0;
            }
        Sleep(1);
    }
    return 1;
}

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"hold")
        return HoldWindow(argv[2]);
    if (argc == 3 && std::wstring(argv[1]) == L"watch-shown")
        return WatchShown(argv[2]);
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_driver WINDOW COMMAND...\n");
        return 2;
    }
    wchar_t* end = nullptr;
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::wcstoull(argv[1], &end, 10)));
    if (*end != L'\0')
        window = FindWindowW(L"Quorrin", argv[1]);
    if (!IsWindow(window)) {
        std::fprintf(stderr, "no such window\n");
        return 1;
    }
    for (int i = 2; i < argc; ++i)
        if (int status = Run(window, argv[i])) {
            std::fprintf(stderr, "failed: %ls\n", argv[i]);
            return status;
        }
    std::fflush(stdout);
    return 0;
}
