#pragma once
// An image of what the page shows now, from the runtime (CapturePreview, PNG),
// decoded to pixels with WIC: for Steam's overlay and Steam's screenshots.
#include <functional>

#include <WebView2.h>

#include "util/page_pixels.h"
#include "webview/deferred_work.h"

// `done` runs later from the message loop, never inside the runtime's
// callback; with no pixels when the runtime or the decoder fails.
void CapturePage(ICoreWebView2* webView, DeferredWork& deferred,
                 std::function<void(PagePixels)> done);
