// Page script's messages to the host, and the host's posts to the page.
#include "bridge/page_message.h"
#include "extensions/extension_host.h"
#include "util/text.h"
#include "webview/velnor_webview.h"

void VelnorWebView::OnWebMessageReceived(ICoreWebView2WebMessageReceivedEventArgs* args) {
    CoTaskString source;
    args->get_Source(source.put());
    if (!source || !IsAcceptedSource(WideToUtf8(source.get()), pageOrigin))
        return;
    // Page script posts its JSON as a string; objects and other values are dropped.
    CoTaskString payload;
    if (FAILED(args->TryGetWebMessageAsString(payload.put())) || !payload)
        return;
    HandleWebMessage(WideToUtf8(payload.get()));
}

void VelnorWebView::HandleWebMessage(const std::string& text) {
    // A message that fails anywhere is dropped; what it already posted stays posted.
    try {
        const PageMessage message = ParsePageMessage(text);
        switch (message.kind) {
        case PageMessage::Kind::Ignored:
            break;
        case PageMessage::Kind::WrapperInit:
            SendWrapperInitResponse();
            break;
        case PageMessage::Kind::SetFullScreen:
            SetFullScreen(message.fullscreen);
            break;
        case PageMessage::Kind::SetWindowSize:
            SetWindowSize(message.width, message.height);
            break;
        case PageMessage::Kind::SetWindowPosition:
            SetWindowPosition(message.x, message.y);
            break;
        case PageMessage::Kind::ExtensionMessage:
            if (extensionHost && extensionHost->extensionMessageEntry)
                extensionHost->extensionMessageEntry(text.c_str());
            break;
        }
    } catch (...) {
    }
}

void VelnorWebView::SendWrapperInitResponse() {
    PostDirectoryHandles();
    static const std::vector<std::string> kNoComponents;
    PostJsonToPage(
        WrapperInitResponse(extensionHost ? extensionHost->registeredComponentIds : kNoComponents));
}

void VelnorWebView::PostJsonToPage(const std::string& json) {
    if (webView)
        webView->PostWebMessageAsJson(Utf8ToWide(json).c_str());
}
