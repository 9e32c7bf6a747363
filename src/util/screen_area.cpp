#include "util/screen_area.h"

#include <algorithm>

namespace {
int64_t Area(const ScreenRect& rect) {
    return std::max<int64_t>(int64_t{rect.right} - rect.left, 0) *
           std::max<int64_t>(int64_t{rect.bottom} - rect.top, 0);
}

ScreenRect Intersection(const ScreenRect& a, const ScreenRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

// How far one span lies from another along an axis; 0 when they overlap.
int64_t Gap(int64_t low, int64_t high, int64_t otherLow, int64_t otherHigh) {
    return std::max<int64_t>({otherLow - high, low - otherHigh, 0});
}

// In floating point: gaps between 32-bit coordinates square beyond 64 bits.
double DistanceSquared(const ScreenRect& a, const ScreenRect& b) {
    const auto across = static_cast<double>(Gap(a.left, a.right, b.left, b.right));
    const auto down = static_cast<double>(Gap(a.top, a.bottom, b.top, b.bottom));
    return across * across + down * down;
}

// The start of a span of the given length moved into [low, high), or to low
// when it does not fit.
int64_t MoveInto(int64_t start, int64_t length, int64_t low, int64_t high) {
    return std::max(low, std::min(start, high - length));
}
} // namespace

int32_t ClampWindowCoordinate(int64_t coordinate) {
    return static_cast<int32_t>(
        std::clamp(coordinate, -kWindowCoordinateLimit, kWindowCoordinateLimit));
}

int32_t ClampWindowLength(int64_t length) {
    return static_cast<int32_t>(std::clamp<int64_t>(length, 1, kWindowSizeLimit));
}

bool CaptionMeetsWorkArea(const ScreenRect& rect, int32_t captionHeight,
                          const std::vector<ScreenRect>& workAreas) {
    const int64_t stripBottom = int64_t{rect.top} + std::max(captionHeight, 1);
    const ScreenRect strip = {rect.left, rect.top, rect.right,
                              static_cast<int32_t>(std::min<int64_t>(rect.bottom, stripBottom))};
    return std::any_of(workAreas.begin(), workAreas.end(), [&](const ScreenRect& workArea) {
        return Area(Intersection(strip, workArea)) > 0;
    });
}

ScreenRect KeepCaptionOnWorkArea(const ScreenRect& rect, int32_t captionHeight,
                                 const std::vector<ScreenRect>& workAreas) {
    if (workAreas.empty() || CaptionMeetsWorkArea(rect, captionHeight, workAreas))
        return rect;
    const ScreenRect& nearest =
        *std::min_element(workAreas.begin(), workAreas.end(),
                          [&](const ScreenRect& a, const ScreenRect& b) {
                              return DistanceSquared(rect, a) < DistanceSquared(rect, b);
                          });
    const int64_t width = int64_t{rect.right} - rect.left;
    const int64_t height = int64_t{rect.bottom} - rect.top;
    const int64_t left = MoveInto(rect.left, width, nearest.left, nearest.right);
    const int64_t top = MoveInto(rect.top, height, nearest.top, nearest.bottom);
    return {static_cast<int32_t>(left), static_cast<int32_t>(top),
            static_cast<int32_t>(left + width), static_cast<int32_t>(top + height)};
}
