#pragma once
// An icon's pixels compared with the PNG it was made from.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

// 0xAARRGGBB, top row first.
struct ArgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// Decodes an image file with GDI+ (started and stopped here); empty on failure.
ArgbImage LoadImageFile(const std::string& path);

// The image as it must look at side by side pixels, where that does not depend
// on the resampling filter: a pixel whose source area, widened by reach pixels
// of the small image on each side, has one colour gets that colour (any fully
// transparent pixel counts as the same colour); other pixels have no value.
std::vector<std::optional<uint32_t>> ResampledWhereUniform(const ArgbImage& image, int side,
                                                           int reach);

// Widths of the first icon group's images (the program's icon in Explorer).
std::vector<int> IconGroupSizes(const std::string& exePath);

// The first icon group's image for side by side pixels, drawn at its natural
// size on black and on white, with alpha recovered from the two (0xAARRGGBB).
ArgbImage IconImage(const std::string& exePath, int side);

// Counts pixels with an expected value, and those of them that differ from
// actual by more than tolerance in alpha or (where alpha is 255) any colour.
struct Comparison {
    int compared = 0;
    int different = 0;
};
Comparison Compare(const std::vector<std::optional<uint32_t>>& expected, const ArgbImage& actual,
                   int tolerance);

// True when the window's caption shows the image as its small icon, found
// within the window's top-left corner (the window is shown for this).
bool CaptionShowsImage(HWND window, const ArgbImage& image);
