#include "objects.h"

#include "browser_window.h"
#include "frames.h"

namespace {
Controller* g_currentController = nullptr;
} // namespace

Controller* CurrentController() {
    return g_currentController;
}
void SetCurrentController(Controller* controller) {
    g_currentController = controller;
}

Controller::Controller(HWND parent, Environment* environment)
    : StandinObject("ICoreWebView2Controller"), parent_(parent),
      browserWindow_(CreateBrowserWindow(parent, this)), environment_(environment) {
    webView_ = Ref<WebView>(new WebView(this));
    SetCurrentController(this);
    environment_->ControllerOpened();
}

Controller::~Controller() {
    // The runtime closes a controller whose last reference goes.
    if (!closed_)
        environment_->ControllerEnded();
    if (CurrentController() == this)
        SetCurrentController(nullptr);
    if (IsWindow(browserWindow_)) {
        SetWindowLongPtrW(browserWindow_, GWLP_USERDATA, 0); // no input reaches a dying controller
        DestroyWindow(browserWindow_);
    }
}

bool Controller::Offers(REFIID iid) const {
    return iid == IidOf<ICoreWebView2Controller>() ||
           (Config().controller2 && iid == IidOf<ICoreWebView2Controller2>()) ||
           (Config().controller3 && iid == IidOf<ICoreWebView2Controller3>());
}

HRESULT Controller::get_IsVisible(BOOL* value) {
    return CopyValue(IsWindowVisible(browserWindow_), value);
}

HRESULT Controller::put_IsVisible(BOOL value) {
    STANDIN_ON_CREATING_THREAD("put_IsVisible");
    ReportCall(*this, "ICoreWebView2Controller", "put_IsVisible", {value != FALSE});
    ShowWindow(browserWindow_, value ? SW_SHOWNA : SW_HIDE);
    return S_OK;
}

HRESULT Controller::get_Bounds(RECT* value) {
    return CopyValue(bounds_, value);
}

HRESULT Controller::put_Bounds(RECT value) {
    STANDIN_ON_CREATING_THREAD("put_Bounds");
    ReportCall(*this, "ICoreWebView2Controller", "put_Bounds", {ToJson(value)});
    bounds_ = value;
    MoveWindow(browserWindow_, value.left, value.top, value.right - value.left,
               value.bottom - value.top, TRUE);
    return S_OK;
}

HRESULT Controller::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    STANDIN_ON_CREATING_THREAD("MoveFocus");
    ReportCall(*this, "ICoreWebView2Controller", "MoveFocus", {static_cast<int>(reason)});
    SetFocus(browserWindow_);
    return S_OK;
}

HRESULT
Controller::add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* handler,
                                      EventRegistrationToken* token) {
    STANDIN_ON_CREATING_THREAD("add_AcceleratorKeyPressed");
    ReportCall(*this, "ICoreWebView2Controller", "add_AcceleratorKeyPressed",
               {"AcceleratorKeyPressed", token != nullptr});
    if (!handler)
        return E_POINTER;
    const int64_t value = acceleratorKeyHandlers_.Add(handler);
    if (token)
        token->value = value;
    return S_OK;
}

HRESULT Controller::remove_AcceleratorKeyPressed(EventRegistrationToken token) {
    STANDIN_ON_CREATING_THREAD("remove_AcceleratorKeyPressed");
    ReportCall(*this, "ICoreWebView2Controller", "remove_AcceleratorKeyPressed",
               {"AcceleratorKeyPressed"});
    return acceleratorKeyHandlers_.Remove(token.value) ? S_OK : E_INVALIDARG;
}

HRESULT Controller::get_ParentWindow(HWND* value) {
    return CopyValue(parent_, value);
}

HRESULT Controller::NotifyParentWindowPositionChanged() {
    STANDIN_ON_CREATING_THREAD("NotifyParentWindowPositionChanged");
    ReportCall(*this, "ICoreWebView2Controller", "NotifyParentWindowPositionChanged",
               Json::array());
    return S_OK;
}

HRESULT Controller::Close() {
    STANDIN_ON_CREATING_THREAD("Close");
    ReportCall(*this, "ICoreWebView2Controller", "Close", Json::array());
    if (IsDispatching(*this))
        ReportViolation("closed-in-handler",
                        "the host closed the controller inside one of its own event handlers");
    if (!std::exchange(closed_, true))
        environment_->ControllerEnded();
    return S_OK;
}

HRESULT Controller::get_CoreWebView2(ICoreWebView2** value) {
    STANDIN_ON_CREATING_THREAD("get_CoreWebView2");
    ReportCall(*this, "ICoreWebView2Controller", "get_CoreWebView2", Json::array());
    return webView_.CopyTo(value);
}

HRESULT Controller::get_DefaultBackgroundColor(COREWEBVIEW2_COLOR* value) {
    return CopyValue(backgroundColor_, value);
}

HRESULT Controller::put_DefaultBackgroundColor(COREWEBVIEW2_COLOR value) {
    STANDIN_ON_CREATING_THREAD("put_DefaultBackgroundColor");
    ReportCall(*this, "ICoreWebView2Controller2", "put_DefaultBackgroundColor",
               {{{"a", value.A}, {"r", value.R}, {"g", value.G}, {"b", value.B}}});
    // The runtime takes only opaque colours and full transparency.
    if (value.A != 0 && value.A != 255)
        return E_INVALIDARG;
    backgroundColor_ = value;
    SetFrameBackground(RGB(value.R, value.G, value.B));
    return S_OK;
}

HRESULT Controller::get_RasterizationScale(double* value) {
    return CopyValue(rasterizationScale_, value);
}

HRESULT Controller::put_RasterizationScale(double value) {
    ReportCall(*this, "ICoreWebView2Controller3", "put_RasterizationScale", {value});
    // The runtime refuses a scale that is not positive.
    if (!(value > 0))
        return E_INVALIDARG;
    rasterizationScale_ = value;
    return S_OK;
}

HRESULT Controller::get_ShouldDetectMonitorScaleChanges(BOOL* value) {
    return CopyValue(detectsMonitorScale_, value);
}

HRESULT Controller::put_ShouldDetectMonitorScaleChanges(BOOL value) {
    ReportCall(*this, "ICoreWebView2Controller3", "put_ShouldDetectMonitorScaleChanges",
               {value != FALSE});
    detectsMonitorScale_ = value;
    return S_OK;
}
