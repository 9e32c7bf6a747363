#pragma once
#include <cstdint>

// Scales a length in 96-dpi units to the screen's dpi, rounding up. The dpi is
// read on first use and kept for the life of the process.
int32_t ScaleForDpi(int32_t length);
