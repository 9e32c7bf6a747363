#pragma once
// Steam's floating keyboard on a Steam Deck and in Big Picture, where a text
// field opens none of its own: its family of exports, the "show-text-input"
// call, the focused field the page's document script reports, and where on
// screen the keyboard goes. Portable.
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "steam/steam_call.h"
#include "steam/steam_client.h"
#include "steam/steam_families.h"

// FloatingGamepadTextInputDismissed_t (ISteamUtils' callbacks start at 700).
inline constexpr int32_t kFloatingGamepadTextInputDismissed = 738;

// The keyboard's family: the utils interface, the two questions and the keyboard.
SteamFamilyRow SteamDeckFamily();

// Where the page lies on the screen, in pixels: the control's top left in the
// main window's client area, and the client area's top left on the screen.
struct SteamPageOnScreen {
    int32_t controlLeft = 0, controlTop = 0;
    int32_t clientLeft = 0, clientTop = 0;
};

// A rectangle of the page (CSS pixels times the device pixel ratio) on the
// screen, clamped to what an int holds.
SteamScreenRect KeyboardRectOnScreen(const SteamPageRect& field, const SteamPageOnScreen& page);

// The "show-text-input" call's fields: "mode" (default "single-line") and,
// all four or none, "x", "y", "width", "height" with "devicePixelRatio"
// (default 1). Throws SteamRefusal.
void ReadTextInputFields(const nlohmann::json& message, SteamCall& call);

// Opens the keyboard for the call: empty on success, else why not.
std::string ShowTextInput(const SteamCall& call, SteamClient& client,
                          const SteamPageOnScreen& page);

// {"type":"text-field-focused","mode":...,"x":...,...} from the document
// script: opens the keyboard at the field on a Deck or in Big Picture. A
// message of the wrong shape, or anywhere else, does nothing.
void ShowKeyboardForFocusedField(const nlohmann::json& message, SteamClient& client,
                                 const SteamPageOnScreen& page);

// {"type":"steam-event","event":"text-input-dismissed"}
std::string SteamTextInputDismissedEvent();

// Run in every document of a "steam" application: a text field that takes
// the focus posts its mode and rectangle to the host.
extern const char kTextFieldFocusScript[];
