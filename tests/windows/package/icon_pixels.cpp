#include "icon_pixels.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdlib>

#include "process/screen.h"
#include "util/text/text.h"

namespace {
#pragma pack(push, 2)
struct PackedIconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

BOOL CALLBACK TakeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
    *reinterpret_cast<LPWSTR*>(found) = name;
    return FALSE;
}

// The module as data, with its first icon group's directory (null when none).
struct IconGroup {
    HMODULE module = nullptr;
    const BYTE* directory = nullptr;
    explicit IconGroup(const std::string& exePath) {
        module = LoadLibraryExW(Utf8ToWide(exePath).c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        LPWSTR name = nullptr;
        if (module)
            EnumResourceNamesW(module, RT_GROUP_ICON, TakeFirstName,
                               reinterpret_cast<LONG_PTR>(&name));
        HRSRC found = name ? FindResourceW(module, name, RT_GROUP_ICON) : nullptr;
        if (found)
            directory = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    }
    ~IconGroup() {
        if (module)
            FreeLibrary(module);
    }
    WORD count() const { return directory ? reinterpret_cast<const WORD*>(directory)[2] : 0; }
    const PackedIconGroupEntry& entry(int index) const {
        return reinterpret_cast<const PackedIconGroupEntry*>(directory + 6)[index];
    }
};

uint32_t Alpha(uint32_t argb) {
    return argb >> 24;
}
} // namespace

ArgbImage LoadImageFile(const std::string& path) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    ArgbImage image;
    {
        Gdiplus::Bitmap bitmap(Utf8ToWide(path).c_str());
        Gdiplus::Rect all(0, 0, static_cast<INT>(bitmap.GetWidth()),
                          static_cast<INT>(bitmap.GetHeight()));
        Gdiplus::BitmapData data;
        if (bitmap.GetLastStatus() == Gdiplus::Ok &&
            bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) ==
                Gdiplus::Ok) {
            image.width = all.Width;
            image.height = all.Height;
            for (int y = 0; y < all.Height; ++y) {
                const auto* row = reinterpret_cast<const uint32_t*>(
                    static_cast<const BYTE*>(data.Scan0) + y * data.Stride);
                image.pixels.insert(image.pixels.end(), row, row + all.Width);
            }
            bitmap.UnlockBits(&data);
        }
    }
    Gdiplus::GdiplusShutdown(token);
    return image;
}

std::vector<std::optional<uint32_t>> ResampledWhereUniform(const ArgbImage& image, int side,
                                                           int reach) {
    std::vector<std::optional<uint32_t>> result(side * side);
    if (image.width == 0)
        return result;
    const double scaleX = double(image.width) / side, scaleY = double(image.height) / side;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int left = std::max(0, int((x - reach) * scaleX));
            const int right = std::min(image.width, int((x + 1 + reach) * scaleX + 0.999));
            const int top = std::max(0, int((y - reach) * scaleY));
            const int bottom = std::min(image.height, int((y + 1 + reach) * scaleY + 0.999));
            const uint32_t first = image.pixels[top * image.width + left];
            bool uniform = true;
            for (int sy = top; sy < bottom && uniform; ++sy)
                for (int sx = left; sx < right && uniform; ++sx) {
                    const uint32_t pixel = image.pixels[sy * image.width + sx];
                    uniform = pixel == first || (Alpha(pixel) == 0 && Alpha(first) == 0);
                }
            if (uniform)
                result[y * side + x] = Alpha(first) == 0 ? 0u : first;
        }
    return result;
}

std::vector<int> IconGroupSizes(const std::string& exePath) {
    IconGroup group(exePath);
    std::vector<int> sizes;
    for (int index = 0; index < group.count(); ++index)
        sizes.push_back(group.entry(index).width == 0 ? 256 : group.entry(index).width);
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

ArgbImage IconImage(const std::string& exePath, int side) {
    IconGroup group(exePath);
    ArgbImage image;
    if (!group.directory)
        return image;
    const int id = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group.directory), TRUE, side, side,
                                               LR_DEFAULTCOLOR);
    HRSRC found = FindResourceW(group.module, MAKEINTRESOURCEW(id), RT_ICON);
    if (!found)
        return image;
    auto* bits = static_cast<BYTE*>(LockResource(LoadResource(group.module, found)));
    HICON icon = CreateIconFromResourceEx(bits, SizeofResource(group.module, found), TRUE,
                                          0x00030000, side, side, LR_DEFAULTCOLOR);
    if (!icon)
        return image;
    const Pixels onBlack = DrawIconOn(side, side, icon, RGB(0, 0, 0));
    const Pixels onWhite = DrawIconOn(side, side, icon, RGB(255, 255, 255));
    DestroyIcon(icon);
    image.width = image.height = side;
    for (size_t index = 0; index < onBlack.size(); ++index) {
        // On white each channel gains (255 - alpha); on black it is the colour times alpha.
        const int gain = int(onWhite[index] & 0xFF) - int(onBlack[index] & 0xFF);
        const uint32_t alpha = uint32_t(std::clamp(255 - gain, 0, 255));
        image.pixels.push_back(alpha << 24 | (alpha == 0 ? 0 : onBlack[index]));
    }
    return image;
}

Comparison Compare(const std::vector<std::optional<uint32_t>>& expected, const ArgbImage& actual,
                   int tolerance) {
    Comparison result;
    for (size_t index = 0; index < expected.size() && index < actual.pixels.size(); ++index) {
        if (!expected[index])
            continue;
        ++result.compared;
        const uint32_t want = *expected[index], got = actual.pixels[index];
        bool differs = std::abs(int(Alpha(want)) - int(Alpha(got))) > tolerance;
        for (int shift = 0; shift < 24 && Alpha(want) == 255; shift += 8)
            differs |= std::abs(int(want >> shift & 0xFF) - int(got >> shift & 0xFF)) > tolerance;
        result.different += differs;
    }
    if (actual.pixels.size() < expected.size())
        result.different += int(expected.size() - actual.pixels.size());
    return result;
}

namespace {
// True when the image's opaque, filter-independent pixels appear somewhere in shot.
bool ShotContains(const Pixels& shot, int shotSide,
                  const std::vector<std::optional<uint32_t>>& image, int side) {
    for (int top = 0; top + side <= shotSide; ++top)
        for (int left = 0; left + side <= shotSide; ++left) {
            bool all = true;
            for (int y = 0; y < side && all; ++y)
                for (int x = 0; x < side && all; ++x) {
                    const auto& want = image[y * side + x];
                    if (!want || Alpha(*want) != 255)
                        continue;
                    const uint32_t got = shot[(top + y) * shotSide + left + x];
                    for (int shift = 0; shift < 24 && all; shift += 8)
                        all = std::abs(int(*want >> shift & 0xFF) - int(got >> shift & 0xFF)) <= 12;
                }
            if (all)
                return true;
        }
    return false;
}
} // namespace

bool CaptionShowsImage(HWND window, const ArgbImage& image) {
    const int side = GetSystemMetrics(SM_CXSMICON);
    const auto expected = ResampledWhereUniform(image, side, 1);
    const auto opaque = std::count_if(expected.begin(), expected.end(), [](const auto& pixel) {
        return pixel && Alpha(*pixel) == 255;
    });
    if (opaque < side * side / 8)
        return false; // too little of the image is filter-independent to recognise it
    return CaptionCornerShows(window, [&](const Pixels& shot, int shotSide) {
        return ShotContains(shot, shotSide, expected, side);
    });
}
