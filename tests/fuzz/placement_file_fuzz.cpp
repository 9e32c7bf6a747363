// The window placement file, read from the user data folder at every start:
// either nothing, or a placement any window could have that reads back the
// same once written again.
#include <cstdint>
#include <string>

#include "app/placement_file.h"
#include "fuzz_check.h"

namespace {
bool Same(const SavedPlacement& a, const SavedPlacement& b) {
    return a.normal.left == b.normal.left && a.normal.top == b.normal.top &&
           a.normal.right == b.normal.right && a.normal.bottom == b.normal.bottom &&
           a.maximized == b.maximized && a.fullScreen == b.fullScreen && a.dpi == b.dpi;
}

void CheckAccepted(const std::string& text, const SavedPlacement& placement) {
    const PlacementRect& r = placement.normal;
    FUZZ_REQUIRE(text.size() <= kPlacementFileLimit, "no placement is longer than the limit");
    FUZZ_REQUIRE(r.right > r.left && r.bottom > r.top, "a placement has a size");
    FUZZ_REQUIRE(int64_t{r.right} - r.left <= 65536 && int64_t{r.bottom} - r.top <= 65536,
                 "no placement is wider or taller than any screen");
    FUZZ_REQUIRE(r.left >= -(1 << 20) && r.bottom <= (1 << 20), "a placement lies near a desktop");
    FUZZ_REQUIRE(placement.dpi >= 48 && placement.dpi <= 960, "a dpi a screen can have");
    const std::optional<SavedPlacement> again = ParsePlacement(FormatPlacement(placement));
    FUZZ_REQUIRE(again && Same(*again, placement), "a placement written again reads back the same");
    FUZZ_REQUIRE(CaptionMeetsWorkArea(r, 30, {r}),
                 "a caption meets a work area that is the window");
    for (int32_t dpi : {96, 144, 480}) {
        const PlacementRect scaled = ScalePlacementSize(r, placement.dpi, dpi);
        FUZZ_REQUIRE(scaled.left == r.left && scaled.top == r.top, "scaling keeps the corner");
        FUZZ_REQUIRE(scaled.right > scaled.left && scaled.bottom > scaled.top,
                     "scaling keeps a size");
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const std::optional<SavedPlacement> placement = ParsePlacement(text))
        CheckAccepted(text, *placement);
    return 0;
}
