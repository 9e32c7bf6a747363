#pragma once
// The one object that owns the browser control: creates the environment and the
// controller, applies settings, registers the event handlers, issues the first
// navigation and answers the control's events, all on the UI thread.
#include <string>

#include <windows.h>
#include <shobjidl.h>
#include <WebView2.h>

#include "content/mapped_file_cache.h"
#include "webview/com_ptr.h"

struct AppManifest;
struct ExtensionHost;

// The fixed virtual origin the application's files are served under.
inline constexpr char kAppOrigin[] = "https://app.localhost/";

class VelnorWebView {
public:
    VelnorWebView(const AppManifest& manifest, HWND mainWindow,
                  const std::string& applicationFolder, const std::string& contentFolder,
                  const wchar_t* browserExecutableFolder, const std::string& userDataFolder);
    VelnorWebView(const VelnorWebView&) = delete;
    VelnorWebView& operator=(const VelnorWebView&) = delete;

    // Starts environment creation; the runtime completes the chain through
    // callbacks on this thread's message loop.
    void Init();

    // Window commands, shared by page messages and the control's full-screen event.
    void SetFullScreen(bool on);
    void SetWindowSize(int32_t width, int32_t height);
    void SetWindowPosition(int32_t x, int32_t y);

    // The message bridge: page messages in, JSON posts out.
    void HandleWebMessage(const std::string& text);
    void SendWrapperInitResponse();
    void PostJsonToPage(const std::string& json);

    // Fields in their fixed order: members are destroyed in reverse, which releases
    // the taskbar, the web view, the controller and the environment in that order.
    const AppManifest* manifest;
    ExtensionHost* extensionHost;
    HWND mainWindow;
    std::string applicationFolder;
    std::string contentFolder;
    std::string userDataFolder;
    std::string pageOrigin;
    const wchar_t* browserExecutableFolder;
    com_ptr<ICoreWebView2Environment> environment;
    com_ptr<ICoreWebView2Controller> controller;
    com_ptr<ICoreWebView2> webView;
    com_ptr<ICoreWebView2_2> webView2;
    com_ptr<ITaskbarList2> taskbarList;
    MappedFileCache mappedFiles;
    bool isFullScreen = false;
    LONG savedStyle = 0;
    LONG savedExStyle = 0;
    RECT savedWindowRect = {};

private:
    void OnEnvironmentCreated(HRESULT errorCode, ICoreWebView2Environment* createdEnvironment);
    void OnControllerCreated(HRESULT errorCode, ICoreWebView2Controller* createdController);
    void ApplySettings(const com_ptr<ICoreWebView2Settings>& settings);
    void RegisterEventHandlers();
    void NavigateToStartPage();
    void ReportStartFailure();
    void MarkTaskbarFullScreen(bool on);

    // Event handlers.
    void OnWebResourceRequested(ICoreWebView2WebResourceRequestedEventArgs* args);
    void OnWebMessageReceived(ICoreWebView2WebMessageReceivedEventArgs* args);
    void PostDirectoryHandles();
    void ShowAndFocus();
    void OnDocumentTitleChanged(ICoreWebView2* sender);
    void OnNavigationStarting(ICoreWebView2NavigationStartingEventArgs* args);
    void OnPermissionRequested(ICoreWebView2PermissionRequestedEventArgs* args);
    void OnContainsFullScreenElementChanged(ICoreWebView2* sender);
    void OnWindowCloseRequested();
    void OnNewWindowRequested(ICoreWebView2NewWindowRequestedEventArgs* args);
    void OnAcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventArgs* args);
};

// The web view host, once start-up has created it; null before and after. The
// main window procedure reaches the browser control only through it.
extern VelnorWebView* g_webView;
