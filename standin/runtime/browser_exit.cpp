// BrowserProcessExited, as the runtime raises it: once the last controller of
// an environment has closed, the engine's processes write out the profile and
// end, and only then does the environment raise the event, through the host's
// message loop. Without an engine behind the agent the processes end at once;
// with one ("browserExitFromAgent"), the agent closes it and says
// "browser-exited" when its processes have gone.
#include <algorithm>
#include <vector>

#include "objects.h"

namespace {
class BrowserExitArgs final
    : public StandinObject<ICoreWebView2BrowserProcessExitedEventArgsDefaults> {
public:
    BrowserExitArgs() : StandinObject("ICoreWebView2BrowserProcessExitedEventArgs") {}
    HRESULT STDMETHODCALLTYPE
    get_BrowserProcessExitKind(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND* value) override {
        return CopyValue(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_NORMAL, value);
    }
    HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* value) override {
        return CopyValue(static_cast<UINT32>(GetCurrentProcessId()), value);
    }

protected:
    bool Offers(REFIID iid) const override {
        return iid == IidOf<ICoreWebView2BrowserProcessExitedEventArgs>();
    }
};

// Environments whose engine is ending; UI thread only. An environment the host
// has let go of raises nothing.
std::vector<Environment*>& Ending() {
    static std::vector<Environment*> ending;
    return ending;
}
} // namespace

HRESULT Environment::add_BrowserProcessExited(
    ICoreWebView2BrowserProcessExitedEventHandler* handler, EventRegistrationToken* token) {
    STANDIN_ON_CREATING_THREAD("add_BrowserProcessExited");
    ReportCall(*this, "ICoreWebView2Environment5", "add_BrowserProcessExited",
               {"BrowserProcessExited", token != nullptr});
    if (!handler)
        return E_POINTER;
    const int64_t value = browserExitHandlers_.Add(handler);
    if (token)
        token->value = value;
    return S_OK;
}

HRESULT Environment::remove_BrowserProcessExited(EventRegistrationToken token) {
    STANDIN_ON_CREATING_THREAD("remove_BrowserProcessExited");
    ReportCall(*this, "ICoreWebView2Environment5", "remove_BrowserProcessExited",
               {"BrowserProcessExited"});
    return browserExitHandlers_.Remove(token.value) ? S_OK : E_INVALIDARG;
}

Environment::~Environment() {
    std::vector<Environment*>& ending = Ending();
    ending.erase(std::remove(ending.begin(), ending.end(), this), ending.end());
}

void Environment::ControllerEnded() {
    if (--openControllers_ > 0 ||
        std::find(Ending().begin(), Ending().end(), this) != Ending().end())
        return;
    Ending().push_back(this);
    if (Config().browserExitFromAgent)
        SendToAgent({{"type", "browser-closing"}});
    else
        PostToUiThread([] { BrowserProcessesExited(); });
}

void Environment::RaiseBrowserProcessExited() {
    const Ref<Environment> held(this); // the host may let go of it in its handler
    Ref<BrowserExitArgs> args(new BrowserExitArgs());
    const Dispatching dispatching("BrowserProcessExited", {this});
    browserExitHandlers_.InvokeAll<ICoreWebView2BrowserProcessExitedEventHandler>(
        static_cast<ICoreWebView2Environment*>(this), args.get());
}

int BrowserProcessesExited() {
    const std::vector<Environment*> ended = std::exchange(Ending(), {});
    std::vector<Ref<Environment>> held(ended.begin(), ended.end());
    for (const Ref<Environment>& environment : held)
        environment->RaiseBrowserProcessExited();
    return static_cast<int>(held.size());
}
