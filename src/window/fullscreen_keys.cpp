#include "window/fullscreen_keys.h"

namespace {
// The Windows virtual-key codes, without the Windows headers.
constexpr uint32_t kReturn = 0x0D;
constexpr uint32_t kEscape = 0x1B;
constexpr uint32_t kF11 = 0x7A;
} // namespace

FullScreenKeyAction DecideFullScreenKey(const FullScreenKey& key, bool fullScreen,
                                        FullScreenOrigin origin) {
    if (!key.pressed || key.repeat)
        return FullScreenKeyAction::None;
    if (key.virtualKey == kF11 || (key.virtualKey == kReturn && key.altHeld))
        return FullScreenKeyAction::Toggle;
    if (key.virtualKey == kEscape && !key.altHeld && fullScreen &&
        origin != FullScreenOrigin::Application)
        return FullScreenKeyAction::Leave;
    return FullScreenKeyAction::None;
}
