#include "webview/rasterization_scale.h"

#include "util/log/author_log.h"

void FollowWindowDpi(ICoreWebView2Controller* controller, int dpi) {
    com_ptr<ICoreWebView2Controller3> controller3 =
        com_ptr<ICoreWebView2Controller>::copy_from(controller)
            .try_query<ICoreWebView2Controller3>();
    if (!controller3)
        return;
    // Left on, the runtime would track the monitor and undo the host's scale.
    LogIfFailed("put_ShouldDetectMonitorScaleChanges",
                controller3->put_ShouldDetectMonitorScaleChanges(FALSE));
    LogIfFailed("put_RasterizationScale", controller3->put_RasterizationScale(dpi / 96.0));
}
