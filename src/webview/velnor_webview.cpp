#include "webview/velnor_webview.h"

#include <utility>

#include "extensions/extension_host.h"
#include "manifest/manifest.h"
#include "pads/pad_script.h"
#include "util/log/author_log.h"
#include "util/com/com_callback.h"
#include "util/message_box.h"
#include "util/text/text.h"
#include "webview/browser_arguments.h"
#include "webview/browser_habits.h"
#include "webview/document_scripts.h"
#include "webview/page_capture.h"
#include "webview/rasterization_scale.h"

namespace {
constexpr char kBrowserStartFailedMessage[] =
    "Failed to start the Microsoft Edge WebView2 runtime. Run the app again to try again.";
}

VelnorWebView* g_webView = nullptr;

VelnorWebView::VelnorWebView(const AppManifest& manifest, HWND mainWindow, DpiChoice dpi,
                             const std::string& applicationFolder, const std::string& contentFolder,
                             const wchar_t* browserExecutableFolder,
                             const std::string& userDataFolder)
    : manifest_(&manifest), mainWindow_(mainWindow), dpi_(dpi), userDataFolder_(userDataFolder),
      pageOrigin_(manifest.contentMode == ContentMode::Bundle ? kAppOrigin : manifest.main),
      browserExecutableFolder_(browserExecutableFolder),
      windowCommands_(mainWindow, dpi, {manifest.minWidth, manifest.minHeight}),
      messageBridge_(pageOrigin_,
                     {applicationFolder,
                      applicationFolder + contentFolder,
                      userDataFolder,
                      {manifest.directoryHandles, manifest.writableDirectoryHandles}},
                     windowCommands_, g_extensionHost),
      contentServer_(applicationFolder + contentFolder, pageOrigin_.size(),
                     manifest.crossOriginIsolation, mainWindow, manifest.precompressed),
      closeHandshake_(mainWindow, manifest.closeHandshakeMs,
                      [this] { return messageBridge_.PostJsonToPage(R"({"type":"closing"})"); }),
      deferred_(mainWindow) {
    messageBridge_.OnCloseReady([this] { closeHandshake_.PageReady(); });
    // Only an application whose page may write cloud files takes their long messages.
    messageBridge_.AllowLargeWrites(manifest.steam.appId != 0 &&
                                    manifest.steam.cloud == SteamCloudAccess::ReadWrite);
    if (g_extensionHost)
        g_extensionHost->postToPage = [this](const std::string& json) {
            messageBridge_.PostJsonToPage(json);
        };
    // A message from the page shows that it runs script again after a hang.
    messageBridge_.HearEveryMessageWith([this] { hangQuestion_.PageResponded(); });
    messageBridge_.DeliverExtensionMessagesWith([this](std::function<void()> work) {
        deferred_.Post("an extension message", std::move(work));
    });
    if (manifest.gamepads == GamepadSource::Host)
        ReadPadsInHost();
}

void VelnorWebView::ReadPadsInHost() {
    RunInEveryDocument("pads", kPadPageScript);
    pads_.emplace(mainWindow_,
                  [this](const std::string& json) { return messageBridge_.PostJsonToPage(json); });
    messageBridge_.HearPadRequestsWith([this](const nlohmann::json& message) {
        if (pads_)
            pads_->OnPageRequest(message);
    });
}

// From start-up's frame, after the message loop: never inside a callback.
VelnorWebView::~VelnorWebView() {
    CloseBrowserForExit();
    EndSession();
}

void VelnorWebView::Init() {
    GetClientRect(mainWindow_, &lastClientArea_);
    if (const std::string gpu = GpuChoiceText(*manifest_); !gpu.empty())
        LogForAuthor(gpu);
    StartSession();
}

void VelnorWebView::StartSession() {
    ++sessionNumber_;
    session_ = std::make_unique<BrowserSession>(
        BrowserSession::Options{mainWindow_, browserExecutableFolder_, Utf8ToWide(userDataFolder_),
                                Utf8ToWide(BrowserArguments(*manifest_))},
        [this] { OnSessionReady(); },
        [this] { deferred_.Post("the start failure", [this] { ReportStartFailure(); }); });
    session_->Start();
}

// Only ever from the message loop: never inside one of the session's callbacks.
void VelnorWebView::EndSession() {
    DetachSessionFeatures();
    contentServer_.CompleteWaitingRequests();
    session_.reset();
}

void VelnorWebView::AttachSessionFeatures() {
    messageBridge_.SetBrowser(session_->environment(), session_->webView());
    navigationGuard_.emplace(session_->webView(), pageOrigin_,
                             manifest_->contentMode == ContentMode::Remote,
                             [this](const std::string& uri) { OpenInShellLater(uri); });
    failureResponder_.emplace(session_->webView(), [this](COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
        OnProcessFailed(kind);
    });
    AttachContextMenu();
}

void VelnorWebView::CapturePageImage(std::function<void(PagePixels)> done) {
    if (!session_ || !session_->webView())
        return deferred_.Post("the page's image", [done] { done({}); });
    CapturePage(session_->webView(), deferred_, std::move(done));
}

void VelnorWebView::AddDocumentScripts() {
    for (const auto& [what, script] : documentScripts_)
        AddDocumentScript(session_->webView(), script, what.c_str());
}

void VelnorWebView::DetachSessionFeatures() {
    contextMenu_.reset();
    failureResponder_.reset();
    navigationGuard_.reset();
    messageBridge_.SetBrowser(nullptr, nullptr);
}

void VelnorWebView::OnSessionReady() {
    sessionEverReady_ = true;
    NoteRuntimeForReports();
    ApplyBackgroundColor();
    if (dpi_.PerMonitor())
        FollowWindowDpi(session_->controller(), dpi_.ForWindow(mainWindow_));
    com_ptr<ICoreWebView2Settings> settings;
    LogIfFailed("get_Settings", session_->webView()->get_Settings(settings.put()));
    if (settings)
        ApplySettings(settings);
    PlaceNewControl();
    RegisterEventHandlers();
    AttachSessionFeatures();
    AddDocumentScripts();
    NavigateToStartPage();
    // Without ICoreWebView2_2 there is no DOMContentLoaded: show the window as soon
    // as the first page is on its way, rather than never.
    if (!session_->webView2())
        ShowAndFocus();
}

// A control created while the window is minimised starts hidden, with the
// client area it will have when restored: never visible at 0x0.
void VelnorWebView::PlaceNewControl() {
    ICoreWebView2Controller* controller = session_->controller();
    hiddenWhileMinimised_ = IsIconic(mainWindow_) != FALSE;
    if (hiddenWhileMinimised_)
        LogIfFailed("put_IsVisible", controller->put_IsVisible(FALSE));
    else
        GetClientRect(mainWindow_, &lastClientArea_);
    LogIfFailed("put_Bounds", controller->put_Bounds(lastClientArea_));
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
        session_->Subscribe(
            "AcceleratorKeyPressed", session_->controller(),
            &ICoreWebView2Controller::add_AcceleratorKeyPressed,
            &ICoreWebView2Controller::remove_AcceleratorKeyPressed,
            [this](ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
                OnAcceleratorKeyPressed(args);
            });
    }
    ApplyBrowserHabits(settings, manifest_->habits);
}

// Requests from service workers and shared workers reach the handler only
// through the filter that names them; older runtimes have the plain filter alone.
void VelnorWebView::AddContentFilter() {
    const std::wstring filter = Utf8ToWide(pageOrigin_ + "*");
    const auto webView = com_ptr<ICoreWebView2>::copy_from(session_->webView());
    if (com_ptr<ICoreWebView2_22> view22 = webView.try_query<ICoreWebView2_22>())
        LogIfFailed("AddWebResourceRequestedFilterWithRequestSourceKinds",
                    view22->AddWebResourceRequestedFilterWithRequestSourceKinds(
                        filter.c_str(), COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL,
                        COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_ALL));
    else
        LogIfFailed("AddWebResourceRequestedFilter",
                    webView->AddWebResourceRequestedFilter(filter.c_str(),
                                                           COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL));
}

// Older runtimes lack Controller2: they paint white until the first frame.
void VelnorWebView::ApplyBackgroundColor() {
    if (com_ptr<ICoreWebView2Controller2> controller2 =
            com_ptr<ICoreWebView2Controller>::copy_from(session_->controller())
                .try_query<ICoreWebView2Controller2>()) {
        const uint32_t rgb = manifest_->backgroundColor;
        LogIfFailed("put_DefaultBackgroundColor",
                    controller2->put_DefaultBackgroundColor({255, static_cast<BYTE>(rgb >> 16),
                                                             static_cast<BYTE>(rgb >> 8),
                                                             static_cast<BYTE>(rgb)}));
    }
}

void VelnorWebView::RegisterEventHandlers() {
    BrowserSession& session = *session_;
    ICoreWebView2* view = session.webView();
    session.Subscribe("DocumentTitleChanged", view, &ICoreWebView2::add_DocumentTitleChanged,
                      &ICoreWebView2::remove_DocumentTitleChanged,
                      [this](ICoreWebView2* sender, IUnknown*) { OnDocumentTitleChanged(sender); });
    if (manifest_->contentMode == ContentMode::Bundle) {
        AddContentFilter();
        session.Subscribe("WebResourceRequested", view, &ICoreWebView2::add_WebResourceRequested,
                          &ICoreWebView2::remove_WebResourceRequested,
                          [this](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
                              contentServer_.OnWebResourceRequested(session_->environment(), args);
                          });
    }
    session.Subscribe("PermissionRequested", view, &ICoreWebView2::add_PermissionRequested,
                      &ICoreWebView2::remove_PermissionRequested,
                      [this](ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* args) {
                          OnPermissionRequested(args);
                      });
    session.Subscribe(
        "ContainsFullScreenElementChanged", view,
        &ICoreWebView2::add_ContainsFullScreenElementChanged,
        &ICoreWebView2::remove_ContainsFullScreenElementChanged,
        [this](ICoreWebView2* sender, IUnknown*) { OnContainsFullScreenElementChanged(sender); });
    session.Subscribe("WindowCloseRequested", view, &ICoreWebView2::add_WindowCloseRequested,
                      &ICoreWebView2::remove_WindowCloseRequested,
                      [this](ICoreWebView2*, IUnknown*) { OnWindowCloseRequested(); });
    if (ICoreWebView2_2* view2 = session.webView2())
        session.Subscribe("DOMContentLoaded", view2, &ICoreWebView2_2::add_DOMContentLoaded,
                          &ICoreWebView2_2::remove_DOMContentLoaded,
                          [this](ICoreWebView2*, ICoreWebView2DOMContentLoadedEventArgs*) {
                              hangQuestion_.PageResponded();
                              ShowAndFocus();
                          });
}

void VelnorWebView::NavigateToStartPage() {
    const std::string target = manifest_->contentMode == ContentMode::Bundle
                                   ? pageOrigin_ + manifest_->main
                                   : manifest_->main;
    LogIfFailed("Navigate", session_->webView()->Navigate(Utf8ToWide(target).c_str()));
}

void VelnorWebView::ReportStartFailure() {
    // Without a browser control the hidden window would never appear: say so and
    // end the message loop with exit code 1.
    if (sessionEverReady_)
        return EndAfterFailure();
    ShowMessage(kBrowserStartFailedMessage, manifest_->title, MB_ICONERROR);
    PostQuitMessage(1);
}

void VelnorWebView::OnMainWindowMoved() {
    if (ICoreWebView2Controller* controller = session_ ? session_->controller() : nullptr)
        LogIfFailed("NotifyParentWindowPositionChanged",
                    controller->NotifyParentWindowPositionChanged());
}

void VelnorWebView::OnMainWindowSized(bool minimised) {
    if (pads_)
        pads_->OnWindowMinimised(minimised);
    ICoreWebView2Controller* controller = session_ ? session_->controller() : nullptr;
    if (!controller)
        return;
    // An empty viewport would make the page lay out, and games rebuild their
    // canvas, at size 0; hidden, the page also stops drawing frames, which a game
    // that runs in the background does not want: it keeps its size and stays shown.
    if (minimised && manifest_->runInBackground)
        return;
    if (minimised) {
        if (!std::exchange(hiddenWhileMinimised_, true))
            LogIfFailed("put_IsVisible", controller->put_IsVisible(FALSE));
        return;
    }
    GetClientRect(mainWindow_, &lastClientArea_);
    LogIfFailed("put_Bounds", controller->put_Bounds(lastClientArea_));
    if (std::exchange(hiddenWhileMinimised_, false))
        LogIfFailed("put_IsVisible", controller->put_IsVisible(TRUE));
}

POINT VelnorWebView::ControlTopLeft() const {
    ICoreWebView2Controller* controller = session_ ? session_->controller() : nullptr;
    RECT bounds = {};
    if (controller)
        LogIfFailed("get_Bounds", controller->get_Bounds(&bounds));
    return {bounds.left, bounds.top};
}

void VelnorWebView::OnMainWindowActivated() {
    ICoreWebView2Controller* controller = session_ ? session_->controller() : nullptr;
    if (controller && IsWindowVisible(mainWindow_) && !IsIconic(mainWindow_))
        LogIfFailed("MoveFocus",
                    controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC));
}

void VelnorWebView::OnMainWindowActiveChanged(bool active) {
    if (pads_)
        pads_->OnWindowActive(active);
}

void VelnorWebView::OnMainWindowDpiChanged(int dpi) {
    ICoreWebView2Controller* controller = session_ ? session_->controller() : nullptr;
    if (!controller)
        return;
    if (dpi_.PerMonitor())
        FollowWindowDpi(controller, dpi);
    // The suggested rectangle may keep the same pixels, and then no WM_SIZE comes.
    OnMainWindowSized(IsIconic(mainWindow_) != FALSE);
}
