#pragma once
// The one top-level window. The browser control fills its client area; the
// window itself draws nothing.
#include <windows.h>

#include <cstdint>

struct AppManifest;
struct SavedPlacement;

inline constexpr wchar_t kMainWindowClass[] = L"Quorrin";

// The background (0xRRGGBB) shows wherever the browser control has not painted yet.
ATOM RegisterMainWindowClass(HINSTANCE instance, HICON icon, uint32_t backgroundRgb = 0xFFFFFF);

// Created hidden, with a client area of the manifest's size scaled for the screen
// (never below its minimum), or where a saved placement puts it.
HWND CreateMainWindow(HINSTANCE instance, const AppManifest& manifest,
                      const SavedPlacement* placement = nullptr);

DWORD MainWindowStyle(bool resizable);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
