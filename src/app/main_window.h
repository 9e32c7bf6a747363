#pragma once
// The one top-level window. The browser control fills its client area; the
// window itself draws nothing.
#include <windows.h>

struct AppManifest;
struct SavedPlacement;

inline constexpr wchar_t kMainWindowClass[] = L"Quorrin";

ATOM RegisterMainWindowClass(HINSTANCE instance, HICON icon);

// Created hidden, with a client area of the manifest's size scaled for the screen
// (never below its minimum), or where a saved placement puts it.
HWND CreateMainWindow(HINSTANCE instance, const AppManifest& manifest,
                      const SavedPlacement* placement = nullptr);

DWORD MainWindowStyle(bool resizable);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
