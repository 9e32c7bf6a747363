#include "screen.h"

#include <set>

#include "host_process.h"
#include "support/temp_folder.h"

namespace {
// Paints into a 32-bit top-down bitmap and returns its pixels.
template <typename Paint> Pixels PaintPixels(int width, int height, Paint paint) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    paint(memory);
    GdiFlush();
    const auto* first = static_cast<const uint32_t*>(bits);
    Pixels pixels(first, first + width * height);
    for (uint32_t& pixel : pixels)
        pixel &= 0xFFFFFF;
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return pixels;
}

bool ContainsTinyPng(const Pixels& shot, int width, int height) {
    constexpr int kSide = 16;
    for (int top = 0; top + kSide <= height; ++top)
        for (int left = 0; left + kSide <= width; ++left) {
            bool all = true;
            for (int y = 0; y < kSide && all; ++y)
                for (int x = 0; x < kSide && all; ++x)
                    all = shot[(top + y) * width + left + x] == TinyPngPixel(x, y);
            if (all)
                return true;
        }
    return false;
}
} // namespace

Pixels CaptureScreen(const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    return PaintPixels(width, height, [&](HDC memory) {
        HDC screen = GetDC(nullptr);
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
    });
}

Pixels DrawIconOn(int width, int height, HICON icon, COLORREF background) {
    return PaintPixels(width, height, [&](HDC memory) {
        HBRUSH brush = CreateSolidBrush(background);
        RECT all = {0, 0, width, height};
        FillRect(memory, &all, brush);
        DeleteObject(brush);
        DrawIconEx(memory, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    });
}

bool CaptionCornerShows(HWND window,
                        const std::function<bool(const Pixels& corner, int side)>& contains) {
    ShowWindow(window, SW_SHOWNOACTIVATE);
    constexpr int kCorner = 64;
    bool found = false;
    // The frame is drawn in the same paint as the icon: once the corner holds the
    // frame's colours, the icon is there or never will be.
    WaitUntil([&] {
        RECT bounds;
        GetWindowRect(window, &bounds);
        RECT corner = {bounds.left, bounds.top, bounds.left + kCorner, bounds.top + kCorner};
        Pixels shot = CaptureScreen(corner);
        found = contains(shot, kCorner);
        return found || std::set<uint32_t>(shot.begin(), shot.end()).size() >= 8;
    });
    return found;
}

bool CaptionShowsTinyPng(HWND window) {
    return CaptionCornerShows(
        window, [](const Pixels& shot, int side) { return ContainsTinyPng(shot, side, side); });
}
