#include "agent_fields.h"
#include "objects.h"

int64_t HandlerList::Add(IUnknown* handler) {
    static int64_t lastToken = 0; // UI thread only
    handler->AddRef();
    handlers_.emplace_back(++lastToken, handler);
    return lastToken;
}

bool HandlerList::Remove(int64_t token) {
    for (auto it = handlers_.begin(); it != handlers_.end(); ++it)
        if (it->first == token) {
            IUnknown* handler = it->second;
            handlers_.erase(it);
            handler->Release();
            return true;
        }
    return false;
}

HandlerList::~HandlerList() {
    for (const auto& [token, handler] : handlers_)
        handler->Release();
}

WebView::WebView(Controller* controller)
    : StandinObject("ICoreWebView2"), controller_(controller), settings_(new Settings()) {}

WebView::~WebView() = default;

bool WebView::Offers(REFIID iid) const {
    if (iid == IidOf<ICoreWebView2>())
        return true;
    const AgentConfig& config = Config();
    if (iid == IidOf<ICoreWebView2_23>())
        return config.webview2_23;
    if (!config.webview2_2 && !config.webview2_23)
        return false;
    for (const IID& version :
         {IidOf<ICoreWebView2_2>(),  IidOf<ICoreWebView2_3>(),  IidOf<ICoreWebView2_4>(),
          IidOf<ICoreWebView2_5>(),  IidOf<ICoreWebView2_6>(),  IidOf<ICoreWebView2_7>(),
          IidOf<ICoreWebView2_8>(),  IidOf<ICoreWebView2_9>(),  IidOf<ICoreWebView2_10>(),
          IidOf<ICoreWebView2_11>(), IidOf<ICoreWebView2_12>(), IidOf<ICoreWebView2_13>(),
          IidOf<ICoreWebView2_14>(), IidOf<ICoreWebView2_15>(), IidOf<ICoreWebView2_16>(),
          IidOf<ICoreWebView2_17>(), IidOf<ICoreWebView2_18>(), IidOf<ICoreWebView2_19>(),
          IidOf<ICoreWebView2_20>(), IidOf<ICoreWebView2_21>()})
        if (iid == version)
            return true;
    return iid == IidOf<ICoreWebView2_22>() && OffersWorkerFilters();
}

// A request that no filter reaches goes to the network: the host never sees it.
Json WebView::Raise(const std::string& event, const Json& args) {
    const Dispatching dispatching(event.c_str(), {this, controller_});
    if (event == "WebResourceRequested") {
        const bool filtered = filters_.Reach(ToWide(RequiredString(args, "uri")),
                                             RequestContext(args), RequestSourceKind(args));
        Json result = filtered ? RaiseOn(*this, *controller_, event, args, handlers_)
                               : Json{{"invoked", 0}, {"response", nullptr}};
        result["filtered"] = filtered;
        return result;
    }
    // The top-level document changed without asking the host (a redirect, history).
    if (event == "SourceChanged") {
        source_ = ToWide(RequiredString(args, "uri"));
        return Json{{"invoked", 0}};
    }
    if (event == "FileWriteAccess")
        return AnswerFileWriteAccess(args);
    if (event == "DocumentTitleChanged")
        documentTitle_ = ToWide(StringField(args, "title", ""));
    if (event == "ContainsFullScreenElementChanged")
        containsFullScreenElement_ = BoolField(args, "value", false);
    Json result = RaiseOn(*this, *controller_, event, args, handlers_);
    // A new document starts with no handles, so with nothing it may write.
    if (event == "NavigationStarting" && !result.value("cancel", false)) {
        source_ = ToWide(RequiredString(args, "uri"));
        fileGrants_.Clear();
    }
    return result;
}

HRESULT WebView::Register(const char* interfaceName, const char* event, IUnknown* handler,
                          EventRegistrationToken* token) {
    STANDIN_ON_CREATING_THREAD(event);
    ReportCall(*this, interfaceName, (std::string("add_") + event).c_str(),
               {event, token != nullptr});
    if (!handler)
        return E_POINTER;
    const int64_t value = handlers_[event].Add(handler);
    if (token)
        token->value = value;
    return S_OK;
}

// A token this event never gave out is refused, as the runtime does.
HRESULT WebView::Unregister(const char* interfaceName, const char* event,
                            EventRegistrationToken token) {
    STANDIN_ON_CREATING_THREAD(event);
    ReportCall(*this, interfaceName, (std::string("remove_") + event).c_str(), {event});
    auto found = handlers_.find(event);
    return found != handlers_.end() && found->second.Remove(token.value) ? S_OK : E_INVALIDARG;
}

#define STANDIN_EVENT(Interface, Event)                                                            \
    HRESULT WebView::add_##Event(ICoreWebView2##Event##EventHandler* handler,                      \
                                 EventRegistrationToken* token) {                                  \
        return Register(#Interface, #Event, handler, token);                                       \
    }                                                                                              \
    HRESULT WebView::remove_##Event(EventRegistrationToken token) {                                \
        return Unregister(#Interface, #Event, token);                                              \
    }
STANDIN_EVENT(ICoreWebView2, NavigationStarting)
STANDIN_EVENT(ICoreWebView2, PermissionRequested)
STANDIN_EVENT(ICoreWebView2, WebMessageReceived)
STANDIN_EVENT(ICoreWebView2, NewWindowRequested)
STANDIN_EVENT(ICoreWebView2, DocumentTitleChanged)
STANDIN_EVENT(ICoreWebView2, ContainsFullScreenElementChanged)
STANDIN_EVENT(ICoreWebView2, WebResourceRequested)
STANDIN_EVENT(ICoreWebView2, WindowCloseRequested)
STANDIN_EVENT(ICoreWebView2_2, DOMContentLoaded)
STANDIN_EVENT(ICoreWebView2, ProcessFailed)
STANDIN_EVENT(ICoreWebView2_11, ContextMenuRequested)
STANDIN_EVENT(ICoreWebView2_18, LaunchingExternalUriScheme)
#undef STANDIN_EVENT

HRESULT WebView::get_Settings(ICoreWebView2Settings** value) {
    STANDIN_ON_CREATING_THREAD("get_Settings");
    ReportCall(*this, "ICoreWebView2", "get_Settings", Json::array());
    return settings_.CopyTo(value);
}

HRESULT WebView::Navigate(LPCWSTR uri) {
    STANDIN_ON_CREATING_THREAD("Navigate");
    ReportCall(*this, "ICoreWebView2", "Navigate", {ToJson(uri)});
    if (!uri)
        return E_INVALIDARG;
    source_ = uri;
    return S_OK;
}

HRESULT WebView::get_Source(LPWSTR* value) {
    STANDIN_ON_CREATING_THREAD("get_Source");
    ReportCall(*this, "ICoreWebView2", "get_Source", Json::array());
    return CopyString(source_, value);
}

// The agent reloads the page when it sees this report.
HRESULT WebView::Reload() {
    STANDIN_ON_CREATING_THREAD("Reload");
    ReportCall(*this, "ICoreWebView2", "Reload", Json::array());
    return S_OK;
}

HRESULT WebView::PostWebMessageAsJson(LPCWSTR json) {
    STANDIN_ON_CREATING_THREAD("PostWebMessageAsJson");
    ReportCall(*this, "ICoreWebView2", "PostWebMessageAsJson", {ToJson(json)});
    return S_OK;
}

HRESULT WebView::PostWebMessageAsString(LPCWSTR text) {
    STANDIN_ON_CREATING_THREAD("PostWebMessageAsString");
    ReportCall(*this, "ICoreWebView2", "PostWebMessageAsString", {ToJson(text)});
    return S_OK;
}

HRESULT WebView::get_DocumentTitle(LPWSTR* value) {
    STANDIN_ON_CREATING_THREAD("get_DocumentTitle");
    ReportCall(*this, "ICoreWebView2", "get_DocumentTitle", Json::array());
    return CopyString(documentTitle_, value);
}

HRESULT WebView::OpenDevToolsWindow() {
    STANDIN_ON_CREATING_THREAD("OpenDevToolsWindow");
    ReportCall(*this, "ICoreWebView2", "OpenDevToolsWindow", Json::array());
    return S_OK;
}

HRESULT WebView::get_ContainsFullScreenElement(BOOL* value) {
    STANDIN_ON_CREATING_THREAD("get_ContainsFullScreenElement");
    ReportCall(*this, "ICoreWebView2", "get_ContainsFullScreenElement", Json::array());
    if (!value)
        return E_POINTER;
    *value = containsFullScreenElement_;
    return S_OK;
}

HRESULT WebView::AddWebResourceRequestedFilter(LPCWSTR const uri,
                                               COREWEBVIEW2_WEB_RESOURCE_CONTEXT const context) {
    STANDIN_ON_CREATING_THREAD("AddWebResourceRequestedFilter");
    ReportCall(*this, "ICoreWebView2", "AddWebResourceRequestedFilter",
               {ToJson(uri), static_cast<int>(context)});
    if (!uri)
        return E_INVALIDARG;
    filters_.Add(uri, context, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT);
    return S_OK;
}

HRESULT WebView::AddWebResourceRequestedFilterWithRequestSourceKinds(
    LPCWSTR const uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT const context,
    COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS const sourceKinds) {
    STANDIN_ON_CREATING_THREAD("AddWebResourceRequestedFilterWithRequestSourceKinds");
    ReportCall(*this, "ICoreWebView2_22", "AddWebResourceRequestedFilterWithRequestSourceKinds",
               {ToJson(uri), static_cast<int>(context), static_cast<uint32_t>(sourceKinds)});
    if (!uri)
        return E_INVALIDARG;
    filters_.Add(uri, context, static_cast<uint32_t>(sourceKinds));
    return S_OK;
}

HRESULT WebView::PostWebMessageAsJsonWithAdditionalObjects(
    LPCWSTR json, ICoreWebView2ObjectCollectionView* additionalObjects) {
    const Json entries = fileGrants_.DescribePosted(additionalObjects);
    STANDIN_ON_CREATING_THREAD("PostWebMessageAsJsonWithAdditionalObjects");
    ReportCall(*this, "ICoreWebView2_23", "PostWebMessageAsJsonWithAdditionalObjects",
               {ToJson(json), entries});
    return S_OK;
}
