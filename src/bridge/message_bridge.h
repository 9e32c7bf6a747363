#pragma once
// Page script's messages to the host, and the host's posts to the page.
#include <string>

#include <WebView2.h>

#include "bridge/directory_handles.h"
#include "util/com_ptr.h"

class WindowCommands;
struct ExtensionHost;

class MessageBridge {
public:
    // The environment and web view are the web view host's, null until the
    // browser control exists; posts made before then are dropped.
    MessageBridge(std::string pageOrigin, HandleFolders folders, WindowCommands& window,
                  ExtensionHost* extensionHost,
                  const com_ptr<ICoreWebView2Environment>& environment,
                  const com_ptr<ICoreWebView2>& webView);
    MessageBridge(const MessageBridge&) = delete;
    MessageBridge& operator=(const MessageBridge&) = delete;

    // Only string messages from the page origin are heard.
    void OnWebMessageReceived(ICoreWebView2WebMessageReceivedEventArgs* args);
    // Dispatches one message text by its "type"; a message that fails is dropped.
    void HandleWebMessage(const std::string& text);
    // Posts only while the top-level document has the page's origin.
    void PostJsonToPage(const std::string& json);

private:
    void SendWrapperInitResponse();
    bool TopLevelIsPage() const;

    const std::string pageOrigin_;
    const HandleFolders folders_;
    WindowCommands& window_;
    ExtensionHost* const extensionHost_;
    const com_ptr<ICoreWebView2Environment>& environment_;
    const com_ptr<ICoreWebView2>& webView_;
};
