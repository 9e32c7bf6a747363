#include "window/dpi_scale.h"

#include <cmath>

#include "util/text/saturate.h"

float DpiScaleFactor(int dpi) {
    return static_cast<float>(dpi) / 96.0f;
}

int32_t ScaleLength(int32_t length, float factor) {
    // Huge manifest sizes saturate rather than overflow.
    return SaturateToInt32(std::ceil(static_cast<float>(length) * factor));
}
