#include "webview/velnor_webview.h"

#include <utility>

#include "extensions/extension_host.h"
#include "manifest/manifest.h"
#include "util/author_log.h"
#include "util/com_callback.h"
#include "util/message_box.h"
#include "util/text.h"
#include "webview/environment_options.h"

namespace {
constexpr char kBrowserStartFailedMessage[] =
    "Failed to start the Microsoft Edge WebView2 runtime. Run the app again to try again.";
}

VelnorWebView* g_webView = nullptr;

VelnorWebView::VelnorWebView(const AppManifest& manifest, HWND mainWindow,
                             const std::string& applicationFolder, const std::string& contentFolder,
                             const wchar_t* browserExecutableFolder,
                             const std::string& userDataFolder)
    : manifest_(&manifest), mainWindow_(mainWindow), userDataFolder_(userDataFolder),
      pageOrigin_(manifest.contentMode == ContentMode::Bundle ? kAppOrigin : manifest.main),
      browserExecutableFolder_(browserExecutableFolder),
      windowCommands_(mainWindow, {manifest.minWidth, manifest.minHeight}),
      messageBridge_(pageOrigin_,
                     {applicationFolder, applicationFolder + contentFolder, userDataFolder,
                      manifest.directoryHandles, manifest.writableProgramFolder},
                     windowCommands_, g_extensionHost, environment_, webView_),
      contentServer_(applicationFolder + contentFolder, pageOrigin_.size(),
                     manifest.crossOriginIsolation, environment_) {
    if (g_extensionHost)
        g_extensionHost->postToPage = [this](const std::string& json) {
            messageBridge_.PostJsonToPage(json);
        };
}

void VelnorWebView::Init() {
    const std::wstring arguments = Utf8ToWide(manifest_->chromiumArgs);
    const std::wstring profileFolder = Utf8ToWide(userDataFolder_);
    com_ptr<ICoreWebView2EnvironmentOptions> options = MakeEnvironmentOptions();
    options->put_AdditionalBrowserArguments(arguments.c_str());
    auto completed = MakeCallback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        [this](HRESULT errorCode, ICoreWebView2Environment* created) {
            OnEnvironmentCreated(errorCode, created);
        });
    // A call that fails at once never calls the handler back.
    const HRESULT result = CreateCoreWebView2EnvironmentWithOptions(
        browserExecutableFolder_, profileFolder.c_str(), options.get(), completed.get());
    LogIfFailed("CreateCoreWebView2EnvironmentWithOptions", result);
    if (FAILED(result))
        ReportStartFailure();
}

void VelnorWebView::OnEnvironmentCreated(HRESULT errorCode, ICoreWebView2Environment* created) {
    LogIfFailed("environment creation", errorCode);
    if (FAILED(errorCode) || !created)
        return ReportStartFailure();
    environment_ = com_ptr<ICoreWebView2Environment>::copy_from(created);
    auto completed = MakeCallback<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        [this](HRESULT code, ICoreWebView2Controller* createdController) {
            OnControllerCreated(code, createdController);
        });
    const HRESULT result = environment_->CreateCoreWebView2Controller(mainWindow_, completed.get());
    LogIfFailed("CreateCoreWebView2Controller", result);
    if (FAILED(result))
        ReportStartFailure();
}

void VelnorWebView::OnControllerCreated(HRESULT errorCode, ICoreWebView2Controller* created) {
    LogIfFailed("controller creation", errorCode);
    if (FAILED(errorCode) || !created)
        return ReportStartFailure();
    controller_ = com_ptr<ICoreWebView2Controller>::copy_from(created);
    LogIfFailed("get_CoreWebView2", controller_->get_CoreWebView2(webView_.put()));
    if (!webView_)
        return ReportStartFailure();
    webView2_ = webView_.try_query<ICoreWebView2_2>();

    ApplyBackgroundColor();
    com_ptr<ICoreWebView2Settings> settings;
    LogIfFailed("get_Settings", webView_->get_Settings(settings.put()));
    if (settings)
        ApplySettings(settings);
    RECT bounds;
    GetClientRect(mainWindow_, &bounds);
    controller_->put_Bounds(bounds);
    RegisterEventHandlers();
    NavigateToStartPage();
    // Without ICoreWebView2_2 there is no DOMContentLoaded: show the window as soon
    // as the first page is on its way, rather than never.
    if (!webView2_)
        ShowAndFocus();
}

void VelnorWebView::ApplySettings(const com_ptr<ICoreWebView2Settings>& settings) {
    LogIfFailed("put_IsScriptEnabled", settings->put_IsScriptEnabled(TRUE));
    LogIfFailed("put_AreHostObjectsAllowed", settings->put_AreHostObjectsAllowed(FALSE));
    LogIfFailed("put_AreDefaultScriptDialogsEnabled",
                settings->put_AreDefaultScriptDialogsEnabled(TRUE));
    LogIfFailed("put_IsWebMessageEnabled", settings->put_IsWebMessageEnabled(TRUE));
    LogIfFailed("put_IsZoomControlEnabled", settings->put_IsZoomControlEnabled(FALSE));
    LogIfFailed("put_AreDefaultContextMenusEnabled",
                settings->put_AreDefaultContextMenusEnabled(DefaultContextMenusEnabled()));
    LogIfFailed("put_AreDevToolsEnabled",
                settings->put_AreDevToolsEnabled(manifest_->enableDevtools ? TRUE : FALSE));
    // Older runtimes lack Settings3: their own accelerator keys then stay on and
    // F12 is left to them.
    if (com_ptr<ICoreWebView2Settings3> settings3 = settings.try_query<ICoreWebView2Settings3>()) {
        LogIfFailed("put_AreBrowserAcceleratorKeysEnabled",
                    settings3->put_AreBrowserAcceleratorKeysEnabled(FALSE));
        LogFailedRegistration("AcceleratorKeyPressed",
                              AddHandler(controller_.get(),
                                         &ICoreWebView2Controller::add_AcceleratorKeyPressed,
                                         [this](ICoreWebView2Controller*,
                                                ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
                                             OnAcceleratorKeyPressed(args);
                                         }));
    }
}

// Requests from service workers and shared workers reach the handler only
// through the filter that names them; older runtimes have the plain filter alone.
void VelnorWebView::AddContentFilter() {
    const std::wstring filter = Utf8ToWide(pageOrigin_ + "*");
    if (com_ptr<ICoreWebView2_22> view22 = webView_.try_query<ICoreWebView2_22>())
        LogIfFailed("AddWebResourceRequestedFilterWithRequestSourceKinds",
                    view22->AddWebResourceRequestedFilterWithRequestSourceKinds(
                        filter.c_str(), COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL,
                        COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_ALL));
    else
        LogIfFailed("AddWebResourceRequestedFilter",
                    webView_->AddWebResourceRequestedFilter(
                        filter.c_str(), COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL));
}

// Older runtimes lack Controller2: they paint white until the first frame.
void VelnorWebView::ApplyBackgroundColor() {
    if (com_ptr<ICoreWebView2Controller2> controller2 =
            controller_.try_query<ICoreWebView2Controller2>()) {
        const uint32_t rgb = manifest_->backgroundColor;
        LogIfFailed("put_DefaultBackgroundColor",
                    controller2->put_DefaultBackgroundColor(
                        {255, static_cast<BYTE>(rgb >> 16), static_cast<BYTE>(rgb >> 8),
                         static_cast<BYTE>(rgb)}));
    }
}

void VelnorWebView::RegisterEventHandlers() {
    ICoreWebView2* view = webView_.get();
    LogFailedRegistration(
        "DocumentTitleChanged",
        AddHandler(view, &ICoreWebView2::add_DocumentTitleChanged,
                   [this](ICoreWebView2* sender, IUnknown*) { OnDocumentTitleChanged(sender); }));
    if (manifest_->contentMode == ContentMode::Bundle) {
        AddContentFilter();
        LogFailedRegistration(
            "WebResourceRequested",
            AddHandler(view, &ICoreWebView2::add_WebResourceRequested,
                       [this](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
                           contentServer_.OnWebResourceRequested(args);
                       }));
    }
    LogFailedRegistration(
        "NavigationStarting",
        AddHandler(view, &ICoreWebView2::add_NavigationStarting,
                   [this](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
                       OnNavigationStarting(args);
                   }));
    LogFailedRegistration(
        "PermissionRequested",
        AddHandler(view, &ICoreWebView2::add_PermissionRequested,
                   [this](ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* args) {
                       OnPermissionRequested(args);
                   }));
    LogFailedRegistration("ContainsFullScreenElementChanged",
                          AddHandler(view, &ICoreWebView2::add_ContainsFullScreenElementChanged,
                                     [this](ICoreWebView2* sender, IUnknown*) {
                                         OnContainsFullScreenElementChanged(sender);
                                     }));
    LogFailedRegistration(
        "WindowCloseRequested",
        AddHandler(view, &ICoreWebView2::add_WindowCloseRequested,
                   [this](ICoreWebView2*, IUnknown*) { OnWindowCloseRequested(); }));
    LogFailedRegistration(
        "NewWindowRequested",
        AddHandler(view, &ICoreWebView2::add_NewWindowRequested,
                   [this](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
                       OnNewWindowRequested(args);
                   }));
    LogFailedRegistration(
        "WebMessageReceived",
        AddHandler(view, &ICoreWebView2::add_WebMessageReceived,
                   [this](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
                       messageBridge_.OnWebMessageReceived(args);
                   }));
    // Older runtimes lack ICoreWebView2_18: their own prompt stays the only guard.
    if (com_ptr<ICoreWebView2_18> view18 = webView_.try_query<ICoreWebView2_18>())
        LogFailedRegistration(
            "LaunchingExternalUriScheme",
            AddHandler(view18.get(), &ICoreWebView2_18::add_LaunchingExternalUriScheme,
                       [this](ICoreWebView2*, ICoreWebView2LaunchingExternalUriSchemeEventArgs* a) {
                           OnLaunchingExternalUriScheme(a);
                       }));
    RegisterProcessFailedHandler();
    RegisterContextMenuHandler();
    if (webView2_)
        LogFailedRegistration(
            "DOMContentLoaded",
            AddHandler(webView2_.get(), &ICoreWebView2_2::add_DOMContentLoaded,
                       [this](ICoreWebView2*, ICoreWebView2DOMContentLoadedEventArgs*) {
                           ShowAndFocus();
                       }));
}

void VelnorWebView::LogFailedRegistration(const char* event, HRESULT result) {
    LogIfFailed((std::string("add_") + event).c_str(), result);
}

void VelnorWebView::NavigateToStartPage() {
    const std::string target = manifest_->contentMode == ContentMode::Bundle
                                   ? pageOrigin_ + manifest_->main
                                   : manifest_->main;
    LogIfFailed("Navigate", webView_->Navigate(Utf8ToWide(target).c_str()));
}

void VelnorWebView::ReportStartFailure() {
    // Without a browser control the hidden window would never appear: say so and
    // end the message loop with exit code 1.
    if (recreatingBrowser_)
        return EndAfterFailure();
    ShowMessage(kBrowserStartFailedMessage, manifest_->title, MB_ICONERROR);
    PostQuitMessage(1);
}

void VelnorWebView::OnMainWindowMoved() {
    if (controller_)
        controller_->NotifyParentWindowPositionChanged();
}

void VelnorWebView::OnMainWindowSized(bool minimised) {
    if (!controller_)
        return;
    // An empty viewport would make the page lay out, and games rebuild their
    // canvas, at size 0; hidden, the page also stops drawing frames.
    if (minimised) {
        if (!std::exchange(hiddenWhileMinimised_, true))
            controller_->put_IsVisible(FALSE);
        return;
    }
    RECT client;
    GetClientRect(mainWindow_, &client);
    controller_->put_Bounds(client);
    if (std::exchange(hiddenWhileMinimised_, false))
        controller_->put_IsVisible(TRUE);
}

void VelnorWebView::OnMainWindowActivated() {
    if (controller_ && IsWindowVisible(mainWindow_) && !IsIconic(mainWindow_))
        controller_->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
}
