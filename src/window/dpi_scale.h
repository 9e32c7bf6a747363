#pragma once
// Arithmetic of dpi scaling, apart from the screen query so it can be tested anywhere.
#include <cstdint>

// The factor for a screen dpi: dpi / 96 in 32-bit floating point.
float DpiScaleFactor(int dpi);

// length * factor rounded up, clamped to the signed 32-bit range.
int32_t ScaleLength(int32_t length, float factor);
