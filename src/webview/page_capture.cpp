#include "webview/page_capture.h"

#include <objidl.h>
#include <wincodec.h>

#include <memory>
#include <utility>

#include "util/com/com_callback.h"
#include "util/log/author_log.h"

namespace {
// The PNG at the stream's start, as top-down BGRA rows.
PagePixels DecodeCapture(IStream* stream) {
    PagePixels pixels;
    const LARGE_INTEGER start = {};
    com_ptr<IWICImagingFactory> factory;
    com_ptr<IWICBitmapDecoder> decoder;
    com_ptr<IWICBitmapFrameDecode> frame;
    com_ptr<IWICFormatConverter> converter;
    HRESULT result = stream->Seek(start, STREAM_SEEK_SET, nullptr);
    if (SUCCEEDED(result))
        result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  __uuidof(IWICImagingFactory),
                                  reinterpret_cast<void**>(factory.put()));
    if (SUCCEEDED(result))
        result = factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand,
                                                  decoder.put());
    if (SUCCEEDED(result))
        result = decoder->GetFrame(0, frame.put());
    if (SUCCEEDED(result))
        result = factory->CreateFormatConverter(converter.put());
    if (SUCCEEDED(result))
        result = converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                       WICBitmapDitherTypeNone, nullptr, 0,
                                       WICBitmapPaletteTypeCustom);
    UINT width = 0, height = 0;
    if (SUCCEEDED(result))
        result = converter->GetSize(&width, &height);
    // Beyond any screen: a capture that large is not the page's.
    if (SUCCEEDED(result) && (width == 0 || height == 0 || width > 16384 || height > 16384))
        result = E_UNEXPECTED;
    if (SUCCEEDED(result)) {
        pixels.bgra.resize(static_cast<size_t>(width) * height * 4);
        result = converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.bgra.size()),
                                       pixels.bgra.data());
    }
    LogIfFailed("decoding the page's image", result);
    if (FAILED(result))
        return {};
    pixels.width = static_cast<int>(width);
    pixels.height = static_cast<int>(height);
    return pixels;
}
} // namespace

void CapturePage(ICoreWebView2* webView, DeferredWork& deferred,
                 std::function<void(PagePixels)> done) {
    com_ptr<IStream> stream;
    HRESULT result = CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    LogIfFailed("CreateStreamOnHGlobal", result);
    if (FAILED(result))
        return deferred.Post("the page's image", [done] { done({}); });
    auto shared = std::make_shared<std::function<void(PagePixels)>>(std::move(done));
    auto captured = MakeCallback<ICoreWebView2CapturePreviewCompletedHandler>(
        [stream, shared, &deferred](HRESULT code) {
            LogIfFailed("CapturePreview's completion", code);
            PagePixels pixels = SUCCEEDED(code) ? DecodeCapture(stream.get()) : PagePixels{};
            deferred.Post("the page's image", [shared, pixels = std::move(pixels)]() mutable {
                (*shared)(std::move(pixels));
            });
        });
    result = webView->CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_PNG, stream.get(),
                                     captured.get());
    LogIfFailed("CapturePreview", result);
    if (FAILED(result))
        deferred.Post("the page's image", [shared] { (*shared)({}); });
}
