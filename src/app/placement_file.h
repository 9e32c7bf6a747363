#pragma once
// The main window's placement as kept between runs: the file's format and the
// rules that decide whether a saved rectangle may be used again.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PlacementRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct SavedPlacement {
    PlacementRect normal; // outer rectangle when neither maximised nor full screen, physical pixels
    bool maximized = false;
    bool fullScreen = false;
    int32_t dpi = 96; // the system dpi it was saved at
};

inline constexpr size_t kPlacementFileLimit = 4096;

std::string FormatPlacement(const SavedPlacement& placement);

// Nothing for text that is not exactly a placement this program wrote: too
// long, truncated, of another format, or with values no window can have.
std::optional<SavedPlacement> ParsePlacement(const std::string& text);

// Keeps the top-left corner and scales the size from one dpi to another.
PlacementRect ScalePlacementSize(const PlacementRect& rect, int32_t fromDpi, int32_t toDpi);

// Whether the window's top strip, captionHeight high (its caption), meets one of
// the work areas, so the player can drag the window by it.
bool CaptionMeetsWorkArea(const PlacementRect& rect, int32_t captionHeight,
                          const std::vector<PlacementRect>& workAreas);
