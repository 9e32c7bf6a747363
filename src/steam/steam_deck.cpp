#include "steam/steam_deck.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

#include "steam/steam_call_reading.h"

namespace {
// Steam's EFloatingGamepadTextInputMode for each word.
struct Mode {
    std::string_view word;
    int32_t number;
};
constexpr Mode kModes[] = {{"single-line", 0}, {"multi-line", 1}, {"email", 2}, {"numeric", 3}};

// Far beyond any screen; keeps the arithmetic inside an int.
constexpr double kLargestCssPixels = 1'000'000;
constexpr double kLargestPixelRatio = 16;

int32_t ModeOf(const nlohmann::json& message) {
    if (SteamField(message, "mode").is_null())
        return 0;
    const std::string word = SteamText(message, "mode");
    for (const Mode& mode : kModes)
        if (mode.word == word)
            return mode.number;
    throw SteamRefusal{
        "\"mode\" must be \"single-line\", \"multi-line\", \"email\" or \"numeric\""};
}

double Number(const nlohmann::json& message, const char* key, double lowest, double highest) {
    const nlohmann::json& value = SteamField(message, key);
    const double number = value.is_number() ? value.get<double>() : std::nan("");
    if (!std::isfinite(number) || number < lowest || number > highest)
        throw SteamRefusal{std::string("\"") + key + "\" must be a number from " +
                           std::to_string(static_cast<int64_t>(lowest)) + " to " +
                           std::to_string(static_cast<int64_t>(highest))};
    return number;
}

SteamPageRect PageRect(const nlohmann::json& message) {
    SteamPageRect rect;
    rect.x = Number(message, "x", -kLargestCssPixels, kLargestCssPixels);
    rect.y = Number(message, "y", -kLargestCssPixels, kLargestCssPixels);
    rect.width = Number(message, "width", 0, kLargestCssPixels);
    rect.height = Number(message, "height", 0, kLargestCssPixels);
    if (!SteamField(message, "devicePixelRatio").is_null()) {
        rect.devicePixelRatio = Number(message, "devicePixelRatio", 0, kLargestPixelRatio);
        if (rect.devicePixelRatio == 0)
            throw SteamRefusal{"\"devicePixelRatio\" must be more than 0"};
    }
    return rect;
}

bool HasRect(const nlohmann::json& message) {
    const int given = static_cast<int>(message.contains("x")) + message.contains("y") +
                      message.contains("width") + message.contains("height");
    if (given != 0 && given != 4)
        throw SteamRefusal{"give all of \"x\", \"y\", \"width\" and \"height\", or none"};
    return given == 4;
}

int32_t ToInt(int64_t pixels) {
    return static_cast<int32_t>(std::clamp<int64_t>(pixels, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int64_t DevicePixels(double cssPixels, double ratio) {
    return std::llround(cssPixels * ratio);
}
} // namespace

SteamFamilyRow SteamDeckFamily() {
    return {SteamFamily::Deck,
            "deck",
            {{"SteamAPI_SteamUtils_v010"},
             {"SteamAPI_ISteamUtils_IsSteamRunningOnSteamDeck"},
             {"SteamAPI_ISteamUtils_IsSteamInBigPictureMode"},
             {"SteamAPI_ISteamUtils_ShowFloatingGamepadTextInput"}},
            {SteamCall::Kind::ShowTextInput}};
}

SteamScreenRect KeyboardRectOnScreen(const SteamPageRect& field, const SteamPageOnScreen& page) {
    const double ratio = field.devicePixelRatio;
    return {ToInt(DevicePixels(field.x, ratio) + page.controlLeft + page.clientLeft),
            ToInt(DevicePixels(field.y, ratio) + page.controlTop + page.clientTop),
            ToInt(DevicePixels(field.width, ratio)), ToInt(DevicePixels(field.height, ratio))};
}

void ReadTextInputFields(const nlohmann::json& message, SteamCall& call) {
    call.keyboardMode = ModeOf(message);
    if (HasRect(message))
        call.field = PageRect(message);
}

std::string ShowTextInput(const SteamCall& call, SteamClient& client,
                          const SteamPageOnScreen& page) {
    if (!client.NeedsFloatingKeyboard())
        return "Steam's keyboard is only for a Steam Deck or Big Picture";
    // Without a field Steam places the keyboard where it likes.
    const SteamScreenRect field =
        call.field ? KeyboardRectOnScreen(*call.field, page) : SteamScreenRect{};
    if (!client.ShowFloatingKeyboard(call.keyboardMode, field))
        return "Steam refused show-text-input";
    return {};
}

void ShowKeyboardForFocusedField(const nlohmann::json& message, SteamClient& client,
                                 const SteamPageOnScreen& page) {
    SteamCall field;
    try {
        if (!message.is_object())
            return;
        field.keyboardMode = ModeOf(message);
        field.field = PageRect(message);
    } catch (const SteamRefusal&) {
        return;
    }
    if (client.NeedsFloatingKeyboard())
        client.ShowFloatingKeyboard(field.keyboardMode, KeyboardRectOnScreen(*field.field, page));
}

std::string SteamTextInputDismissedEvent() {
    return nlohmann::json{{"type", "steam-event"}, {"event", "text-input-dismissed"}}.dump();
}

// Only the top document's fields: a frame's rectangle is not the page's. In
// the capture phase, so a page that stops focusin still reports its fields.
const char kTextFieldFocusScript[] = R"((() => {
  if (window !== window.top || !window.chrome || !window.chrome.webview) return;
  const typed = ['text', 'search', 'email', 'url', 'tel', 'password', 'number'];
  window.addEventListener('focusin', (event) => {
    const field = event.composedPath()[0];
    if (!(field instanceof HTMLElement) || field.readOnly || field.disabled) return;
    const multiLine = field instanceof HTMLTextAreaElement || field.isContentEditable;
    if (!multiLine && !(field instanceof HTMLInputElement && typed.includes(field.type))) return;
    const box = field.getBoundingClientRect();
    window.chrome.webview.postMessage(JSON.stringify({ type: 'text-field-focused',
      mode: multiLine ? 'multi-line' : 'single-line', x: box.left, y: box.top, width: box.width,
      height: box.height, devicePixelRatio: window.devicePixelRatio }));
  }, true);
})();)";
