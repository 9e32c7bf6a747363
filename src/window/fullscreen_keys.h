#pragma once
// Who put the window in full screen, and what a key does about it.
#include <cstdint>

// The application (its manifest, its remembered placement, its own
// "set-fullscreen"), a player's key, or the page's element request.
enum class FullScreenOrigin : int32_t { Application = 0, Key = 1, PageElement = 2 };

enum class FullScreenKeyAction : int32_t { None = 0, Toggle = 1, Leave = 2 };

struct FullScreenKey {
    uint32_t virtualKey = 0;
    bool pressed = false; // a key-down, not a release
    bool repeat = false;  // held down: the key was already down
    bool altHeld = false;
};

// F11 and Alt+Enter toggle; Escape leaves only a full screen a key or the page
// put the window in, never one the application chose. Held keys act once.
FullScreenKeyAction DecideFullScreenKey(const FullScreenKey& key, bool fullScreen,
                                        FullScreenOrigin origin);
