#include "bridge/message_bridge.h"

#include <cwchar>

#include "bridge/large_messages.h"
#include "bridge/page_message.h"
#include "window/window_commands.h"
#include "extensions/extension_host.h"
#include "util/log/author_log.h"
#include "util/text/text.h"
#include "util/text/web_origin.h"

MessageBridge::MessageBridge(std::string pageOrigin, HandleFolders folders, WindowCommands& window,
                             ExtensionHost* extensionHost)
    : pageOrigin_(std::move(pageOrigin)), folders_(std::move(folders)), window_(window),
      extensionHost_(extensionHost) {}

void MessageBridge::SetBrowser(ICoreWebView2Environment* environment, ICoreWebView2* webView) {
    subscriptions_.RemoveAll();
    environment_ = environment;
    webView_ = webView;
    if (!webView)
        return;
    subscriptions_.Add("WebMessageReceived", webView, &ICoreWebView2::add_WebMessageReceived,
                       &ICoreWebView2::remove_WebMessageReceived,
                       [this](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
                           if (heard_)
                               heard_();
                           OnWebMessageReceived(args);
                       });
}

void MessageBridge::OnWebMessageReceived(ICoreWebView2WebMessageReceivedEventArgs* args) {
    CoTaskString source;
    LogIfFailed("get_Source", args->get_Source(source.put()));
    if (!source || !IsAcceptedSource(WideToUtf8(source.get()), pageOrigin_))
        return;
    // Page script posts its JSON as a string; objects and other values are dropped.
    CoTaskString payload;
    if (FAILED(args->TryGetWebMessageAsString(payload.put())) || !payload)
        return;
    // Counted without reading past the limit: a message of hundreds of MB would
    // fail its allocations inside the conversion, out of this callback.
    const size_t longest = kLargeWriteMessageLimit;
    const size_t length = wcsnlen(payload.get(), longest + 1);
    if (length > longest)
        return DropLongMessage(longest);
    const std::string text = WideToUtf8(payload.get());
    payload.reset(); // not held beside its copy while the message is handled
    const bool isLong = length > kPageMessageLimit;
    if (const MessageHead head = ScanMessageHead(text);
        isLong && !IsSaveWrite(head) && !(largeWrites_ && IsLargeWrite(head)))
        return DropLongMessage(kPageMessageLimit);
    HandleWebMessage(text, isLong);
}

void MessageBridge::DropLongMessage(size_t limit) {
    LogPageCausedLine("a page message longer than " + GroupedDigits(limit) +
                      " characters was dropped");
}

void MessageBridge::HandleWebMessage(const std::string& text, bool isLong) {
    // A message that fails anywhere is dropped; what it already posted stays posted.
    try {
        const PageMessage message = ParsePageMessage(text);
        if (message.kind == PageMessage::Kind::Refused)
            return LogPageCausedLine("a page message was dropped: " + message.refusal);
        // Only a whole file written at once may be long; the parsed message decides.
        if (isLong && !MayBeLong(message))
            return DropLongMessage(kPageMessageLimit);
        switch (message.kind) {
        case PageMessage::Kind::Ignored:
        case PageMessage::Kind::Refused:
            break;
        case PageMessage::Kind::WrapperInit:
            SendWrapperInitResponse();
            break;
        case PageMessage::Kind::SetFullScreen:
            window_.SetFullScreen(message.fullscreen);
            break;
        case PageMessage::Kind::SetWindowSize:
            window_.SetWindowSize(message.width, message.height);
            break;
        case PageMessage::Kind::SetWindowPosition:
            window_.SetWindowPosition(message.x, message.y);
            break;
        case PageMessage::Kind::ExtensionMessage:
            HandToExtension(text);
            break;
        case PageMessage::Kind::SteamCall:
            // Empty: the answer waits for Steam and is posted when it comes.
            if (const std::string answer = steamCalls_ ? steamCalls_(*message.document) : "";
                !answer.empty())
                PostJsonToPage(answer);
            break;
        case PageMessage::Kind::SaveRequest:
            if (saveCalls_)
                PostJsonToPage(saveCalls_(*message.document));
            break;
        case PageMessage::Kind::TextFieldFocused:
            if (textFieldFocused_)
                textFieldFocused_(*message.document);
            break;
        case PageMessage::Kind::PadRequest:
            if (padCalls_)
                padCalls_(*message.document);
            break;
        case PageMessage::Kind::CloseReady:
            if (closeReady_)
                closeReady_();
            break;
        case PageMessage::Kind::OverlayKey:
            if (overlayKey_)
                overlayKey_();
            break;
        }
    } catch (...) {
    }
}

bool MessageBridge::MayBeLong(const PageMessage& message) const {
    return message.largeWrite &&
           (message.kind == PageMessage::Kind::SaveRequest || largeWrites_);
}

void MessageBridge::HandToExtension(const std::string& text) {
    if (!extensionHost_ || !extensionHost_->extensionMessageEntry)
        return;
    const ExtensionMessage entry = extensionHost_->extensionMessageEntry;
    if (!later_)
        return entry(text.c_str());
    later_([entry, text] { entry(text.c_str()); });
}

void MessageBridge::SendWrapperInitResponse() {
    if (!TopLevelIsPage())
        return;
    PostDirectoryHandles(environment_, webView_, folders_);
    static const std::vector<std::string> kNoComponents;
    PostJsonToPage(WrapperInitResponse(
        extensionHost_ ? extensionHost_->registeredComponentIds : kNoComponents, &lastRun_));
    if (afterWrapperInit_)
        afterWrapperInit_();
}

bool MessageBridge::PostJsonToPage(const std::string& json) {
    if (!TopLevelIsPage())
        return false;
    const HRESULT result = webView_->PostWebMessageAsJson(Utf8ToWide(json).c_str());
    LogIfFailed("PostWebMessageAsJson", result);
    return SUCCEEDED(result);
}

// Messages reach whatever document is on top: in remote mode that may be another
// site the page navigated to, which must not get the handles or the extension's words.
bool MessageBridge::TopLevelIsPage() const {
    if (!webView_)
        return false;
    CoTaskString source;
    LogIfFailed("get_Source", webView_->get_Source(source.put()));
    return source && IsSameWebOrigin(WideToUtf8(source.get()), pageOrigin_);
}
