#include "frames.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {
struct FrameState {
    std::mutex lock;
    HBITMAP bitmap = nullptr; // the latest frame: a top-down 32-bit DIB section
    BYTE* bits = nullptr;
    int width = 0;
    int height = 0;
    HWND window = nullptr;
    unsigned long long sequence = 0;
    unsigned long long lastPaintedSequence = 0;
    Json agentId; // the agent's name for the latest frame, reported back once painted
};

FrameState& State() {
    static FrameState* state = new FrameState(); // lives until process exit
    return *state;
}

std::vector<BYTE> DecodeBase64(const std::string& text) {
    static const std::array<int, 256> values = [] {
        std::array<int, 256> table;
        table.fill(-1);
        const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i)
            table[static_cast<unsigned char>(alphabet[i])] = i;
        return table;
    }();
    std::vector<BYTE> bytes;
    bytes.reserve(text.size() / 4 * 3);
    unsigned int buffer = 0;
    int bits = 0;
    for (unsigned char c : text) {
        const int value = values[c];
        if (value < 0)
            continue; // padding
        buffer = (buffer << 6) | static_cast<unsigned int>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<BYTE>((buffer >> bits) & 0xFF));
        }
    }
    return bytes;
}

// A new, white frame of the given size (the caller holds the lock).
void Resize(FrameState& state, int width, int height) {
    if (state.bitmap)
        DeleteObject(state.bitmap);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    state.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    state.bits = static_cast<BYTE*>(bits);
    state.width = state.bitmap ? width : 0;
    state.height = state.bitmap ? height : 0;
    if (state.bits)
        std::memset(state.bits, 0xFF, static_cast<size_t>(width) * height * 4);
}

void FillWhite(HDC dc, const RECT& area) {
    if (area.right > area.left && area.bottom > area.top)
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

int IntOf(const Json& message, const char* name) {
    const Json& value = message.contains(name) ? message[name] : Json();
    return value.is_number_integer() ? value.get<int>() : -1;
}
} // namespace

bool TakeFrameMessage(const Json& message) {
    if (message.value("type", "") != "frame")
        return false;
    const int width = IntOf(message, "width"), height = IntOf(message, "height");
    const RECT changed = {IntOf(message, "x"), IntOf(message, "y"),
                          IntOf(message, "x") + IntOf(message, "w"),
                          IntOf(message, "y") + IntOf(message, "h")};
    const Json& data = message.contains("data") ? message["data"] : Json();
    if (width <= 0 || height <= 0 || changed.left < 0 || changed.top < 0 || changed.right > width ||
        changed.bottom > height || !data.is_string())
        return true; // a frame that does not fit is dropped
    const std::vector<BYTE> pixels = DecodeBase64(data.get<std::string>());
    const size_t rowBytes = static_cast<size_t>(changed.right - changed.left) * 4;
    if (pixels.size() != rowBytes * (changed.bottom - changed.top))
        return true;
    FrameState& state = State();
    HWND window;
    bool resized;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        resized = width != state.width || height != state.height;
        if (resized)
            Resize(state, width, height);
        if (!state.bits)
            return true;
        GdiFlush();
        for (int y = changed.top; y < changed.bottom; ++y)
            std::memcpy(state.bits + (static_cast<size_t>(y) * width + changed.left) * 4,
                        pixels.data() + (y - changed.top) * rowBytes, rowBytes);
        ++state.sequence;
        state.agentId = message.contains("frame") ? message["frame"] : Json();
        window = state.window;
    }
    // A change outside the window (a frame of a larger size) still repaints it,
    // so that every frame is reported painted and the engine goes on rendering.
    RECT client, visible;
    if (window && GetClientRect(window, &client))
        InvalidateRect(window,
                       resized || !IntersectRect(&visible, &client, &changed) ? nullptr : &changed,
                       FALSE);
    return true;
}

void SetFrameWindow(HWND window) {
    std::lock_guard<std::mutex> guard(State().lock);
    State().window = window;
}

void PaintLatestFrame(HWND window, HDC dc, const RECT& area) {
    RECT client;
    GetClientRect(window, &client);
    FrameState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.bitmap) {
        FillWhite(dc, area); // as the runtime shows before the first frame
        return;
    }
    HDC frame = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(frame, state.bitmap);
    const int right = std::min<int>(area.right, state.width);
    const int bottom = std::min<int>(area.bottom, state.height);
    if (right > area.left && bottom > area.top)
        BitBlt(dc, area.left, area.top, right - area.left, bottom - area.top, frame, area.left,
               area.top, SRCCOPY);
    SelectObject(frame, previous);
    DeleteDC(frame);
    FillWhite(dc, {state.width, 0, client.right, client.bottom});
    FillWhite(dc, {0, state.height, state.width, client.bottom});
    if (state.sequence != state.lastPaintedSequence) {
        state.lastPaintedSequence = state.sequence;
        SendToAgent({{"type", "frame-painted"}, {"frame", state.agentId}});
    }
}
