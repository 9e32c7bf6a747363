#pragma once
// The stand-in runtime's objects. All of them live on the UI thread.
#include <map>
#include <string>
#include <vector>

#include "resource_filters.h"
#include "standin_object.h"

class WebView;
class Controller;

// Host handlers registered for one event, in registration order.
class HandlerList {
public:
    HandlerList() = default;
    HandlerList(const HandlerList&) = delete;
    HandlerList& operator=(const HandlerList&) = delete;
    // The registration's token value.
    int64_t Add(IUnknown* handler);
    bool Remove(int64_t token);
    // Over a copy, each handler held: a handler may remove registrations.
    template <typename Handler, typename Sender, typename Args>
    int InvokeAll(Sender* sender, Args* args) const {
        std::vector<IUnknown*> handlers;
        for (const auto& [token, handler] : handlers_) {
            handler->AddRef();
            handlers.push_back(handler);
        }
        for (IUnknown* handler : handlers) {
            static_cast<Handler*>(handler)->Invoke(sender, args);
            handler->Release();
        }
        return static_cast<int>(handlers.size());
    }
    ~HandlerList();

private:
    std::vector<std::pair<int64_t, IUnknown*>> handlers_; // one reference each
};

class Environment final : public StandinObject<ICoreWebView2Environment14Defaults> {
public:
    // profileFolder: the engine's "EBWebView" folder, which holds its crash reports.
    explicit Environment(std::wstring profileFolder);
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(
        IStream* content, int statusCode, LPCWSTR reasonPhrase, LPCWSTR headers,
        ICoreWebView2WebResourceResponse** response) override;
    HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_FailureReportFolderPath(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE CreateWebFileSystemDirectoryHandle(
        LPCWSTR path, COREWEBVIEW2_FILE_SYSTEM_HANDLE_PERMISSION permission,
        ICoreWebView2FileSystemHandle** handle) override;
    HRESULT STDMETHODCALLTYPE CreateObjectCollection(
        UINT32 length, IUnknown** items, ICoreWebView2ObjectCollection** collection) override;
    HRESULT STDMETHODCALLTYPE add_BrowserProcessExited(
        ICoreWebView2BrowserProcessExitedEventHandler* handler,
        EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_BrowserProcessExited(EventRegistrationToken token) override;
    ~Environment() override;

    // The engine's processes live while a controller of this environment does
    // (browser_exit.cpp): once the last one has closed they end, and then
    // BrowserProcessExited is raised.
    void ControllerOpened() { ++openControllers_; }
    void ControllerEnded();
    void RaiseBrowserProcessExited();

protected:
    bool Offers(REFIID iid) const override;

private:
    int openControllers_ = 0;
    HandlerList browserExitHandlers_;
};

// Where the engine's crash reports go (its profile's Crashpad\reports), as the
// last environment made says; a process that failed by exiting leaves one there.
void WriteFailureReport(int failedKind);

// The agent's "browser-exited": the engine behind every environment whose last
// controller closed has ended. Returns how many environments raised the event.
int BrowserProcessesExited();

// The version string the stand-in reports.
inline constexpr wchar_t kStandinVersion[] = L"127.0.2651.64 stand-in";

class Controller final : public StandinObject<ICoreWebView2Controller3Defaults> {
public:
    Controller(HWND parent, Environment* environment);
    ~Controller() override;

    HWND parent() const { return parent_; }
    HWND browserWindow() const { return browserWindow_; }
    WebView* webView() const { return webView_.get(); }
    const HandlerList& acceleratorKeyHandlers() const { return acceleratorKeyHandlers_; }

    HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_Bounds(RECT* value) override;
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT value) override;
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override;
    HRESULT STDMETHODCALLTYPE
    add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* handler,
                              EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* value) override;
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** value) override;
    HRESULT STDMETHODCALLTYPE get_DefaultBackgroundColor(COREWEBVIEW2_COLOR* value) override;
    HRESULT STDMETHODCALLTYPE put_DefaultBackgroundColor(COREWEBVIEW2_COLOR value) override;
    // Controller3: a host that follows the dpi itself sets the scale.
    HRESULT STDMETHODCALLTYPE get_RasterizationScale(double* value) override;
    HRESULT STDMETHODCALLTYPE put_RasterizationScale(double value) override;
    HRESULT STDMETHODCALLTYPE get_ShouldDetectMonitorScaleChanges(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_ShouldDetectMonitorScaleChanges(BOOL value) override;

protected:
    bool Offers(REFIID iid) const override;

private:
    double rasterizationScale_ = 1.0;
    BOOL detectsMonitorScale_ = TRUE;
    HWND parent_;
    HWND browserWindow_;
    RECT bounds_ = {};
    COREWEBVIEW2_COLOR backgroundColor_ = {255, 255, 255, 255};
    Ref<WebView> webView_;
    HandlerList acceleratorKeyHandlers_;
    Ref<Environment> environment_;
    bool closed_ = false;
};

class Settings final : public StandinObject<ICoreWebView2Settings6Defaults> {
public:
    Settings();
#define STANDIN_BOOL_SETTING(Name)                                                                 \
    HRESULT STDMETHODCALLTYPE get_##Name(BOOL* value) override {                                   \
        return Get(#Name, value);                                                                  \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE put_##Name(BOOL value) override {                                    \
        return Put("ICoreWebView2Settings", #Name, value);                                         \
    }
    STANDIN_BOOL_SETTING(IsScriptEnabled)
    STANDIN_BOOL_SETTING(IsWebMessageEnabled)
    STANDIN_BOOL_SETTING(AreDefaultScriptDialogsEnabled)
    STANDIN_BOOL_SETTING(IsStatusBarEnabled)
    STANDIN_BOOL_SETTING(AreDevToolsEnabled)
    STANDIN_BOOL_SETTING(AreDefaultContextMenusEnabled)
    STANDIN_BOOL_SETTING(AreHostObjectsAllowed)
    STANDIN_BOOL_SETTING(IsZoomControlEnabled)
    STANDIN_BOOL_SETTING(IsBuiltInErrorPageEnabled)
#undef STANDIN_BOOL_SETTING
    HRESULT STDMETHODCALLTYPE get_AreBrowserAcceleratorKeysEnabled(BOOL* value) override {
        return Get("AreBrowserAcceleratorKeysEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE put_AreBrowserAcceleratorKeysEnabled(BOOL value) override {
        return Put("ICoreWebView2Settings3", "AreBrowserAcceleratorKeysEnabled", value);
    }
#define STANDIN_LATER_BOOL_SETTING(Interface, Name)                                                \
    HRESULT STDMETHODCALLTYPE get_##Name(BOOL* value) override {                                   \
        return Get(#Name, value);                                                                  \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE put_##Name(BOOL value) override {                                    \
        return Put(#Interface, #Name, value);                                                      \
    }
    STANDIN_LATER_BOOL_SETTING(ICoreWebView2Settings4, IsPasswordAutosaveEnabled)
    STANDIN_LATER_BOOL_SETTING(ICoreWebView2Settings4, IsGeneralAutofillEnabled)
    STANDIN_LATER_BOOL_SETTING(ICoreWebView2Settings5, IsPinchZoomEnabled)
    STANDIN_LATER_BOOL_SETTING(ICoreWebView2Settings6, IsSwipeNavigationEnabled)
#undef STANDIN_LATER_BOOL_SETTING

    // A setting's value as the engine uses it (the runtime's default when unset).
    bool Enabled(const std::string& name) const;

protected:
    bool Offers(REFIID iid) const override;

private:
    HRESULT Get(const std::string& name, BOOL* value) const;
    HRESULT Put(const char* interfaceName, const std::string& name, BOOL value);
    std::map<std::string, BOOL> values_;
};

// The browser engine's side of the page: events raised on the agent's request.
// The folders page script may write in the current document (file_system.cpp):
// those of the read-write handles posted to it and those the host granted when
// asked. As the runtime documents, a handle posted under one of them writes too,
// and so does every handle reached from one.
class PageFileGrants {
public:
    void Clear() { folders_.clear(); }
    void Grant(const std::wstring& folder) { folders_.push_back(folder); }
    bool Covers(const std::wstring& path) const;
    // The posted handles for the agent, each with "writable" as the page gets it.
    Json DescribePosted(ICoreWebView2ObjectCollectionView* collection);

private:
    std::vector<std::wstring> folders_;
};

class WebView final : public StandinObject<ICoreWebView2_23Defaults> {
public:
    explicit WebView(Controller* controller);
    ~WebView() override;

    // Raises one event for the agent and returns what the handlers decided.
    Json Raise(const std::string& event, const Json& args);

    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** value) override;
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override;
    HRESULT STDMETHODCALLTYPE
    add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE
    add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* handler,
                            EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR json) override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR text) override;
    HRESULT STDMETHODCALLTYPE
    add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE
    add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE
    add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* handler,
                             EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() override;
    HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(
        ICoreWebView2ContainsFullScreenElementChangedEventHandler* handler,
        EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE
    add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* handler,
                             EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(
        LPCWSTR const uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT const context) override;
    HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilterWithRequestSourceKinds(
        LPCWSTR const uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT const context,
        COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS const sourceKinds) override;
    HRESULT STDMETHODCALLTYPE
    add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* handler,
                             EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE add_DOMContentLoaded(
        ICoreWebView2DOMContentLoadedEventHandler* handler, EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsJsonWithAdditionalObjects(
        LPCWSTR json, ICoreWebView2ObjectCollectionView* additionalObjects) override;
    HRESULT STDMETHODCALLTYPE Reload() override;
    HRESULT STDMETHODCALLTYPE add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* handler,
                                                EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE
    add_ContextMenuRequested(ICoreWebView2ContextMenuRequestedEventHandler* handler,
                             EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE remove_PermissionRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE remove_DocumentTitleChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    remove_ContainsFullScreenElementChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE remove_WebResourceRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE remove_WindowCloseRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE remove_DOMContentLoaded(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE remove_ContextMenuRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    add_LaunchingExternalUriScheme(ICoreWebView2LaunchingExternalUriSchemeEventHandler* handler,
                                   EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE
    remove_LaunchingExternalUriScheme(EventRegistrationToken token) override;
    // The top-level document: where the host navigated, then each navigation it let through.
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) override;
    // Scripts for every new document, and an image of what is shown (page_scripts.cpp).
    HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
        LPCWSTR script, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler)
        override;
    HRESULT STDMETHODCALLTYPE CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT format,
                                             IStream* stream,
                                             ICoreWebView2CapturePreviewCompletedHandler* handler)
        override;
    bool DefaultContextMenusEnabled() const {
        return settings_->Enabled("AreDefaultContextMenusEnabled");
    }

protected:
    bool Offers(REFIID iid) const override;

private:
    HRESULT Register(const char* interfaceName, const char* event, IUnknown* handler,
                     EventRegistrationToken* token);
    // Page script wants to write under a folder (the agent's "FileWriteAccess").
    Json AnswerFileWriteAccess(const Json& args);
    HRESULT Unregister(const char* interfaceName, const char* event, EventRegistrationToken token);

    Controller* controller_; // owns this object
    Ref<Settings> settings_;
    std::map<std::string, HandlerList> handlers_;
    ResourceFilters filters_;
    std::wstring documentTitle_;
    std::wstring source_ = L"about:blank";
    BOOL containsFullScreenElement_ = FALSE;
    PageFileGrants fileGrants_;
    int scriptsAdded_ = 0;
};

// The objects the agent's requests act on; set while they exist.
Controller* CurrentController();
void SetCurrentController(Controller* controller);

// Keeps environment creation pending until the agent sends "complete-environment".
void HoldEnvironmentCompletion(std::function<void()> completion);

// A link to another program's scheme (external_schemes.cpp).
Json RaiseLaunchingExternalUriScheme(ICoreWebView2* sender, const Json& args,
                                     const HandlerList& handlers);

// Reports every PBM_SETPOS that reaches a progress bar of the calling thread.
void WatchProgressBarsOnThisThread();

// Answers one agent request ("raise", "query", "close") on the UI thread.
void HandleAgentRequest(const Json& request);
// Lets the agent request being answered reply later: its result goes when the
// returned function is called with it (once). Empty outside a request.
std::function<void(Json)> ReplyLater();
// A page's alert, confirm or prompt as a modal window over owner; answered later.
void ShowScriptDialog(const Json& request, HWND owner);

// The event-argument objects of each event, and the resource objects.
Json RaiseOn(WebView& webView, Controller& controller, const std::string& event, const Json& args,
             const std::map<std::string, HandlerList>& handlers);

// The engine's context menu offered to the host's handlers (context_menu.cpp).
Json RaiseContextMenuRequested(ICoreWebView2* sender, const Json& args, const HandlerList& handlers,
                               bool menusEnabled);

// A response as the host built it, for the agent: status, reason, headers and the
// body ("read": base64 of every byte, "count": its length, "skip": nothing,
// "stream": the number of a body stream the agent reads with "read-body").
Json DescribeResponse(ICoreWebView2WebResourceResponse* response, const std::string& body);
ICoreWebView2WebResourceResponse* MakeResponse(IStream* content, int statusCode, LPCWSTR reason,
                                               LPCWSTR headers);
ICoreWebView2FileSystemHandle*
MakeDirectoryHandle(LPCWSTR path, COREWEBVIEW2_FILE_SYSTEM_HANDLE_PERMISSION permission);
ICoreWebView2ObjectCollection* MakeObjectCollection(UINT32 length, IUnknown** items);
// Entries as the agent sees them: a directory descriptor, or null for anything else.
Json DescribeCollectionItem(IUnknown* item);
Json DescribeCollection(ICoreWebView2ObjectCollectionView* collection);
