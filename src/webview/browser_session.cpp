#include "webview/browser_session.h"

#include <utility>

#include "webview/environment_options.h"

BrowserSession::BrowserSession(Options options, std::function<void()> ready,
                               std::function<void()> failed)
    : options_(std::move(options)), ready_(std::move(ready)), failed_(std::move(failed)) {}

BrowserSession::~BrowserSession() {
    CloseBrowser();
    browserExitWatch_.RemoveAll();
}

void BrowserSession::CloseBrowser() {
    subscriptions_.RemoveAll();
    if (!controller_ || controllerClosed_)
        return;
    controllerClosed_ = true;
    const HRESULT result = controller_->Close();
    LogIfFailed("Close", result);
    closedWithWatch_ = SUCCEEDED(result) && !browserExitWatch_.Empty();
}

void BrowserSession::Start() {
    com_ptr<ICoreWebView2EnvironmentOptions> options = MakeEnvironmentOptions();
    LogIfFailed("put_AdditionalBrowserArguments",
                options->put_AdditionalBrowserArguments(options_.browserArguments.c_str()));
    // Crash dumps stay on the player's machine: the runtime uploads none.
    com_ptr<ICoreWebView2EnvironmentOptions3> options3;
    if (SUCCEEDED(options->QueryInterface(IID_ICoreWebView2EnvironmentOptions3,
                                          reinterpret_cast<void**>(options3.put()))))
        LogIfFailed("put_IsCustomCrashReportingEnabled",
                    options3->put_IsCustomCrashReportingEnabled(TRUE));
    auto completed = MakeCallback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        [this, alive = std::weak_ptr<char>(alive_)](HRESULT errorCode,
                                                    ICoreWebView2Environment* created) {
            if (alive.lock())
                OnEnvironmentCreated(errorCode, created);
        });
    // A call that fails at once never calls the handler back.
    const HRESULT result = CreateCoreWebView2EnvironmentWithOptions(
        options_.browserExecutableFolder, options_.userDataFolder.c_str(), options.get(),
        completed.get());
    if (FAILED(result))
        Fail("CreateCoreWebView2EnvironmentWithOptions", result);
}

void BrowserSession::OnEnvironmentCreated(HRESULT errorCode, ICoreWebView2Environment* created) {
    if (FAILED(errorCode) || !created)
        return Fail("environment creation", FAILED(errorCode) ? errorCode : E_POINTER);
    environment_ = com_ptr<ICoreWebView2Environment>::copy_from(created);
    WatchBrowserExit();
    auto completed = MakeCallback<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        [this, alive = std::weak_ptr<char>(alive_)](HRESULT code,
                                                    ICoreWebView2Controller* controller) {
            if (alive.lock())
                OnControllerCreated(code, controller);
        });
    const HRESULT result =
        environment_->CreateCoreWebView2Controller(options_.window, completed.get());
    if (FAILED(result))
        Fail("CreateCoreWebView2Controller", result);
}

void BrowserSession::OnControllerCreated(HRESULT errorCode, ICoreWebView2Controller* created) {
    if (FAILED(errorCode) || !created)
        return Fail("controller creation", FAILED(errorCode) ? errorCode : E_POINTER);
    controller_ = com_ptr<ICoreWebView2Controller>::copy_from(created);
    const HRESULT result = controller_->get_CoreWebView2(webView_.put());
    if (FAILED(result) || !webView_)
        return Fail("get_CoreWebView2", FAILED(result) ? result : E_POINTER);
    webView2_ = webView_.try_query<ICoreWebView2_2>();
    ready_();
}

void BrowserSession::Fail(const char* call, HRESULT result) {
    LogIfFailed(call, result);
    failed_();
}

// Older runtimes lack Environment5: the host then cannot know when the profile
// is written, and ends without waiting.
void BrowserSession::WatchBrowserExit() {
    if (com_ptr<ICoreWebView2Environment5> environment5 =
            environment_.try_query<ICoreWebView2Environment5>())
        browserExitWatch_.Add(
            "BrowserProcessExited", environment5.get(),
            &ICoreWebView2Environment5::add_BrowserProcessExited,
            &ICoreWebView2Environment5::remove_BrowserProcessExited,
            [this](ICoreWebView2Environment*, ICoreWebView2BrowserProcessExitedEventArgs*) {
                browserExited_ = true;
            });
}
