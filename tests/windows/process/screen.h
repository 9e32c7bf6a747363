#pragma once
// Pixels as the user sees them on the (virtual) screen.
#include <cstdint>
#include <functional>
#include <vector>

#include <windows.h>

// 0x00RRGGBB values, top row first.
using Pixels = std::vector<uint32_t>;

Pixels CaptureScreen(const RECT& area);

// The icon at its natural size on a filled width by height area.
Pixels DrawIconOn(int width, int height, HICON icon, COLORREF background);

// Shows the window without activating it and looks at its top-left corner (a
// 64-pixel square), where the caption shows the window icon: true once
// `contains` finds the icon there, false once the caption is painted without it.
bool CaptionCornerShows(HWND window,
                        const std::function<bool(const Pixels& corner, int side)>& contains);

// True when the test image appears, pixel for pixel, in the caption's corner.
bool CaptionShowsTinyPng(HWND window);
