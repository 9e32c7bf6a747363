#pragma once
// Whether the window starts full screen: as "window" "fullscreen" says, and on a
// Steam Deck or in Steam's Big Picture (Steam sets SteamDeck=1 or SteamTenfoot=1
// for the game) unless the author said false. Portable.
#include <string>

#include "manifest/manifest.h"

struct FullScreenAtStart {
    bool fullScreen = false;
    std::string reason; // the author's log's line; empty when nothing needs saying
};

FullScreenAtStart ChooseFullScreenAtStart(FullScreenStart choice, bool steamDeck, bool bigPicture);
