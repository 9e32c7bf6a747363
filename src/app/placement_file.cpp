#include "app/placement_file.h"

#include <algorithm>
#include <climits>

#include <nlohmann/json.hpp>

namespace {
constexpr char kFormat[] = "quorrin-window-placement/1";
// Far beyond any desktop, yet small enough that sums and products stay exact.
constexpr int64_t kCoordinateLimit = 1 << 20;
constexpr int64_t kSizeLimit = 1 << 16;
constexpr int64_t kLowestDpi = 48;
constexpr int64_t kHighestDpi = 960;

bool IsIntegerIn(const nlohmann::json& value, int64_t low, int64_t high) {
    int64_t number = 0;
    if (value.is_number_unsigned()) {
        if (value.get<uint64_t>() > static_cast<uint64_t>(high))
            return false;
        number = static_cast<int64_t>(value.get<uint64_t>());
    } else if (value.is_number_integer()) {
        number = value.get<int64_t>();
    } else {
        return false;
    }
    return number >= low && number <= high;
}

std::optional<PlacementRect> ReadRect(const nlohmann::json& value) {
    if (!value.is_array() || value.size() != 4)
        return std::nullopt;
    for (const nlohmann::json& coordinate : value)
        if (!IsIntegerIn(coordinate, -kCoordinateLimit, kCoordinateLimit))
            return std::nullopt;
    const PlacementRect rect = {value[0].get<int32_t>(), value[1].get<int32_t>(),
                                value[2].get<int32_t>(), value[3].get<int32_t>()};
    const int64_t width = int64_t{rect.right} - rect.left;
    const int64_t height = int64_t{rect.bottom} - rect.top;
    if (width < 1 || width > kSizeLimit || height < 1 || height > kSizeLimit)
        return std::nullopt;
    return rect;
}

int64_t Area(const PlacementRect& rect) {
    return std::max<int64_t>(int64_t{rect.right} - rect.left, 0) *
           std::max<int64_t>(int64_t{rect.bottom} - rect.top, 0);
}

PlacementRect Intersection(const PlacementRect& a, const PlacementRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

int32_t ScaleSize(int64_t length, int32_t fromDpi, int32_t toDpi) {
    const int64_t scaled = (length * toDpi + fromDpi / 2) / fromDpi;
    return static_cast<int32_t>(std::clamp<int64_t>(scaled, 1, kSizeLimit));
}
} // namespace

std::string FormatPlacement(const SavedPlacement& placement) {
    const PlacementRect& r = placement.normal;
    const nlohmann::json document = {{"format", kFormat},
                                     {"normal", {r.left, r.top, r.right, r.bottom}},
                                     {"maximized", placement.maximized},
                                     {"fullScreen", placement.fullScreen},
                                     {"dpi", placement.dpi}};
    return document.dump() + "\n";
}

std::optional<SavedPlacement> ParsePlacement(const std::string& text) {
    if (text.size() > kPlacementFileLimit)
        return std::nullopt;
    const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (!document.is_object())
        return std::nullopt;
    const auto member = [&](const char* key) -> const nlohmann::json& {
        static const nlohmann::json kMissing;
        const auto it = document.find(key);
        return it == document.end() ? kMissing : *it;
    };
    if (member("format") != kFormat || !member("maximized").is_boolean() ||
        !member("fullScreen").is_boolean() || !IsIntegerIn(member("dpi"), kLowestDpi, kHighestDpi))
        return std::nullopt;
    const std::optional<PlacementRect> normal = ReadRect(member("normal"));
    if (!normal)
        return std::nullopt;
    return SavedPlacement{*normal, member("maximized").get<bool>(),
                          member("fullScreen").get<bool>(), member("dpi").get<int32_t>()};
}

PlacementRect ScalePlacementSize(const PlacementRect& rect, int32_t fromDpi, int32_t toDpi) {
    const auto isKnownDpi = [](int32_t dpi) { return dpi >= kLowestDpi && dpi <= kHighestDpi; };
    if (!isKnownDpi(fromDpi) || !isKnownDpi(toDpi) || fromDpi == toDpi)
        return rect;
    const int32_t width = ScaleSize(int64_t{rect.right} - rect.left, fromDpi, toDpi);
    const int32_t height = ScaleSize(int64_t{rect.bottom} - rect.top, fromDpi, toDpi);
    return {rect.left, rect.top,
            static_cast<int32_t>(std::min<int64_t>(int64_t{rect.left} + width, INT32_MAX)),
            static_cast<int32_t>(std::min<int64_t>(int64_t{rect.top} + height, INT32_MAX))};
}

bool CaptionMeetsWorkArea(const PlacementRect& rect, int32_t captionHeight,
                          const std::vector<PlacementRect>& workAreas) {
    const int64_t stripBottom = int64_t{rect.top} + std::max(captionHeight, 1);
    const PlacementRect strip = {rect.left, rect.top, rect.right,
                                 static_cast<int32_t>(std::min<int64_t>(rect.bottom, stripBottom))};
    return std::any_of(workAreas.begin(), workAreas.end(), [&](const PlacementRect& workArea) {
        return Area(Intersection(strip, workArea)) > 0;
    });
}
