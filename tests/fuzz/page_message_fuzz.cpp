// Page messages and their sources: only sources of the page's own origin are
// heard, a parsed message says what its JSON text says, and the bounded parser
// builds the library's own tree for any text within its limits.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>
#include <nlohmann/json.hpp>

#include "bridge/page_message.h"
#include "window/dpi_scale.h"
#include "util/screen_area.h"
#include "util/text/bounded_json.h"
#include "fuzz_check.h"

namespace {
void CheckSource(const std::string& source, const std::string& origin) {
    const bool accepted = IsAcceptedSource(source, origin);
    if (origin.empty()) {
        FUZZ_REQUIRE(!accepted, "an empty page origin accepts nothing");
        return;
    }
    const bool continues = source.size() > origin.size() &&
                           (origin.back() == '/' || source[origin.size()] == '/' ||
                            source[origin.size()] == '?' || source[origin.size()] == '#');
    const bool expected = source.compare(0, origin.size(), origin) == 0 &&
                          (source.size() == origin.size() || continues);
    FUZZ_REQUIRE(accepted == expected,
                 "a source is accepted exactly when it equals the origin or continues it "
                 "with '/', '?' or '#' (or the origin ends in '/')");
}

const char* TypeName(PageMessage::Kind kind) {
    switch (kind) {
    case PageMessage::Kind::WrapperInit:
        return "wrapper-init";
    case PageMessage::Kind::SetFullScreen:
        return "set-fullscreen";
    case PageMessage::Kind::SetWindowSize:
        return "set-window-size";
    case PageMessage::Kind::SetWindowPosition:
        return "set-window-position";
    case PageMessage::Kind::ExtensionMessage:
        return "extension-message";
    case PageMessage::Kind::SteamCall:
        return "steam";
    case PageMessage::Kind::CloseReady:
        return "close-ready";
    case PageMessage::Kind::SaveRequest:
        return "save-"; // the start of five types
    case PageMessage::Kind::TextFieldFocused:
        return "text-field-focused";
    case PageMessage::Kind::OverlayKey:
        return "overlay-key";
    case PageMessage::Kind::PadRequest:
        return "gamepad"; // the start of "gamepad-rumble" and "gamepads-sync"
    case PageMessage::Kind::Ignored:
    case PageMessage::Kind::Refused:
        break;
    }
    return nullptr;
}

// The deepest nesting and the count of values, without recursion.
std::pair<size_t, size_t> ShapeOf(const nlohmann::json& root) {
    size_t deepest = 0, values = 0;
    std::vector<std::pair<const nlohmann::json*, size_t>> pending = {{&root, 0}};
    while (!pending.empty()) {
        const auto [value, depth] = pending.back();
        pending.pop_back();
        ++values;
        if (!value->is_structured())
            continue;
        deepest = std::max(deepest, depth + 1);
        for (const nlohmann::json& member : *value)
            pending.emplace_back(&member, depth + 1);
    }
    return {deepest, values};
}

// Small limits, so that inputs of a few bytes reach them.
void CheckBoundedParse(const std::string& text) {
    const JsonLimits limits{6, 40};
    const BoundedJson bounded = ParseBoundedJson(text, limits);
    const nlohmann::json reference = nlohmann::json::parse(text, nullptr, false);
    const auto [depth, values] = reference.is_discarded() ? std::pair<size_t, size_t>{0, 0}
                                                          : ShapeOf(reference);
    const bool withinLimits = depth <= limits.depth && values <= limits.values;
    if (bounded.error.empty()) {
        FUZZ_REQUIRE(!reference.is_discarded() && bounded.value == reference && withinLimits,
                     "what is parsed is the library's own tree, within the limits");
        return;
    }
    FUZZ_REQUIRE(bounded.value.is_null(), "a refused text leaves no tree");
    FUZZ_REQUIRE(bounded.overLimit ? reference.is_discarded() || !withinLimits
                                   : reference.is_discarded(),
                 "only text that is not JSON, or that passes a limit, is refused");
}

// The window commands' arithmetic on the page's numbers, however large, at the
// dpi range the host knows: sizes and places within the bounds, the caption on
// a work area, the size kept when the place is moved back.
void CheckWindowNumbers(const PageMessage& message) {
    static const std::vector<ScreenRect> kWorkAreas = {{0, 0, 1920, 1040},
                                                       {-2560, -400, 0, 1040}};
    for (const int dpi : {48, 96, 144, 960}) {
        const float factor = DpiScaleFactor(dpi);
        const int32_t width = ClampWindowLength(ScaleLength(message.width, factor));
        const int32_t height = ClampWindowLength(ScaleLength(message.height, factor));
        // A frame around the client area, as AdjustWindowRectEx adds it.
        const int32_t outer = ClampWindowLength(int64_t{width} + 2 * 1000);
        FUZZ_REQUIRE(width >= 1 && height >= 1 && outer <= (1 << 16), "sizes within 1..65536");
        const int32_t left = ClampWindowCoordinate(ScaleLength(message.x, factor));
        const int32_t top = ClampWindowCoordinate(ScaleLength(message.y, factor));
        FUZZ_REQUIRE(left >= -(1 << 20) && left <= (1 << 20) && top >= -(1 << 20) &&
                         top <= (1 << 20),
                     "places within 2^20");
        const ScreenRect placed =
            KeepCaptionOnWorkArea({left, top, left + width, top + height}, 30, kWorkAreas);
        FUZZ_REQUIRE(CaptionMeetsWorkArea(placed, 30, kWorkAreas), "the caption stays reachable");
        FUZZ_REQUIRE(placed.right - placed.left == width && placed.bottom - placed.top == height,
                     "moving back keeps the size");
    }
}

void CheckMessage(const std::string& text) {
    CheckBoundedParse(text);
    const PageMessage message = ParsePageMessage(text);
    const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (message.kind == PageMessage::Kind::Refused) {
        FUZZ_REQUIRE(!message.refusal.empty(), "a refusal says why");
        return;
    }
    if (document.is_discarded()) {
        FUZZ_REQUIRE(message.kind == PageMessage::Kind::Ignored, "text that is not JSON is ignored");
        return;
    }
    const char* type = TypeName(message.kind);
    const auto member = document.is_object() ? document.find("type") : document.end();
    const bool hasStringType =
        document.is_object() && member != document.end() && member->is_string();
    if (!type) {
        FUZZ_REQUIRE(!hasStringType ||
                         (*member != "wrapper-init" && *member != "set-fullscreen" &&
                          *member != "set-window-size" && *member != "set-window-position" &&
                          *member != "extension-message" && *member != "steam"),
                     "a known type is never ignored");
        return;
    }
    const bool byPrefix = message.kind == PageMessage::Kind::SaveRequest ||
                          message.kind == PageMessage::Kind::PadRequest;
    FUZZ_REQUIRE(hasStringType && (byPrefix ? member->get<std::string>().rfind(type, 0) == 0
                                            : *member == type),
                 "the kind is the text's type");
    if (message.kind != PageMessage::Kind::SetFullScreen)
        FUZZ_REQUIRE(!message.fullscreen, "only set-fullscreen sets full screen");
    CheckWindowNumbers(message);
    if (message.kind == PageMessage::Kind::SetFullScreen)
        FUZZ_REQUIRE(message.fullscreen == (document.value("fullscreen", nlohmann::json()) == true),
                     "full screen only for the JSON value true");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    std::string origin;
    switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        origin = "https://app.localhost/";
        break;
    case 1:
        origin = "https://example.com/game";
        break;
    case 2:
        origin = "";
        break;
    default:
        origin = input.ConsumeRandomLengthString(64);
    }
    const std::string source = input.ConsumeRandomLengthString(256);
    CheckSource(source, origin);
    CheckSource(origin + source, origin);
    CheckMessage(input.ConsumeRemainingBytesAsString());
    return 0;
}
