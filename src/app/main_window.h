#pragma once
// The one top-level window. The browser control fills its client area; the
// window itself draws nothing.
#include <windows.h>

#include <cstdint>

#include "window/dpi_awareness.h"

struct AppManifest;
struct SavedPlacement;
class PlacementKeeper;
class SingleInstance;
class WindowBrowser;

// What the main window procedure keeps between messages. The window owns it
// (made with the window, deleted at WM_NCDESTROY) and reaches it through
// GWLP_USERDATA; start-up hands it the placement keeper, the published copy
// and, while it is published, the browser.
struct MainWindowState {
    int32_t minimumWidth = 0; // 96-dpi units; 0 leaves a side free
    int32_t minimumHeight = 0;
    DpiChoice dpi;                            // start-up's, for every size it sets
    WindowBrowser* browser = nullptr;         // while the browser is published
    PlacementKeeper* placement = nullptr;     // when the application remembers it
    SingleInstance* singleInstance = nullptr; // once published
};

// The state of a window CreateMainWindow made; null for any other window.
MainWindowState* MainWindowStateOf(HWND window);

inline constexpr wchar_t kMainWindowClass[] = L"Quorrin";

// The background (0xRRGGBB) shows wherever the browser control has not painted yet.
ATOM RegisterMainWindowClass(HINSTANCE instance, HICON icon, uint32_t backgroundRgb = 0xFFFFFF);
// The icon of a main window made before its icon was loaded: its caption's and
// its class's, as if registered with it.
void SetMainWindowIcon(HWND window, HICON icon);

// Created hidden, with a client area of the manifest's size scaled for the screen
// (never below its minimum), or where a saved placement puts it. The window
// keeps the dpi choice for every size it sets later.
HWND CreateMainWindow(HINSTANCE instance, const AppManifest& manifest, const DpiChoice& dpi,
                      const SavedPlacement* placement = nullptr);

DWORD MainWindowStyle(bool resizable);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
