#include "util/window_class.h"

ATOM RegisterHostWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, HICON icon,
                             int backgroundColour) {
    return RegisterHostWindowClass(
        instance, name, procedure, icon,
        reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(backgroundColour + 1)));
}

ATOM RegisterHostWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, HICON icon,
                             HBRUSH background) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass);
}
