#pragma once
// The one top-level window. The browser control fills its client area; the
// window itself draws nothing.
#include <windows.h>

struct AppManifest;

inline constexpr wchar_t kMainWindowClass[] = L"Quorrin";

ATOM RegisterMainWindowClass(HINSTANCE instance, HICON icon);

// Created hidden, with a client area of the manifest's size scaled for the screen.
HWND CreateMainWindow(HINSTANCE instance, const AppManifest& manifest);

DWORD MainWindowStyle(bool resizable);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
