#include "webview/velnor_webview.h"

#include "app/manifest.h"
#include "extensions/extension_host.h"
#include "util/text.h"
#include "webview/callback.h"
#include "webview/environment_options.h"

namespace {
constexpr wchar_t kBrowserStartFailedMessage[] =
    L"Failed to start the Microsoft Edge WebView2 runtime. Run the app again to try again.";
}

VelnorWebView::VelnorWebView(const AppManifest& manifest, HWND mainWindow,
                             const std::string& applicationFolder, const std::string& contentFolder,
                             const wchar_t* browserExecutableFolder,
                             const std::string& userDataFolder)
    : manifest(&manifest), extensionHost(g_extensionHost), mainWindow(mainWindow),
      applicationFolder(applicationFolder), contentFolder(contentFolder),
      userDataFolder(userDataFolder),
      pageOrigin(manifest.contentMode == ContentMode::Bundle ? kAppOrigin : manifest.main),
      browserExecutableFolder(browserExecutableFolder) {
    if (extensionHost)
        extensionHost->webViewHost = this;
}

void VelnorWebView::Init() {
    const std::wstring arguments = Utf8ToWide(manifest->chromiumArgs);
    const std::wstring profileFolder = Utf8ToWide(userDataFolder);
    com_ptr<ICoreWebView2EnvironmentOptions> options = MakeEnvironmentOptions();
    options->put_AdditionalBrowserArguments(arguments.c_str());
    auto completed = MakeCallback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        [this](HRESULT errorCode, ICoreWebView2Environment* created) {
            OnEnvironmentCreated(errorCode, created);
        });
    // A call that fails at once never calls the handler back.
    if (FAILED(CreateCoreWebView2EnvironmentWithOptions(
            browserExecutableFolder, profileFolder.c_str(), options.get(), completed.get())))
        ReportStartFailure();
}

void VelnorWebView::OnEnvironmentCreated(HRESULT errorCode, ICoreWebView2Environment* created) {
    if (FAILED(errorCode) || !created)
        return ReportStartFailure();
    environment = com_ptr<ICoreWebView2Environment>::copy_from(created);
    auto completed = MakeCallback<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        [this](HRESULT code, ICoreWebView2Controller* createdController) {
            OnControllerCreated(code, createdController);
        });
    if (FAILED(environment->CreateCoreWebView2Controller(mainWindow, completed.get())))
        ReportStartFailure();
}

void VelnorWebView::OnControllerCreated(HRESULT errorCode, ICoreWebView2Controller* created) {
    if (FAILED(errorCode) || !created)
        return ReportStartFailure();
    controller = com_ptr<ICoreWebView2Controller>::copy_from(created);
    controller->get_CoreWebView2(webView.put());
    if (!webView)
        return ReportStartFailure();
    webView2 = webView.query<ICoreWebView2_2>();

    com_ptr<ICoreWebView2Settings> settings;
    webView->get_Settings(settings.put());
    if (settings)
        ApplySettings(settings);
    RECT bounds;
    GetClientRect(mainWindow, &bounds);
    controller->put_Bounds(bounds);
    RegisterEventHandlers();
    NavigateToStartPage();
    // Without ICoreWebView2_2 there is no DOMContentLoaded: show the window as soon
    // as the first page is on its way, rather than never.
    if (!webView2)
        ShowAndFocus();
}

void VelnorWebView::ApplySettings(const com_ptr<ICoreWebView2Settings>& settings) {
    settings->put_IsScriptEnabled(TRUE);
    settings->put_AreHostObjectsAllowed(FALSE);
    settings->put_AreDefaultScriptDialogsEnabled(TRUE);
    settings->put_IsWebMessageEnabled(TRUE);
    settings->put_IsZoomControlEnabled(FALSE);
    settings->put_AreDefaultContextMenusEnabled(TRUE);
    settings->put_AreDevToolsEnabled(manifest->enableDevtools ? TRUE : FALSE);
    // Older runtimes lack Settings3: their own accelerator keys then stay on and
    // F12 is left to them.
    if (com_ptr<ICoreWebView2Settings3> settings3 = settings.query<ICoreWebView2Settings3>()) {
        settings3->put_AreBrowserAcceleratorKeysEnabled(FALSE);
        controller->add_AcceleratorKeyPressed(
            MakeCallback<ICoreWebView2AcceleratorKeyPressedEventHandler>(
                [this](ICoreWebView2Controller*,
                       ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
                    OnAcceleratorKeyPressed(args);
                })
                .get(),
            nullptr);
    }
}

void VelnorWebView::RegisterEventHandlers() {
    webView->add_DocumentTitleChanged(
        MakeCallback<ICoreWebView2DocumentTitleChangedEventHandler>([this](ICoreWebView2* sender,
                                                                           IUnknown*) {
            OnDocumentTitleChanged(sender);
        }).get(),
        nullptr);
    if (manifest->contentMode == ContentMode::Bundle) {
        const std::wstring filter = Utf8ToWide(pageOrigin + "*");
        webView->AddWebResourceRequestedFilter(filter.c_str(),
                                               COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
        webView->add_WebResourceRequested(
            MakeCallback<ICoreWebView2WebResourceRequestedEventHandler>(
                [this](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
                    OnWebResourceRequested(args);
                })
                .get(),
            nullptr);
        webView->add_NavigationStarting(
            MakeCallback<ICoreWebView2NavigationStartingEventHandler>(
                [this](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
                    OnNavigationStarting(args);
                })
                .get(),
            nullptr);
    }
    webView->add_PermissionRequested(
        MakeCallback<ICoreWebView2PermissionRequestedEventHandler>(
            [this](ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* args) {
                OnPermissionRequested(args);
            })
            .get(),
        nullptr);
    webView->add_ContainsFullScreenElementChanged(
        MakeCallback<ICoreWebView2ContainsFullScreenElementChangedEventHandler>(
            [this](ICoreWebView2* sender, IUnknown*) {
                OnContainsFullScreenElementChanged(sender);
            })
            .get(),
        nullptr);
    webView->add_WindowCloseRequested(
        MakeCallback<ICoreWebView2WindowCloseRequestedEventHandler>([this](ICoreWebView2*,
                                                                           IUnknown*) {
            OnWindowCloseRequested();
        }).get(),
        nullptr);
    webView->add_NewWindowRequested(
        MakeCallback<ICoreWebView2NewWindowRequestedEventHandler>(
            [this](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
                OnNewWindowRequested(args);
            })
            .get(),
        nullptr);
    webView->add_WebMessageReceived(
        MakeCallback<ICoreWebView2WebMessageReceivedEventHandler>(
            [this](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
                OnWebMessageReceived(args);
            })
            .get(),
        nullptr);
    if (webView2) {
        webView2->add_DOMContentLoaded(
            MakeCallback<ICoreWebView2DOMContentLoadedEventHandler>(
                [this](ICoreWebView2*, ICoreWebView2DOMContentLoadedEventArgs*) { ShowAndFocus(); })
                .get(),
            nullptr);
    }
}

void VelnorWebView::NavigateToStartPage() {
    const std::string target =
        manifest->contentMode == ContentMode::Bundle ? pageOrigin + manifest->main : manifest->main;
    webView->Navigate(Utf8ToWide(target).c_str());
}

void VelnorWebView::ReportStartFailure() {
    // Without a browser control the hidden window would never appear: say so and
    // end the message loop with exit code 1.
    MessageBoxW(nullptr, kBrowserStartFailedMessage, Utf8ToWide(manifest->title).c_str(),
                MB_OK | MB_ICONERROR);
    PostQuitMessage(1);
}
