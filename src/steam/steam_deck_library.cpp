// Steam's floating keyboard through the library's exports.
#include "steam/steam_exports.h"

bool SteamLibrary::NeedsFloatingKeyboard() {
    const Exports& e = *exports_;
    return e.steamDeck(interfaces_.utils) || e.deck.bigPicture(interfaces_.utils);
}

bool SteamLibrary::ShowFloatingKeyboard(int32_t mode, const SteamScreenRect& field) {
    return exports_->deck.showKeyboard(interfaces_.utils, mode, field.x, field.y, field.width,
                                       field.height);
}
