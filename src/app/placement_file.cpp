#include "app/placement_file.h"

#include <algorithm>
#include <climits>

#include <nlohmann/json.hpp>

namespace {
constexpr char kFormat[] = "quorrin-window-placement/1";
constexpr int64_t kCoordinateLimit = kWindowCoordinateLimit;
constexpr int64_t kSizeLimit = kWindowSizeLimit;
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
