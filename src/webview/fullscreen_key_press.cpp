#include "webview/fullscreen_key_press.h"

#include "window/window_commands.h"
#include "util/log/author_log.h"

namespace {
FullScreenKey KeyOf(ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
    FullScreenKey key;
    UINT virtualKey = 0;
    COREWEBVIEW2_KEY_EVENT_KIND kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP;
    COREWEBVIEW2_PHYSICAL_KEY_STATUS status = {};
    if (FAILED(args->get_VirtualKey(&virtualKey)) || FAILED(args->get_KeyEventKind(&kind)) ||
        FAILED(args->get_PhysicalKeyStatus(&status)))
        return key; // not pressed: nothing happens
    key.virtualKey = virtualKey;
    key.pressed = kind == COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN ||
                  kind == COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN;
    key.repeat = status.WasKeyDown != FALSE;
    // Alt with a key arrives as a system key (WM_SYSKEYDOWN).
    key.altHeld = kind == COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN || status.IsMenuKeyDown;
    return key;
}
} // namespace

void HandleFullScreenKey(ICoreWebView2AcceleratorKeyPressedEventArgs* args,
                         WindowCommands& windowCommands) {
    const bool fullScreen = windowCommands.IsFullScreen();
    switch (DecideFullScreenKey(KeyOf(args), fullScreen, windowCommands.FullScreenSource())) {
    case FullScreenKeyAction::Toggle:
        windowCommands.SetFullScreen(!fullScreen, FullScreenOrigin::Key);
        LogIfFailed("put_Handled", args->put_Handled(TRUE));
        break;
    case FullScreenKeyAction::Leave:
        windowCommands.SetFullScreen(false, FullScreenOrigin::Key);
        break;
    case FullScreenKeyAction::None:
        break;
    }
}
