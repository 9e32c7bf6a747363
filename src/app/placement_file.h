#pragma once
// The main window's placement as kept between runs: the file's format and the
// rules that decide whether a saved rectangle may be used again.
#include <cstdint>
#include <optional>
#include <string>

#include "util/screen_area.h"

using PlacementRect = ScreenRect;

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
