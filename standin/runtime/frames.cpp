#include "frames.h"

#include "agent_fields.h"

#include <algorithm>
#include <array>
#include <cstdint>
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
    COLORREF background = RGB(255, 255, 255);
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

// A new frame of the given size in the background colour (the caller holds the lock).
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
    if (!state.bits)
        return;
    const uint32_t pixel = 0xFF000000u | GetRValue(state.background) << 16 |
                           GetGValue(state.background) << 8 | GetBValue(state.background);
    std::fill_n(reinterpret_cast<uint32_t*>(state.bits), static_cast<size_t>(width) * height,
                pixel);
}

void FillBackground(HDC dc, const RECT& area, COLORREF colour) {
    if (area.right <= area.left || area.bottom <= area.top)
        return;
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

constexpr int64_t kLargestSide = 16384; // beyond any screen

// The field as an integer, or -1 when it is missing or not an integer.
int64_t IntOf(const Json& message, const char* name) {
    const Json* value = Member(message, name);
    return value && value->is_number_integer() ? value->get<int64_t>() : -1;
}

// A frame message the window cannot show is answered with an error, as other
// malformed agent messages are, and dropped.
bool Refuse(const char* problem) {
    SendToAgent({{"type", "result"}, {"id", nullptr}, {"error", std::string("frame: ") + problem}});
    return true;
}
} // namespace

bool TakeFrameMessage(const Json& message) {
    const Json* type = Member(message, "type");
    if (!type || !type->is_string() || type->get_ref<const std::string&>() != "frame")
        return false;
    const int64_t width = IntOf(message, "width"), height = IntOf(message, "height");
    const int64_t x = IntOf(message, "x"), y = IntOf(message, "y");
    const int64_t w = IntOf(message, "w"), h = IntOf(message, "h");
    const Json* data = Member(message, "data");
    if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide || x < 0 ||
        y < 0 || w < 0 || h < 0 || x > width || y > height || w > width - x || h > height - y ||
        !data || !data->is_string())
        return Refuse("the rectangle does not fit the frame");
    const RECT changed = {static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + w),
                          static_cast<LONG>(y + h)};
    const std::vector<BYTE> pixels = DecodeBase64(data->get_ref<const std::string&>());
    const size_t rowBytes = static_cast<size_t>(w) * 4;
    if (pixels.size() != rowBytes * static_cast<size_t>(h))
        return Refuse("\"data\" does not hold w by h pixels");
    FrameState& state = State();
    HWND window;
    bool resized;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        resized = width != state.width || height != state.height;
        if (resized)
            Resize(state, static_cast<int>(width), static_cast<int>(height));
        if (!state.bits)
            return Refuse("no memory for a frame of that size");
        GdiFlush();
        for (int row = changed.top; row < changed.bottom; ++row)
            std::memcpy(state.bits + (static_cast<size_t>(row) * width + changed.left) * 4,
                        pixels.data() + (row - changed.top) * rowBytes, rowBytes);
        ++state.sequence;
        const Json* frame = Member(message, "frame");
        state.agentId = frame ? *frame : Json();
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

void SetFrameBackground(COLORREF colour) {
    HWND window;
    {
        std::lock_guard<std::mutex> guard(State().lock);
        State().background = colour;
        window = State().window;
    }
    if (window)
        InvalidateRect(window, nullptr, FALSE);
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
        FillBackground(dc, area, state.background); // as the runtime shows before the first frame
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
    FillBackground(dc, {state.width, 0, client.right, client.bottom}, state.background);
    FillBackground(dc, {0, state.height, state.width, client.bottom}, state.background);
    if (state.sequence != state.lastPaintedSequence) {
        state.lastPaintedSequence = state.sequence;
        SendToAgent({{"type", "frame-painted"}, {"frame", state.agentId}});
    }
}

FramePixels CopyLatestFrame(int widthBeforeFirst, int heightBeforeFirst) {
    FrameState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    FramePixels pixels;
    if (!state.bits) {
        pixels.width = std::clamp(widthBeforeFirst, 1, static_cast<int>(kLargestSide));
        pixels.height = std::clamp(heightBeforeFirst, 1, static_cast<int>(kLargestSide));
        const uint32_t pixel = 0xFF000000u | GetRValue(state.background) << 16 |
                               GetGValue(state.background) << 8 | GetBValue(state.background);
        std::vector<uint32_t> filled(static_cast<size_t>(pixels.width) * pixels.height, pixel);
        const BYTE* bytes = reinterpret_cast<const BYTE*>(filled.data());
        pixels.bgra.assign(bytes, bytes + filled.size() * 4);
        return pixels;
    }
    GdiFlush();
    pixels.width = state.width;
    pixels.height = state.height;
    pixels.bgra.assign(state.bits, state.bits + static_cast<size_t>(state.width) * state.height * 4);
    return pixels;
}
