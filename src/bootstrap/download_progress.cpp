#include "bootstrap/download_progress.h"

#include <cstdint>

int32_t DownloadPercent(unsigned long progress, unsigned long total) {
    if (total == 0)
        return -1;
    const float percent = static_cast<float>(progress) * 100.0f / static_cast<float>(total);
    // Saturate rather than overflow: only a position of 100 or more matters then.
    return percent >= 2147483520.0f ? INT32_MAX : static_cast<int32_t>(percent);
}
