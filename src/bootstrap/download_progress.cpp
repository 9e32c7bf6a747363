#include "bootstrap/download_progress.h"

#include <cmath>

#include "util/text/saturate.h"

int32_t DownloadPercent(unsigned long progress, unsigned long total) {
    if (total == 0)
        return -1;
    const float percent = static_cast<float>(progress) * 100.0f / static_cast<float>(total);
    // Only a position of 100 or more matters beyond the total.
    return SaturateToInt32(std::trunc(percent));
}
