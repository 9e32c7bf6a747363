// The message bridge on its own: page messages in, posts recorded, the window
// commands on a real window, an extension host without a library.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "app/main_window.h"
#include "bridge/message_bridge.h"
#include "window/window_commands.h"
#include "extensions/extension_host.h"
#include "manifest/manifest.h"
#include "support/fake_webview2.h"
#include "support/main_window_class.h"

namespace {
std::vector<std::string> g_extensionMessages;
void RecordExtensionMessage(const char* text) {
    g_extensionMessages.emplace_back(text);
}

constexpr wchar_t kPage[] = L"https://app.localhost/index.html";

class MessageBridgeAlone : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(MainWindowClassRegistered());
        manifest_.width = 640;
        manifest_.height = 480;
        window_ = CreateMainWindow(GetModuleHandleW(nullptr), manifest_, SystemAwareDpi());
        ASSERT_NE(window_, nullptr);
        commands_ = std::make_unique<WindowCommands>(window_, SystemAwareDpi());
        g_extensionMessages.clear();
        extensions_.registeredComponentIds = {"first", "second"};
        extensions_.extensionMessageEntry = RecordExtensionMessage;
        bridge_ = std::make_unique<MessageBridge>(
            "https://app.localhost/", HandleFolders{"C:\\app\\", "C:\\app\\www\\", "C:\\data"},
            *commands_, &extensions_);
        bridge_->SetBrowser(environment_.get(), webView_.get());
    }
    void TearDown() override {
        bridge_.reset();
        commands_.reset();
        DestroyWindow(window_);
        webView_.reset();
        ExpectEveryFakeReferenceReleased();
    }

    SIZE ClientSize() const {
        RECT client;
        GetClientRect(window_, &client);
        return {client.right, client.bottom};
    }
    void Receive(const std::wstring& source, std::optional<std::wstring> text) {
        FakeWebMessageArgs args;
        args.source = source;
        args.text = std::move(text);
        bridge_->OnWebMessageReceived(&args);
    }

    AppManifest manifest_;
    HWND window_ = nullptr;
    ExtensionHost extensions_{"C:\\app\\", "www\\", "C:\\data"};
    com_ptr<ICoreWebView2Environment> environment_; // no runtime: no directory handles
    RecordingWebView page_;
    com_ptr<ICoreWebView2> webView_ = com_ptr<ICoreWebView2>::copy_from(&page_);
    std::unique_ptr<WindowCommands> commands_;
    std::unique_ptr<MessageBridge> bridge_;
};

TEST_F(MessageBridgeAlone, WrapperInitIsAnsweredWithTheComponentIdsEveryTime) {
    const std::string response =
        R"({"registeredComponentIds":["first","second"],"type":"wrapper-init-response"})";
    Receive(kPage, LR"({"type":"wrapper-init"})");
    Receive(kPage, LR"({"type":"wrapper-init","extra":[1,2]})");
    EXPECT_EQ(page_.posts, (std::vector<std::string>{response, response}));
}

TEST_F(MessageBridgeAlone, OnlyStringsFromThePageOriginAreHeard) {
    Receive(L"https://app.localhost.evil.net/", LR"({"type":"wrapper-init"})");
    Receive(L"https://evil.net/", LR"({"type":"wrapper-init"})");
    Receive(kPage, std::nullopt); // the page posted an object, not a string
    Receive(kPage, L"not json");
    Receive(kPage, LR"(["wrapper-init"])");
    EXPECT_TRUE(page_.posts.empty());
    EXPECT_TRUE(g_extensionMessages.empty());
}

TEST_F(MessageBridgeAlone, WindowMessagesDriveTheWindowCommands) {
    bridge_->HandleWebMessage(R"({"type":"set-window-size","windowWidth":500,"windowHeight":300})");
    EXPECT_EQ(ClientSize().cx, ScaleForDpi(500));
    EXPECT_EQ(ClientSize().cy, ScaleForDpi(300));

    bridge_->HandleWebMessage(R"({"type":"set-fullscreen","fullscreen":true})");
    EXPECT_TRUE(commands_->IsFullScreen());
    bridge_->HandleWebMessage(R"({"type":"set-fullscreen"})"); // the default leaves it
    EXPECT_FALSE(commands_->IsFullScreen());
}

TEST_F(MessageBridgeAlone, ExtensionMessagesReachTheLibraryWhole) {
    const std::string text = "{\"type\":\"extension-message\",\"text\":\"gr\xC3\xBC\xC3\x9F "
                             "\xF0\x9F\x98\x80\",\"n\":1}";
    bridge_->HandleWebMessage(text);
    EXPECT_EQ(g_extensionMessages, std::vector<std::string>{text});
    EXPECT_TRUE(page_.posts.empty());
}

TEST_F(MessageBridgeAlone, PostsBeforeTheBrowserControlExistsAreDropped) {
    MessageBridge early("https://app.localhost/", {}, *commands_, nullptr);
    early.HandleWebMessage(R"({"type":"wrapper-init"})");
    early.PostJsonToPage(R"({"from":"extension","early":true})");

    early.SetBrowser(environment_.get(), webView_.get());
    early.PostJsonToPage(R"({"from":"extension"})");
    // Between sessions (a browser created again) posts are dropped once more.
    early.SetBrowser(nullptr, nullptr);
    early.PostJsonToPage(R"({"from":"extension","between":true})");
    EXPECT_EQ(page_.posts, std::vector<std::string>{R"({"from":"extension"})"});
}
// Heard through the bridge's own registration, made with the browser and
// removed with it (before a session's controller closes).
TEST_F(MessageBridgeAlone, HearsThePageOnlyWhileItHasABrowser) {
    int heard = 0;
    bridge_->HearEveryMessageWith([&heard] { ++heard; });
    ASSERT_TRUE(page_.messageHandler);
    FakeWebMessageArgs args;
    args.source = kPage;
    args.text = LR"({"type":"wrapper-init"})";
    EXPECT_EQ(page_.messageHandler->Invoke(webView_.get(), &args), S_OK);
    EXPECT_EQ(heard, 1);
    EXPECT_EQ(page_.posts.size(), 1u);
    bridge_->SetBrowser(nullptr, nullptr);
    EXPECT_FALSE(page_.messageHandler) << "removed with its own token";
}
} // namespace
