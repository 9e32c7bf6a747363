#pragma once
// The one object that owns the browser control: owns the current browser
// session, applies settings, registers the event handlers, issues the first
// navigation and hands each event to the part that answers it, all on the UI
// thread. Work the runtime forbids inside its callbacks is deferred to the loop.
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>
#include <WebView2.h>

#include "bridge/message_bridge.h"
#include "crash/last_run.h"
#include "window/dpi_awareness.h"
#include "window/window_browser.h"
#include "window/window_commands.h"
#include "content/content_server.h"
#include "pads/pad_polling.h"
#include "util/com/com_ptr.h"
#include "util/page_pixels.h"
#include "webview/browser_session.h"
#include "webview/close_handshake.h"
#include "webview/context_menu.h"
#include "webview/deferred_work.h"
#include "webview/failure_responder.h"
#include "webview/navigation_guard.h"
#include "webview/process_failure_policy.h"

struct AppManifest;

// The fixed virtual origin the application's files are served under.
inline constexpr char kAppOrigin[] = "https://app.localhost/";

class VelnorWebView final : public WindowBrowser {
public:
    VelnorWebView(const AppManifest& manifest, HWND mainWindow, DpiChoice dpi,
                  const std::string& applicationFolder, const std::string& contentFolder,
                  const wchar_t* browserExecutableFolder, const std::string& userDataFolder);
    VelnorWebView(const VelnorWebView&) = delete;
    VelnorWebView& operator=(const VelnorWebView&) = delete;
    // Closes the browser and dispatches messages until its processes have
    // ended (at most 5 s): only from the top of the UI thread, never in a callback.
    ~VelnorWebView();

    // Starts the first browser session; the runtime completes the chain through
    // callbacks on this thread's message loop.
    void Init();
    // What the main window asks (window/window_browser.h). Moves and sizes do
    // nothing before the controller exists; a minimised window hides the
    // control rather than shrinking it to nothing.
    void RunDeferredWork() override { deferred_.RunNext(); }
    void DeliverContentAnswers() override { contentServer_.DeliverFinishedAnswers(); }
    void OnMainWindowMoved() override;
    void OnMainWindowSized(bool minimised) override;
    void OnMainWindowActivated() override;
    void OnMainWindowActiveChanged(bool active) override;
    void OnMainWindowDpiChanged(int dpi) override;
    bool IsFullScreen() const override { return windowCommands_.IsFullScreen(); }
    void PostToPage(const std::string& json) override { messageBridge_.PostJsonToPage(json); }
    // The page's image, later, from the message loop (no pixels without a page).
    void CapturePageImage(std::function<void(PagePixels)> done);
    // Steam's overlay: Shift+Tab in the page, and F12 (unless it opens the
    // developer tools); the F12 handler says whether it took the key.
    void HearOverlayKeyWith(std::function<void()> heard) {
        messageBridge_.OnOverlayKey(std::move(heard));
    }
    void TakeScreenshotKeyWith(std::function<bool()> take) { screenshotKey_ = std::move(take); }
    // A feature's script for every new document of every session from now on.
    void RunInEveryDocument(std::string what, std::string script) {
        documentScripts_.emplace_back(std::move(what), std::move(script));
    }
    bool HoldClose() override { return closeHandshake_.HoldClose(); }

    // The full-screen state a remembered placement restores.
    void EnterFullScreen() { windowCommands_.SetFullScreen(true); }
    // The run's record learns the runtime and each failure; the page learns of
    // the last run's crash in "wrapper-init-response".
    void ReportCrashesWith(RunRecord& record, LastRunReport lastRun) {
        runRecord_ = &record;
        messageBridge_.TellPageOfLastRun(std::move(lastRun));
    }
    void AnswerSteamCallsWith(MessageBridge::SteamCalls answer) {
        messageBridge_.AnswerSteamCallsWith(std::move(answer));
    }
    // The page's saves: their folder's handle, the answers to "save-*", and
    // what the page hears after each "wrapper-init-response".
    void OfferSaves(std::string folder, MessageBridge::SaveCalls answer,
                    std::function<void()> afterWrapperInit) {
        messageBridge_.OfferSavesFolder(std::move(folder));
        messageBridge_.AnswerSaveCallsWith(std::move(answer));
        messageBridge_.AfterWrapperInit(std::move(afterWrapperInit));
    }

    // The document script's reports of text fields that take the focus.
    void OnTextFieldFocused(MessageBridge::TextFieldFocused focused) {
        messageBridge_.OnTextFieldFocused(std::move(focused));
    }
    // The control's top left in the main window's client area ({0, 0} before it exists).
    POINT ControlTopLeft() const;

    // Releases the content server's mapped files at shutdown.
    void UnmapContentFiles() { contentServer_.UnmapAll(); }

private:
    // One session at a time: the first start and every re-creation.
    void StartSession();
    void EndSession();
    void OnSessionReady();
    void PlaceNewControl();
    void ApplySettings(const com_ptr<ICoreWebView2Settings>& settings);
    void AddContentFilter();
    void ApplyBackgroundColor();
    void RegisterEventHandlers();
    // The session's features, each with its own registrations: attached once
    // the session is ready, detached (in reverse) before it closes.
    // Every feature's script for new documents, before the first navigation.
    void AddDocumentScripts();
    void AttachSessionFeatures();
    void DetachSessionFeatures();
    void NavigateToStartPage();
    // "gamepads": "host": the pads read here, their requests from the page heard.
    void ReadPadsInHost();
    void ReportStartFailure();
    // At the end: closes the browser and waits, at most 5 s, until its
    // processes have ended (browser_exit.cpp).
    void CloseBrowserForExit();

    // Event handlers of the host itself.
    void ShowAndFocus();
    void OnDocumentTitleChanged(ICoreWebView2* sender);
    void OnPermissionRequested(ICoreWebView2PermissionRequestedEventArgs* args);
    void OnContainsFullScreenElementChanged(ICoreWebView2* sender);
    void OnWindowCloseRequested();
    void OpenInShellLater(const std::string& uri);
    void OnAcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventArgs* args);
    void TakeScreenshotKey(ICoreWebView2AcceleratorKeyPressedEventArgs* args);

    // Failures of the browser's processes at run time (process_failures.cpp).
    void OnProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND kind);
    void NoteRuntimeForReports();
    void ReloadAfterCrash();
    void AskAboutHang(uint64_t session);
    void RecreateBrowser(uint64_t session);
    void EndAfterFailure();

    // The "edit" context menu (context_menu.cpp).
    bool DefaultContextMenusEnabled() const;
    void AttachContextMenu();

    // Members are destroyed in reverse order: the session (the browser objects)
    // first, then the parts (the taskbar object among them).
    const AppManifest* manifest_;
    HWND mainWindow_;
    DpiChoice dpi_;
    std::string userDataFolder_;
    std::string pageOrigin_;
    const wchar_t* browserExecutableFolder_;
    RunRecord* runRecord_ = nullptr;
    std::vector<std::pair<std::string, std::string>> documentScripts_; // what, script
    std::function<bool()> screenshotKey_;
    bool hiddenWhileMinimised_ = false;
    RECT lastClientArea_ = {}; // the client area before the window was minimised
    WindowCommands windowCommands_;
    MessageBridge messageBridge_;
    ContentServer contentServer_;
    CloseHandshake closeHandshake_;
    RestartBudget restartBudget_;
    HangQuestion hangQuestion_;
    bool sessionEverReady_ = false; // a later start failure ends like a crash
    bool endingAfterFailure_ = false;
    DeferredWork deferred_;
    std::unique_ptr<BrowserSession> session_;
    uint64_t sessionNumber_ = 0; // counts the sessions started
    std::optional<NavigationGuard> navigationGuard_;
    std::optional<FailureResponder> failureResponder_;
    std::optional<EditContextMenu> contextMenu_;
    // "gamepads": "host" only; its timer ends first, before the session.
    std::optional<PadPolling> pads_;
};

// The web view host, once start-up has created it; null before and after. The
// main window reaches the browser through its own state (window/window_browser.h).
extern VelnorWebView* g_webView;
