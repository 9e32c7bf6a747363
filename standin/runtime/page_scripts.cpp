// Scripts the host gives every new document, and CapturePreview. The agent
// runs the scripts in the engine (its addInitScript); the image is the frame
// the controller's window shows, encoded as the runtime does, with WIC.
#include "agent_fields.h"
#include "callback_rules.h"
#include "frames.h"
#include "objects.h"

#include <wincodec.h>

#include <string>

namespace {
template <typename T> struct Released {
    T* object = nullptr;
    ~Released() {
        if (object)
            object->Release();
    }
    T** put() { return &object; }
    T* operator->() const { return object; }
};

HRESULT EncodeFrame(const FramePixels& frame, REFGUID container, IStream* stream) {
    Released<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(factory.put()));
    Released<IWICBitmapEncoder> encoder;
    if (SUCCEEDED(hr))
        hr = factory->CreateEncoder(container, nullptr, encoder.put());
    if (SUCCEEDED(hr))
        hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    Released<IWICBitmapFrameEncode> image;
    if (SUCCEEDED(hr))
        hr = encoder->CreateNewFrame(image.put(), nullptr);
    if (SUCCEEDED(hr))
        hr = image->Initialize(nullptr);
    if (SUCCEEDED(hr))
        hr = image->SetSize(frame.width, frame.height);
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    if (SUCCEEDED(hr))
        hr = image->SetPixelFormat(&format);
    if (SUCCEEDED(hr))
        hr = image->WritePixels(frame.height, frame.width * 4,
                                static_cast<UINT>(frame.bgra.size()),
                                const_cast<BYTE*>(frame.bgra.data()));
    if (SUCCEEDED(hr))
        hr = image->Commit();
    if (SUCCEEDED(hr))
        hr = encoder->Commit();
    return hr;
}
} // namespace

HRESULT WebView::AddScriptToExecuteOnDocumentCreated(
    LPCWSTR script, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) {
    STANDIN_ON_CREATING_THREAD("AddScriptToExecuteOnDocumentCreated");
    ReportCall(*this, "ICoreWebView2", "AddScriptToExecuteOnDocumentCreated", {ToJson(script)});
    if (!script)
        return E_INVALIDARG;
    if (!handler)
        return S_OK;
    handler->AddRef();
    const std::wstring id = std::to_wstring(++scriptsAdded_);
    PostToUiThread([handler, id, self = Ref<WebView>(this)] {
        const Dispatching dispatching("AddScriptToExecuteOnDocumentCreated's completion",
                                      {self.get()});
        handler->Invoke(S_OK, id.c_str());
        handler->Release();
    });
    return S_OK;
}

// Later, as the runtime answers: the stream is written before the handler runs.
HRESULT WebView::CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT format, IStream* stream,
                                ICoreWebView2CapturePreviewCompletedHandler* handler) {
    STANDIN_ON_CREATING_THREAD("CapturePreview");
    ReportCall(*this, "ICoreWebView2", "CapturePreview", {static_cast<int>(format)});
    if (!stream || !handler || (format != COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_PNG &&
                                format != COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_JPEG))
        return E_INVALIDARG;
    RECT bounds = {};
    controller_->get_Bounds(&bounds);
    stream->AddRef();
    handler->AddRef();
    PostToUiThread([=, self = Ref<WebView>(this)] {
        const FramePixels frame =
            CopyLatestFrame(bounds.right - bounds.left, bounds.bottom - bounds.top);
        const HRESULT hr =
            frame.bgra.empty() ? E_OUTOFMEMORY
                               : EncodeFrame(frame,
                                             format == COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_PNG
                                                 ? GUID_ContainerFormatPng
                                                 : GUID_ContainerFormatJpeg,
                                             stream);
        stream->Release();
        const Dispatching dispatching("CapturePreview's completion", {self.get()});
        handler->Invoke(hr);
        handler->Release();
    });
    return S_OK;
}
