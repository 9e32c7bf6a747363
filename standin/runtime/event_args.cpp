// Event arguments, and raising each event the host handles with what the agent
// sent; the result tells the agent what the handlers decided.
#include "agent_fields.h"
#include "objects.h"

namespace {
#define STANDIN_ARGS(Name)                                                                         \
    class Name##Args final : public StandinObject<ICoreWebView2##Name##EventArgsDefaults> {        \
    protected:                                                                                     \
        bool Offers(REFIID iid) const override {                                                   \
            return iid == IidOf<ICoreWebView2##Name##EventArgs>();                                 \
        }                                                                                          \
                                                                                                   \
    public:                                                                                        \
        Name##Args() : StandinObject("ICoreWebView2" #Name "EventArgs") {}

STANDIN_ARGS(NavigationStarting)
std::wstring uri;
BOOL cancel = FALSE;
HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* value) override {
    ReportCall(*this, kind(), "get_Uri", Json::array());
    return CopyString(uri, value);
}
BOOL userInitiated = TRUE;
HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override {
    return Put(value, userInitiated);
}
HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* value) override {
    return Put(value, FALSE);
}
HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* value) override {
    return Put(value, cancel);
}
HRESULT STDMETHODCALLTYPE put_Cancel(BOOL value) override {
    ReportCall(*this, kind(), "put_Cancel", {value != FALSE});
    cancel = value;
    return S_OK;
}
template <typename T> static HRESULT Put(T* out, T value) {
    if (!out)
        return E_POINTER;
    *out = value;
    return S_OK;
}
};

STANDIN_ARGS(NewWindowRequested)
std::wstring uri;
BOOL handled = FALSE;
BOOL userInitiated = FALSE;
HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override {
    return CopyValue(userInitiated, value);
}
HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* value) override {
    ReportCall(*this, kind(), "get_Uri", Json::array());
    return CopyString(uri, value);
}
HRESULT STDMETHODCALLTYPE put_Handled(BOOL value) override {
    ReportCall(*this, kind(), "put_Handled", {value != FALSE});
    handled = value;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE get_Handled(BOOL* value) override {
    return CopyValue(handled, value);
}
}
;

STANDIN_ARGS(PermissionRequested)
std::wstring uri;
COREWEBVIEW2_PERMISSION_KIND permissionKind = COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION;
COREWEBVIEW2_PERMISSION_STATE state = COREWEBVIEW2_PERMISSION_STATE_DEFAULT;
HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* value) override {
    return CopyString(uri, value);
}
HRESULT STDMETHODCALLTYPE get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* value) override {
    return CopyValue(permissionKind, value);
}
HRESULT STDMETHODCALLTYPE get_State(COREWEBVIEW2_PERMISSION_STATE* value) override {
    return CopyValue(state, value);
}
HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE value) override {
    ReportCall(*this, kind(), "put_State", {static_cast<int>(value)});
    state = value;
    return S_OK;
}
}
;

STANDIN_ARGS(AcceleratorKeyPressed)
UINT key = 0;
COREWEBVIEW2_KEY_EVENT_KIND keyKind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN;
INT lParam = 0;
BOOL handled = FALSE;
HRESULT STDMETHODCALLTYPE get_KeyEventLParam(INT* value) override {
    return CopyValue(lParam, value);
}
// The fields of the key message's lParam.
HRESULT STDMETHODCALLTYPE get_PhysicalKeyStatus(COREWEBVIEW2_PHYSICAL_KEY_STATUS* value) override {
    if (!value)
        return E_POINTER;
    const UINT32 bits = static_cast<UINT32>(lParam);
    value->RepeatCount = bits & 0xFFFF;
    value->ScanCode = (bits >> 16) & 0xFF;
    value->IsExtendedKey = static_cast<BOOL>((bits >> 24) & 1);
    value->IsMenuKeyDown = static_cast<BOOL>((bits >> 29) & 1);
    value->WasKeyDown = static_cast<BOOL>((bits >> 30) & 1);
    value->IsKeyReleased = static_cast<BOOL>((bits >> 31) & 1);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE get_Handled(BOOL* value) override {
    return CopyValue(handled, value);
}
HRESULT STDMETHODCALLTYPE get_KeyEventKind(COREWEBVIEW2_KEY_EVENT_KIND* value) override {
    ReportCall(*this, kind(), "get_KeyEventKind", Json::array());
    if (!value)
        return E_POINTER;
    *value = keyKind;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE get_VirtualKey(UINT* value) override {
    ReportCall(*this, kind(), "get_VirtualKey", Json::array());
    if (!value)
        return E_POINTER;
    *value = key;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE put_Handled(BOOL value) override {
    ReportCall(*this, kind(), "put_Handled", {value != FALSE});
    handled = value;
    return S_OK;
}
}
;

STANDIN_ARGS(WebMessageReceived)
std::wstring source;
std::wstring json;
bool isString = false;
std::wstring text;
HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) override {
    ReportCall(*this, kind(), "get_Source", Json::array());
    return CopyString(source, value);
}
HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* value) override {
    ReportCall(*this, kind(), "get_WebMessageAsJson", Json::array());
    return CopyString(json, value);
}
HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* value) override {
    ReportCall(*this, kind(), "TryGetWebMessageAsString", Json::array());
    if (!value)
        return E_POINTER;
    if (!isString) {
        *value = nullptr;
        return E_INVALIDARG;
    }
    return CopyString(text, value);
}
}
;

STANDIN_ARGS(ProcessFailed)
COREWEBVIEW2_PROCESS_FAILED_KIND failedKind =
    COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED;
HRESULT STDMETHODCALLTYPE get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* value) override {
    ReportCall(*this, kind(), "get_ProcessFailedKind", Json::array());
    return CopyValue(failedKind, value);
}
}
;

STANDIN_ARGS(DOMContentLoaded)
HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* value) override {
    return CopyValue(1, value);
}
}
;
#undef STANDIN_ARGS

COREWEBVIEW2_KEY_EVENT_KIND KeyEventKind(const std::string& name) {
    if (name == "keydown")
        return COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN;
    if (name == "keyup")
        return COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP;
    if (name == "systemkeydown")
        return COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN;
    if (name == "systemkeyup")
        return COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP;
    throw AgentMessageError("unknown key event kind " + Quoted(name));
}

const HandlerList& HandlersFor(const std::map<std::string, HandlerList>& handlers,
                               const std::string& event) {
    static const HandlerList kNone;
    auto it = handlers.find(event);
    return it == handlers.end() ? kNone : it->second;
}
} // namespace

Json RaiseWebResourceRequested(ICoreWebView2* sender, const Json& args,
                               const HandlerList& handlers);

Json RaiseOn(WebView& webView, Controller& controller, const std::string& event, const Json& args,
             const std::map<std::string, HandlerList>& handlers) {
    const HandlerList& list = HandlersFor(handlers, event);
    ICoreWebView2* sender = &webView;
    Json result = Json::object();
    if (event == "NavigationStarting") {
        Ref<NavigationStartingArgs> eventArgs(new NavigationStartingArgs());
        eventArgs->uri = ToWide(RequiredString(args, "uri"));
        eventArgs->userInitiated = BoolField(args, "userInitiated", true);
        result["invoked"] =
            list.InvokeAll<ICoreWebView2NavigationStartingEventHandler>(sender, eventArgs.get());
        result["cancel"] = eventArgs->cancel != FALSE;
    } else if (event == "NewWindowRequested") {
        Ref<NewWindowRequestedArgs> eventArgs(new NewWindowRequestedArgs());
        eventArgs->uri = ToWide(RequiredString(args, "uri"));
        eventArgs->userInitiated = BoolField(args, "userInitiated", false);
        result["invoked"] =
            list.InvokeAll<ICoreWebView2NewWindowRequestedEventHandler>(sender, eventArgs.get());
        result["handled"] = eventArgs->handled != FALSE;
    } else if (event == "LaunchingExternalUriScheme") {
        result = RaiseLaunchingExternalUriScheme(sender, args, list);
    } else if (event == "PermissionRequested") {
        Ref<PermissionRequestedArgs> eventArgs(new PermissionRequestedArgs());
        eventArgs->uri = ToWide(RequiredString(args, "uri"));
        eventArgs->permissionKind =
            static_cast<COREWEBVIEW2_PERMISSION_KIND>(IntegerField(args, "kind", 0));
        result["invoked"] =
            list.InvokeAll<ICoreWebView2PermissionRequestedEventHandler>(sender, eventArgs.get());
        result["state"] = static_cast<int>(eventArgs->state);
    } else if (event == "AcceleratorKeyPressed") {
        Ref<AcceleratorKeyPressedArgs> eventArgs(new AcceleratorKeyPressedArgs());
        if (!Member(args, "key"))
            throw AgentMessageError("missing \"key\"");
        eventArgs->key = IntegerField(args, "key", 0u);
        eventArgs->keyKind = KeyEventKind(StringField(args, "kind", "keydown"));
        eventArgs->lParam = IntegerField(args, "lParam", 1);
        result["invoked"] =
            controller.acceleratorKeyHandlers()
                .InvokeAll<ICoreWebView2AcceleratorKeyPressedEventHandler>(
                    static_cast<ICoreWebView2Controller*>(&controller), eventArgs.get());
        result["handled"] = eventArgs->handled != FALSE;
    } else if (event == "WebMessageReceived") {
        Ref<WebMessageReceivedArgs> eventArgs(new WebMessageReceivedArgs());
        eventArgs->source = ToWide(RequiredString(args, "source"));
        // "string": page script posted that string; "json": it posted the value
        // this JSON text describes.
        if (Member(args, "string")) {
            const std::string text = StringField(args, "string", "");
            eventArgs->isString = true;
            eventArgs->text = ToWide(text);
            eventArgs->json =
                ToWide(Json(text).dump(-1, ' ', false, Json::error_handler_t::replace));
        } else if (Member(args, "json")) {
            eventArgs->json = ToWide(StringField(args, "json", ""));
        } else {
            throw AgentMessageError("missing \"string\" or \"json\"");
        }
        result["invoked"] =
            list.InvokeAll<ICoreWebView2WebMessageReceivedEventHandler>(sender, eventArgs.get());
    } else if (event == "DOMContentLoaded") {
        Ref<DOMContentLoadedArgs> eventArgs(new DOMContentLoadedArgs());
        result["invoked"] =
            list.InvokeAll<ICoreWebView2DOMContentLoadedEventHandler>(sender, eventArgs.get());
    } else if (event == "DocumentTitleChanged") {
        result["invoked"] = list.InvokeAll<ICoreWebView2DocumentTitleChangedEventHandler>(
            sender, static_cast<IUnknown*>(nullptr));
    } else if (event == "ContainsFullScreenElementChanged") {
        result["invoked"] =
            list.InvokeAll<ICoreWebView2ContainsFullScreenElementChangedEventHandler>(
                sender, static_cast<IUnknown*>(nullptr));
    } else if (event == "WindowCloseRequested") {
        result["invoked"] = list.InvokeAll<ICoreWebView2WindowCloseRequestedEventHandler>(
            sender, static_cast<IUnknown*>(nullptr));
    } else if (event == "WebResourceRequested") {
        result = RaiseWebResourceRequested(sender, args, list);
    } else if (event == "ProcessFailed") {
        Ref<ProcessFailedArgs> eventArgs(new ProcessFailedArgs());
        const int kind = IntegerField(args, "kind", -1);
        if (kind < 0 || kind > COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED)
            throw AgentMessageError("\"kind\" is not a process failure kind");
        eventArgs->failedKind = static_cast<COREWEBVIEW2_PROCESS_FAILED_KIND>(kind);
        WriteFailureReport(kind);
        result["invoked"] =
            list.InvokeAll<ICoreWebView2ProcessFailedEventHandler>(sender, eventArgs.get());
    } else if (event == "ContextMenuRequested") {
        result =
            RaiseContextMenuRequested(sender, args, list, webView.DefaultContextMenusEnabled());
    } else {
        throw AgentMessageError("unknown event"); // the caller names it
    }
    return result;
}
