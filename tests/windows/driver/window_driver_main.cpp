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
#include <windows.h>

#include <cstdio>
#include <sstream>
#include <string>
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

int wmain(int argc, wchar_t** argv) {
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
