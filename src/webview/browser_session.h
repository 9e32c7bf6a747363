#pragma once
// One browser: the environment, the controller, the web view and every handler
// registered on them. Built by one asynchronous chain (environment, then
// controller) and torn down in one place, its destructor: registrations
// removed, controller closed, objects released. Never destroyed inside one of
// its own callbacks: the owner does that from the message loop.
#include <functional>
#include <memory>
#include <string>

#include <windows.h>
#include <WebView2.h>

#include "util/com/com_ptr.h"
#include "util/com/event_subscriptions.h"

class BrowserSession {
public:
    struct Options {
        HWND window;
        const wchar_t* browserExecutableFolder;
        std::wstring userDataFolder;
        std::wstring browserArguments;
    };
    // `ready` runs once the web view exists, `failed` when the chain stops (the
    // failing call is logged); both run inside the runtime's callback.
    BrowserSession(Options options, std::function<void()> ready, std::function<void()> failed);
    ~BrowserSession();
    BrowserSession(const BrowserSession&) = delete;
    BrowserSession& operator=(const BrowserSession&) = delete;

    // Starts environment creation; the runtime completes the chain through
    // callbacks on this thread's message loop.
    void Start();

    // Null until the chain has reached them.
    ICoreWebView2Environment* environment() const { return environment_.get(); }
    ICoreWebView2Controller* controller() const { return controller_.get(); }
    ICoreWebView2* webView() const { return webView_.get(); }
    // Null on runtimes without ICoreWebView2_2 (no DOMContentLoaded).
    ICoreWebView2_2* webView2() const { return webView2_.get(); }

    // Registers `function` for one event of `source` (one of this session's
    // objects) until the session closes: the host's own handlers. A feature
    // of the session keeps its own EventSubscriptions, ended before the close.
    template <typename Source, typename Base, typename Handler, typename Function>
    void Subscribe(const char* event, Source* source,
                   HRESULT (STDMETHODCALLTYPE Base::*add)(Handler*, EventRegistrationToken*),
                   HRESULT (STDMETHODCALLTYPE Base::*remove)(EventRegistrationToken),
                   Function function) {
        subscriptions_.Add(event, source, add, remove, std::move(function));
    }

    // Closes the browser (the controller, every registration on the page)
    // but keeps the environment's watch on its processes (browser_exit.cpp).
    void CloseBrowser();
    // Whether the browser's processes are still to end after CloseBrowser:
    // the profile is fully written only once they have.
    bool BrowserExitPending() const { return closedWithWatch_ && !browserExited_; }

private:
    void WatchBrowserExit();

    void OnEnvironmentCreated(HRESULT errorCode, ICoreWebView2Environment* created);
    void OnControllerCreated(HRESULT errorCode, ICoreWebView2Controller* created);
    void Fail(const char* call, HRESULT result);

    const Options options_;
    const std::function<void()> ready_;
    const std::function<void()> failed_;
    // Callbacks of a chain that outlives its session find it gone.
    const std::shared_ptr<char> alive_ = std::make_shared<char>();
    com_ptr<ICoreWebView2Environment> environment_;
    com_ptr<ICoreWebView2Controller> controller_;
    com_ptr<ICoreWebView2> webView_;
    com_ptr<ICoreWebView2_2> webView2_;
    EventSubscriptions subscriptions_;
    // The environment's BrowserProcessExited: outlives CloseBrowser.
    EventSubscriptions browserExitWatch_;
    bool controllerClosed_ = false;
    bool browserExited_ = false;
    bool closedWithWatch_ = false;
};
