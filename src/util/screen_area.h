#pragma once
// Rectangles of the screen in physical pixels, the bounds a window keeps, and
// where its caption must stay so the player can drag it. Portable.
#include <cstdint>
#include <vector>

struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// Far beyond any desktop, yet small enough that sums and products stay exact.
inline constexpr int64_t kWindowCoordinateLimit = int64_t{1} << 20;
inline constexpr int64_t kWindowSizeLimit = int64_t{1} << 16;

// -2^20..2^20.
int32_t ClampWindowCoordinate(int64_t coordinate);
// 1..65,536.
int32_t ClampWindowLength(int64_t length);

// Whether the window's top strip, captionHeight high (its caption), meets one of
// the work areas, so the player can drag the window by it.
bool CaptionMeetsWorkArea(const ScreenRect& rect, int32_t captionHeight,
                          const std::vector<ScreenRect>& workAreas);

// The rectangle as it is when its caption meets a work area; otherwise moved,
// its size kept, onto the work area nearest to it: inside it where it fits,
// else at its top-left corner. Unchanged when there is no work area at all.
// Coordinates and sizes within the bounds above.
ScreenRect KeepCaptionOnWorkArea(const ScreenRect& rect, int32_t captionHeight,
                                 const std::vector<ScreenRect>& workAreas);
