#include "util/dpi_scale.h"

#include <cmath>
#include <limits>

float DpiScaleFactor(int dpi) {
    return static_cast<float>(dpi) / 96.0f;
}

int32_t ScaleLength(int32_t length, float factor) {
    float scaled = std::ceil(static_cast<float>(length) * factor);
    // Out-of-range conversions are undefined; huge manifest sizes saturate instead.
    if (scaled >= 2147483520.0f)
        return std::numeric_limits<int32_t>::max();
    if (scaled <= -2147483648.0f)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(scaled);
}
