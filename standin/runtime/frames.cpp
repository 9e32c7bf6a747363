#include "frames.h"

#include <objbase.h>
#include <wincodec.h>

#include <mutex>
#include <string>
#include <vector>

namespace {
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<BYTE> pixels; // 32-bit BGRA, top-down rows
    unsigned long long sequence = 0;
    Json agentId; // the agent's name for the frame, reported back once painted
};

struct FrameState {
    std::mutex lock;
    Frame latest;
    HWND window = nullptr;
    unsigned long long painted = 0;
    unsigned long long lastPaintedSequence = 0;
};

FrameState& State() {
    static FrameState* state = new FrameState(); // lives until process exit
    return *state;
}

std::vector<BYTE> DecodeBase64(const std::string& text) {
    static const std::string kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<BYTE> bytes;
    bytes.reserve(text.size() * 3 / 4);
    unsigned int buffer = 0;
    int bits = 0;
    for (char c : text) {
        const size_t value = kAlphabet.find(c);
        if (value == std::string::npos)
            continue; // padding and line breaks
        buffer = (buffer << 6) | static_cast<unsigned int>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<BYTE>((buffer >> bits) & 0xFF));
        }
    }
    return bytes;
}

IWICImagingFactory* ImagingFactory() {
    // The reader thread is the only caller; it joins the multithreaded apartment once.
    thread_local IWICImagingFactory* factory = [] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        IWICImagingFactory* created = nullptr;
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_PPV_ARGS(&created));
        return created;
    }();
    return factory;
}

// Decodes a PNG or JPEG image into BGRA pixels; false when it cannot.
bool DecodeImage(const std::vector<BYTE>& encoded, Frame& frame) {
    IWICImagingFactory* factory = ImagingFactory();
    if (!factory || encoded.empty())
        return false;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* source = nullptr;
    IWICBitmapSource* converted = nullptr;
    UINT width = 0, height = 0;
    bool decoded =
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(encoded.data()),
                                               static_cast<DWORD>(encoded.size()))) &&
        SUCCEEDED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand,
                                                   &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &source)) &&
        SUCCEEDED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, source, &converted)) &&
        SUCCEEDED(converted->GetSize(&width, &height)) && width > 0 && height > 0;
    if (decoded) {
        frame.width = static_cast<int>(width);
        frame.height = static_cast<int>(height);
        frame.pixels.resize(static_cast<size_t>(width) * height * 4);
        decoded = SUCCEEDED(converted->CopyPixels(
            nullptr, width * 4, static_cast<UINT>(frame.pixels.size()), frame.pixels.data()));
    }
    for (IUnknown* object : std::initializer_list<IUnknown*>{converted, source, decoder, stream})
        if (object)
            object->Release();
    return decoded;
}

void FillWhite(HDC dc, const RECT& area) {
    if (area.right > area.left && area.bottom > area.top)
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}
} // namespace

bool TakeFrameMessage(const Json& message) {
    if (message.value("type", "") != "frame")
        return false;
    const Json& data = message.contains("data") ? message["data"] : Json();
    Frame frame;
    if (!data.is_string() || !DecodeImage(DecodeBase64(data.get<std::string>()), frame))
        return true; // a frame that cannot be shown is dropped
    FrameState& state = State();
    HWND window;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        frame.sequence = state.latest.sequence + 1;
        frame.agentId = message.contains("frame") ? message["frame"] : Json();
        state.latest = std::move(frame);
        window = state.window;
    }
    if (window)
        InvalidateRect(window, nullptr, FALSE);
    return true;
}

void SetFrameWindow(HWND window) {
    std::lock_guard<std::mutex> guard(State().lock);
    State().window = window;
}

void PaintLatestFrame(HWND window, HDC dc) {
    RECT client;
    GetClientRect(window, &client);
    FrameState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    const Frame& frame = state.latest;
    if (frame.pixels.empty()) {
        FillWhite(dc, client); // as the runtime shows before the first frame
        return;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = frame.width;
    info.bmiHeader.biHeight = -frame.height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, frame.width, frame.height, 0, 0, 0, frame.height,
                      frame.pixels.data(), &info, DIB_RGB_COLORS);
    FillWhite(dc, {frame.width, 0, client.right, client.bottom});
    FillWhite(dc, {0, frame.height, frame.width, client.bottom});
    if (frame.sequence != state.lastPaintedSequence) {
        state.lastPaintedSequence = frame.sequence;
        ++state.painted;
        SendToAgent({{"type", "frame-painted"}, {"frame", frame.agentId}});
    }
}
