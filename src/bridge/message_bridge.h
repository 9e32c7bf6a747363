#pragma once
// Page script's messages to the host, and the host's posts to the page.
#include <functional>
#include <string>

#include <WebView2.h>

#include "bridge/directory_handles.h"
#include "bridge/page_message.h"
#include "crash/run_facts.h"
#include "util/com/com_ptr.h"
#include "util/com/event_subscriptions.h"

class WindowCommands;
struct ExtensionHost;

class MessageBridge {
public:
    MessageBridge(std::string pageOrigin, HandleFolders folders, WindowCommands& window,
                  ExtensionHost* extensionHost);
    MessageBridge(const MessageBridge&) = delete;
    MessageBridge& operator=(const MessageBridge&) = delete;

    // Only string messages from the page origin are heard.
    void OnWebMessageReceived(ICoreWebView2WebMessageReceivedEventArgs* args);
    // Dispatches one message text by its "type"; a message that fails is dropped,
    // and so is a long one (over kPageMessageLimit) that writes no whole file.
    void HandleWebMessage(const std::string& text, bool isLong = false);
    // Posts only while the top-level document has the page's origin; says whether it did.
    bool PostJsonToPage(const std::string& json);
    // The current browser session's objects, or nulls between sessions (before
    // its controller closes); posts made without a browser are dropped. The
    // bridge hears the web view's WebMessageReceived while it has one.
    void SetBrowser(ICoreWebView2Environment* environment, ICoreWebView2* webView);
    // Runs first for every message the page sends, heard or not.
    void HearEveryMessageWith(std::function<void()> heard) { heard_ = std::move(heard); }
    // Runs the extension's part of a message later, from the message loop, so the
    // library's own code never runs inside the runtime's event; without it, at once.
    using Later = std::function<void(std::function<void()> work)>;
    void DeliverExtensionMessagesWith(Later later) { later_ = std::move(later); }
    // Answers "steam" messages, parsed; without it they go unanswered.
    using SteamCalls = std::function<std::string(const nlohmann::json& message)>;
    void AnswerSteamCallsWith(SteamCalls answer) { steamCalls_ = std::move(answer); }
    // Answers the "save-*" messages, parsed; without it they go unanswered.
    using SaveCalls = std::function<std::string(const nlohmann::json& message)>;
    void AnswerSaveCallsWith(SaveCalls answer) { saveCalls_ = std::move(answer); }
    // Hears "text-field-focused", parsed; without it they are ignored.
    using TextFieldFocused = std::function<void(const nlohmann::json& message)>;
    void OnTextFieldFocused(TextFieldFocused focused) { textFieldFocused_ = std::move(focused); }
    // Hears the pad requests ("gamepad-rumble", "gamepads-sync"), parsed; without
    // it they are ignored.
    using PadCalls = std::function<void(const nlohmann::json& message)>;
    void HearPadRequestsWith(PadCalls hear) { padCalls_ = std::move(hear); }
    // Runs after each "wrapper-init-response" is posted.
    void AfterWrapperInit(std::function<void()> after) { afterWrapperInit_ = std::move(after); }
    // The saves folder's handle (position 13); none by default.
    void OfferSavesFolder(std::string folder) { folders_.saves = std::move(folder); }
    // Lets a cloud write be longer than kPageMessageLimit, up to
    // kLargeWriteMessageLimit, as a "save-write" always may; off by default.
    void AllowLargeWrites(bool allowed) { largeWrites_ = allowed; }
    // Told in every "wrapper-init-response" of this run.
    void TellPageOfLastRun(LastRunReport lastRun) { lastRun_ = std::move(lastRun); }
    // The page's "close-ready".
    void OnCloseReady(std::function<void()> closeReady) { closeReady_ = std::move(closeReady); }
    // The page's "overlay-key" (Shift+Tab, seen by the overlay's document script).
    void OnOverlayKey(std::function<void()> overlayKey) { overlayKey_ = std::move(overlayKey); }

private:
    void SendWrapperInitResponse();
    void HandToExtension(const std::string& text);
    void DropLongMessage(size_t limit);
    bool TopLevelIsPage() const;
    bool MayBeLong(const PageMessage& message) const;

    const std::string pageOrigin_;
    HandleFolders folders_;
    WindowCommands& window_;
    ExtensionHost* const extensionHost_;
    ICoreWebView2Environment* environment_ = nullptr;
    ICoreWebView2* webView_ = nullptr;
    SteamCalls steamCalls_;
    SaveCalls saveCalls_;
    TextFieldFocused textFieldFocused_;
    PadCalls padCalls_;
    std::function<void()> afterWrapperInit_;
    std::function<void()> closeReady_;
    std::function<void()> overlayKey_;
    Later later_;
    std::function<void()> heard_;
    bool largeWrites_ = false;
    LastRunReport lastRun_;
    EventSubscriptions subscriptions_; // last: removed first
};
