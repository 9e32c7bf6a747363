#include "app/full_screen_start.h"

FullScreenAtStart ChooseFullScreenAtStart(FullScreenStart choice, bool steamDeck,
                                          bool bigPicture) {
    const char* where = steamDeck ? "on a Steam Deck (SteamDeck=1)"
                        : bigPicture ? "in Steam's Big Picture (SteamTenfoot=1)"
                                     : nullptr;
    switch (choice) {
    case FullScreenStart::Always:
        return {true, {}};
    case FullScreenStart::Never:
        if (where)
            return {false, std::string("windowed ") + where + ": \"fullscreen\" is false"};
        return {};
    case FullScreenStart::Default:
        break;
    }
    if (where)
        return {true, std::string("full screen ") + where};
    return {};
}
