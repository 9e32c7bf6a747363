#pragma once
// An image of the page as the runtime shows it: top-down rows of 32-bit BGRA
// pixels, width * height * 4 bytes. Portable.
#include <cstdint>
#include <vector>

struct PagePixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgra;
};
