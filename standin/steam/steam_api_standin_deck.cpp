// The stand-in's floating keyboard: Big Picture as steam-standin.json says
// ("big-picture": true; the Deck is "deck"), and every keyboard shown recorded
// with its arguments. A test raises the keyboard's dismissal as "callback 738"
// in steam-standin.events. The "partial" build predates the keyboard.
#include <cstdint>

#include "steam_api_standin.h"

using namespace standin_steam;

EXPORT_UNLESS_PARTIAL bool SteamAPI_ISteamUtils_IsSteamInBigPictureMode(void*) {
    return Config("big-picture") == true;
}

EXPORT_UNLESS_PARTIAL bool SteamAPI_ISteamUtils_ShowFloatingGamepadTextInput(void*, int32_t mode,
                                                                             int x, int y,
                                                                             int width,
                                                                             int height) {
    Record("ShowFloatingGamepadTextInput", {mode, x, y, width, height});
    return Accepts();
}
