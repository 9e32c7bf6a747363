#pragma once
// The browser control on a per-monitor aware window: the host sets the control's
// rasterization scale from the window's dpi itself, as the vendor documents for
// hosts that handle dpi changes (ICoreWebView2Controller3; older runtimes follow
// the monitor on their own).
#include <WebView2.h>

#include "util/com/com_ptr.h"

// The control draws at dpi; only for a process that is per-monitor aware.
void FollowWindowDpi(ICoreWebView2Controller* controller, int dpi);
