#pragma once
// Pixels as the user sees them on the (virtual) screen.
#include <cstdint>
#include <vector>

#include <windows.h>

// 0x00RRGGBB values, top row first.
using Pixels = std::vector<uint32_t>;

Pixels CaptureScreen(const RECT& area);

// The icon at its natural size on a filled width by height area.
Pixels DrawIconOn(int width, int height, HICON icon, COLORREF background);

// True when the test image appears, pixel for pixel, within the window's
// top-left corner, where its caption shows the window icon.
bool CaptionShowsTinyPng(HWND window);
