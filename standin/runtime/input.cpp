#include "input.h"

#include <imm.h>
#include <windowsx.h>

#include <string>

#include "keys.h"
#include "objects.h"

namespace {
// The button a message is about, as the web names it.
const char* ButtonName(UINT message, WPARAM wParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
        return "left";
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
        return "right";
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
        return "middle";
    default:
        return GET_XBUTTON_WPARAM(wParam) == XBUTTON1 ? "back" : "forward";
    }
}

// CDP's bits of the buttons held: left 1, right 2, middle 4, back 8, forward 16.
int HeldButtons(WPARAM wParam) {
    const WORD keys = GET_KEYSTATE_WPARAM(wParam);
    return (keys & MK_LBUTTON ? 1 : 0) | (keys & MK_RBUTTON ? 2 : 0) | (keys & MK_MBUTTON ? 4 : 0) |
           (keys & MK_XBUTTON1 ? 8 : 0) | (keys & MK_XBUTTON2 ? 16 : 0);
}

// What one browser window remembers between messages.
struct InputState {
    int clickCount = 1;
    wchar_t highSurrogate = 0;
    bool dropNextCharacter = false; // the key that would type it was handled by the host
    bool composing = false;
};

InputState& StateOf(HWND) {
    static InputState state; // one browser window per process
    return state;
}

Json MouseAt(const char* action, POINT point, WPARAM wParam) {
    return {{"type", "mouse"},
            {"action", action},
            {"x", point.x},
            {"y", point.y},
            {"buttons", HeldButtons(wParam)},
            {"modifiers", HeldModifiers()}};
}

bool ForwardButton(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool down,
                   bool doubleClick) {
    InputState& state = StateOf(window);
    if (down) {
        state.clickCount = doubleClick ? 2 : 1;
        if (GetFocus() != window)
            SetFocus(window); // a click focuses the page
        SetCapture(window);
    } else if (HeldButtons(wParam) == 0 && GetCapture() == window) {
        ReleaseCapture();
    }
    Json event =
        MouseAt(down ? "down" : "up", {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, wParam);
    event["button"] = ButtonName(message, wParam);
    event["clickCount"] = state.clickCount;
    SendToAgent(event);
    return true;
}

bool ForwardWheel(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(window, &point);                   // wheel messages carry screen coordinates
    const int delta = GET_WHEEL_DELTA_WPARAM(wParam); // 120 a notch
    Json event = MouseAt("wheel", point, wParam);
    // One notch (120) scrolls 100 page pixels; up and left are negative on the web.
    event["deltaX"] = message == WM_MOUSEHWHEEL ? delta * 100.0 / WHEEL_DELTA : 0.0;
    event["deltaY"] = message == WM_MOUSEWHEEL ? -delta * 100.0 / WHEEL_DELTA : 0.0;
    SendToAgent(event);
    return true;
}

const char* KeyEventKind(UINT message) {
    switch (message) {
    case WM_KEYUP:
        return "keyup";
    case WM_SYSKEYDOWN:
        return "systemkeydown";
    case WM_SYSKEYUP:
        return "systemkeyup";
    default:
        return "keydown";
    }
}

// True when the host's handlers took the key.
bool HostHandledAccelerator(Controller& controller, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!controller.webView() || !IsAcceleratorKey(static_cast<UINT>(wParam)))
        return false;
    // The key message's lParam is 32 bits; bit 31 (key up) makes it negative.
    const INT keyLParam = static_cast<INT>(static_cast<UINT32>(lParam));
    try {
        const Json decision = controller.webView()->Raise(
            "AcceleratorKeyPressed",
            {{"key", wParam}, {"kind", KeyEventKind(message)}, {"lParam", keyLParam}});
        return decision.value("handled", false);
    } catch (const std::exception&) {
        return false; // no exception leaves the window procedure
    }
}

bool ForwardKey(Controller& controller, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    const bool system = message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
    if (HostHandledAccelerator(controller, message, wParam, lParam)) {
        StateOf(window).dropNextCharacter = down;
        return !system;
    }
    const UINT key = static_cast<UINT>(wParam);
    if (key == VK_PACKET) { // a character sent as input: its WM_CHAR carries it
        SendToAgent({{"type", "key"},
                     {"action", down ? "down" : "up"},
                     {"vk", key},
                     {"code", ""},
                     {"key", "Unidentified"},
                     {"location", 0},
                     {"modifiers", HeldModifiers()},
                     {"repeat", false},
                     {"system", system}});
        return !system;
    }
    SendToAgent({{"type", "key"},
                 {"action", down ? "down" : "up"},
                 {"vk", key},
                 {"code", KeyCode(key, lParam)},
                 {"key", KeyValue(key, lParam)},
                 {"location", KeyLocation(key, lParam)},
                 {"modifiers", HeldModifiers()},
                 {"repeat", down && ((lParam >> 30) & 1)},
                 {"system", system}});
    // Alt combinations still reach the window's system commands (Alt+F4 closes it).
    return !system;
}

// Characters, with a UTF-16 surrogate pair joined into one; control characters
// other than Enter are the keys' business, not text.
bool ForwardCharacter(HWND window, WPARAM wParam) {
    InputState& state = StateOf(window);
    const wchar_t unit = static_cast<wchar_t>(wParam);
    if (std::exchange(state.dropNextCharacter, false))
        return true;
    if (IS_HIGH_SURROGATE(unit)) {
        state.highSurrogate = unit;
        return true;
    }
    std::wstring text(1, unit);
    if (IS_LOW_SURROGATE(unit) && state.highSurrogate)
        text.insert(text.begin(), state.highSurrogate);
    state.highSurrogate = 0;
    if (unit < 0x20 && unit != L'\r')
        return true;
    SendToAgent({{"type", "key"},
                 {"action", "char"},
                 {"text", ToUtf8(text.c_str())},
                 {"modifiers", HeldModifiers()}});
    return true;
}

std::wstring CompositionText(HWND window, DWORD which) {
    HIMC context = ImmGetContext(window);
    std::wstring text;
    if (context) {
        LONG bytes = ImmGetCompositionStringW(context, which, nullptr, 0);
        if (bytes > 0) {
            text.resize(bytes / sizeof(wchar_t));
            ImmGetCompositionStringW(context, which, text.data(), bytes);
        }
        ImmReleaseContext(window, context);
    }
    return text;
}

// An input method's text: the composition as it grows, then the result.
bool ForwardComposition(HWND window, LPARAM lParam) {
    InputState& state = StateOf(window);
    if (lParam & GCS_RESULTSTR) {
        SendToAgent({{"type", "ime"},
                     {"action", "commit"},
                     {"text", ToUtf8(CompositionText(window, GCS_RESULTSTR).c_str())}});
        state.composing = false;
    }
    if (lParam & GCS_COMPSTR) {
        SendToAgent({{"type", "ime"},
                     {"action", "compose"},
                     {"text", ToUtf8(CompositionText(window, GCS_COMPSTR).c_str())}});
        state.composing = true;
    }
    return true;
}

bool EndComposition(HWND window) {
    if (std::exchange(StateOf(window).composing, false))
        SendToAgent({{"type", "ime"}, {"action", "compose"}, {"text", ""}});
    return true;
}
} // namespace

bool ForwardInput(Controller& controller, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                  LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_MOUSEMOVE:
        SendToAgent(MouseAt("move", {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, wParam));
        return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        return ForwardButton(window, message, wParam, lParam, true, false);
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_XBUTTONDBLCLK:
        return ForwardButton(window, message, wParam, lParam, true, true);
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
        return ForwardButton(window, message, wParam, lParam, false, false);
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        return ForwardWheel(window, message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return ForwardKey(controller, window, message, wParam, lParam);
    case WM_CHAR:
        return ForwardCharacter(window, wParam);
    case WM_IME_STARTCOMPOSITION:
        return true; // the page shows the composition, not the system's window
    case WM_IME_COMPOSITION:
        return ForwardComposition(window, lParam);
    case WM_IME_ENDCOMPOSITION:
        return EndComposition(window);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        SendToAgent({{"type", "focus"}, {"focused", message == WM_SETFOCUS}});
        return true;
    default:
        return false;
    }
}
