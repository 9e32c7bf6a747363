#include "window/dpi.h"

#include <windows.h>

#include "window/dpi_scale.h"

namespace {
float g_dpiScaleFactor = 0.0f;
}

int32_t ScaleForDpi(int32_t length) {
    if (g_dpiScaleFactor == 0.0f) {
        HDC screen = GetDC(nullptr);
        g_dpiScaleFactor = DpiScaleFactor(GetDeviceCaps(screen, LOGPIXELSX));
        ReleaseDC(nullptr, screen);
    }
    return ScaleLength(length, g_dpiScaleFactor);
}
