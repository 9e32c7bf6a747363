#pragma once
// The client area of a window as the screen shows it.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Writes the client area as a top-down 32-bit BMP; false when it cannot.
bool WriteClientBitmap(HWND window, const std::wstring& file);

// The 0x00RRGGBB colour at a client position, read from the screen.
uint32_t ClientPixel(HWND window, POINT point);

struct WhiteWatch {
    int captures = 0;
    int mostWhitePixels = 0;
};

// Captures the client area over and over from the moment the window is visible
// until the pixel at `until` has the colour 0xRRGGBB or `milliseconds` pass.
WhiteWatch WatchForWhite(HWND window, POINT until, uint32_t colour, int milliseconds);
