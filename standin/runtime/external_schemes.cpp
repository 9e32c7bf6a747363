// A link to another program's scheme: the runtime asks the host before its own
// prompt, telling it who asked. "cancel" tells the agent what the host decided.
#include "agent_fields.h"
#include "objects.h"

namespace {
class LaunchingExternalUriSchemeArgs final
    : public StandinObject<ICoreWebView2LaunchingExternalUriSchemeEventArgs> {
public:
    LaunchingExternalUriSchemeArgs()
        : StandinObject("ICoreWebView2LaunchingExternalUriSchemeEventArgs") {}

    std::wstring uri;
    std::wstring initiatingOrigin;
    BOOL userInitiated = FALSE;
    BOOL cancel = FALSE;

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* value) override { return CopyString(uri, value); }
    HRESULT STDMETHODCALLTYPE get_InitiatingOrigin(LPWSTR* value) override {
        return CopyString(initiatingOrigin, value);
    }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override {
        return CopyValue(userInitiated, value);
    }
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* value) override { return CopyValue(cancel, value); }
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL value) override {
        ReportCall(*this, kind(), "put_Cancel", {value != FALSE});
        cancel = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral**) override {
        return ReportUnimplemented(kind(), "GetDeferral");
    }

protected:
    bool Offers(REFIID iid) const override {
        return iid == IidOf<ICoreWebView2LaunchingExternalUriSchemeEventArgs>();
    }
};
} // namespace

Json RaiseLaunchingExternalUriScheme(ICoreWebView2* sender, const Json& args,
                                     const HandlerList& handlers) {
    Ref<LaunchingExternalUriSchemeArgs> eventArgs(new LaunchingExternalUriSchemeArgs());
    eventArgs->uri = ToWide(RequiredString(args, "uri"));
    eventArgs->initiatingOrigin = ToWide(StringField(args, "initiatingOrigin", ""));
    eventArgs->userInitiated = BoolField(args, "userInitiated", false);
    Json result = Json::object();
    result["invoked"] = handlers.InvokeAll<ICoreWebView2LaunchingExternalUriSchemeEventHandler>(
        sender, eventArgs.get());
    result["cancel"] = eventArgs->cancel != FALSE;
    return result;
}
