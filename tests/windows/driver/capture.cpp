#include "capture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
// Copies the client area from the window's device context, children included.
std::vector<uint32_t> CaptureClient(HWND window, int& width, int& height) {
    RECT client;
    GetClientRect(window, &client);
    width = client.right;
    height = client.bottom;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    if (pixels.empty())
        return pixels;
    HDC source = GetDC(window);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    GdiFlush();
    std::memcpy(pixels.data(), bits, pixels.size() * 4);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
    return pixels;
}
} // namespace

bool WriteClientBitmap(HWND window, const std::wstring& file) {
    int width = 0, height = 0;
    const std::vector<uint32_t> pixels = CaptureClient(window, width, height);
    BITMAPFILEHEADER header = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = -height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    header.bfType = 0x4D42; // "BM"
    header.bfOffBits = sizeof(header) + sizeof(info);
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size() * 4);
    FILE* out = _wfopen(file.c_str(), L"wb");
    if (!out)
        return false;
    bool written = std::fwrite(&header, sizeof(header), 1, out) == 1 &&
                   std::fwrite(&info, sizeof(info), 1, out) == 1 &&
                   std::fwrite(pixels.data(), 4, pixels.size(), out) == pixels.size();
    return std::fclose(out) == 0 && written;
}

uint32_t ClientPixel(HWND window, POINT point) {
    HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, point.x, point.y);
    ReleaseDC(window, dc);
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

WhiteWatch WatchForWhite(HWND window, POINT until, uint32_t colour, int milliseconds) {
    WhiteWatch seen;
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    while (!IsWindowVisible(window) && GetTickCount64() < deadline)
        Sleep(1);
    while (GetTickCount64() < deadline) {
        int width = 0, height = 0;
        const std::vector<uint32_t> pixels = CaptureClient(window, width, height);
        int white = 0;
        for (uint32_t pixel : pixels)
            white += (pixel & 0xFFFFFF) == 0xFFFFFF;
        ++seen.captures;
        seen.mostWhitePixels = std::max(seen.mostWhitePixels, white);
        const int x = until.x, y = until.y;
        if (x < width && y < height &&
            (pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF) == colour)
            break;
    }
    return seen;
}
