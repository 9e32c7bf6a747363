#pragma once
#include <cstdint>

// The progress bar position for a download: progress * 100 / total in 32-bit
// floating point, truncated; nothing (-1) when the total is unknown (0). Beyond
// the total the position exceeds 100 and the bar simply shows full.
int32_t DownloadPercent(unsigned long progress, unsigned long total);
