#include "keys.h"

#include <cstdio>
#include <map>

namespace {
bool IsExtended(LPARAM lParam) {
    return (lParam >> 24) & 1;
}

UINT ScanCode(UINT virtualKey, LPARAM lParam) {
    UINT scanCode = (lParam >> 16) & 0xFF;
    return scanCode ? scanCode : MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
}

// Set-1 scan codes of a US keyboard, as the web names the physical keys.
const std::map<UINT, const char*>& ScanCodeNames() {
    static const std::map<UINT, const char*> names = {{0x01, "Escape"},
                                                      {0x02, "Digit1"},
                                                      {0x03, "Digit2"},
                                                      {0x04, "Digit3"},
                                                      {0x05, "Digit4"},
                                                      {0x06, "Digit5"},
                                                      {0x07, "Digit6"},
                                                      {0x08, "Digit7"},
                                                      {0x09, "Digit8"},
                                                      {0x0A, "Digit9"},
                                                      {0x0B, "Digit0"},
                                                      {0x0C, "Minus"},
                                                      {0x0D, "Equal"},
                                                      {0x0E, "Backspace"},
                                                      {0x0F, "Tab"},
                                                      {0x10, "KeyQ"},
                                                      {0x11, "KeyW"},
                                                      {0x12, "KeyE"},
                                                      {0x13, "KeyR"},
                                                      {0x14, "KeyT"},
                                                      {0x15, "KeyY"},
                                                      {0x16, "KeyU"},
                                                      {0x17, "KeyI"},
                                                      {0x18, "KeyO"},
                                                      {0x19, "KeyP"},
                                                      {0x1A, "BracketLeft"},
                                                      {0x1B, "BracketRight"},
                                                      {0x1C, "Enter"},
                                                      {0x1D, "ControlLeft"},
                                                      {0x1E, "KeyA"},
                                                      {0x1F, "KeyS"},
                                                      {0x20, "KeyD"},
                                                      {0x21, "KeyF"},
                                                      {0x22, "KeyG"},
                                                      {0x23, "KeyH"},
                                                      {0x24, "KeyJ"},
                                                      {0x25, "KeyK"},
                                                      {0x26, "KeyL"},
                                                      {0x27, "Semicolon"},
                                                      {0x28, "Quote"},
                                                      {0x29, "Backquote"},
                                                      {0x2A, "ShiftLeft"},
                                                      {0x2B, "Backslash"},
                                                      {0x2C, "KeyZ"},
                                                      {0x2D, "KeyX"},
                                                      {0x2E, "KeyC"},
                                                      {0x2F, "KeyV"},
                                                      {0x30, "KeyB"},
                                                      {0x31, "KeyN"},
                                                      {0x32, "KeyM"},
                                                      {0x33, "Comma"},
                                                      {0x34, "Period"},
                                                      {0x35, "Slash"},
                                                      {0x36, "ShiftRight"},
                                                      {0x37, "NumpadMultiply"},
                                                      {0x38, "AltLeft"},
                                                      {0x39, "Space"},
                                                      {0x3A, "CapsLock"},
                                                      {0x3B, "F1"},
                                                      {0x3C, "F2"},
                                                      {0x3D, "F3"},
                                                      {0x3E, "F4"},
                                                      {0x3F, "F5"},
                                                      {0x40, "F6"},
                                                      {0x41, "F7"},
                                                      {0x42, "F8"},
                                                      {0x43, "F9"},
                                                      {0x44, "F10"},
                                                      {0x45, "Pause"},
                                                      {0x46, "ScrollLock"},
                                                      {0x47, "Numpad7"},
                                                      {0x48, "Numpad8"},
                                                      {0x49, "Numpad9"},
                                                      {0x4A, "NumpadSubtract"},
                                                      {0x4B, "Numpad4"},
                                                      {0x4C, "Numpad5"},
                                                      {0x4D, "Numpad6"},
                                                      {0x4E, "NumpadAdd"},
                                                      {0x4F, "Numpad1"},
                                                      {0x50, "Numpad2"},
                                                      {0x51, "Numpad3"},
                                                      {0x52, "Numpad0"},
                                                      {0x53, "NumpadDecimal"},
                                                      {0x56, "IntlBackslash"},
                                                      {0x57, "F11"},
                                                      {0x58, "F12"}};
    return names;
}

// Keys whose scan code means another key when the extended bit is set.
const std::map<UINT, const char*>& ExtendedScanCodeNames() {
    static const std::map<UINT, const char*> names = {
        {0x1C, "NumpadEnter"}, {0x1D, "ControlRight"}, {0x35, "NumpadDivide"},
        {0x37, "PrintScreen"}, {0x38, "AltRight"},     {0x45, "NumLock"},
        {0x47, "Home"},        {0x48, "ArrowUp"},      {0x49, "PageUp"},
        {0x4B, "ArrowLeft"},   {0x4D, "ArrowRight"},   {0x4F, "End"},
        {0x50, "ArrowDown"},   {0x51, "PageDown"},     {0x52, "Insert"},
        {0x53, "Delete"},      {0x5B, "MetaLeft"},     {0x5C, "MetaRight"},
        {0x5D, "ContextMenu"}};
    return names;
}

// Keys that type no character, by virtual key.
const std::map<UINT, const char*>& NamedKeys() {
    static const std::map<UINT, const char*> names = {
        {VK_BACK, "Backspace"},   {VK_TAB, "Tab"},          {VK_RETURN, "Enter"},
        {VK_SHIFT, "Shift"},      {VK_CONTROL, "Control"},  {VK_MENU, "Alt"},
        {VK_PAUSE, "Pause"},      {VK_CAPITAL, "CapsLock"}, {VK_ESCAPE, "Escape"},
        {VK_PRIOR, "PageUp"},     {VK_NEXT, "PageDown"},    {VK_END, "End"},
        {VK_HOME, "Home"},        {VK_LEFT, "ArrowLeft"},   {VK_UP, "ArrowUp"},
        {VK_RIGHT, "ArrowRight"}, {VK_DOWN, "ArrowDown"},   {VK_SNAPSHOT, "PrintScreen"},
        {VK_INSERT, "Insert"},    {VK_DELETE, "Delete"},    {VK_LWIN, "Meta"},
        {VK_RWIN, "Meta"},        {VK_APPS, "ContextMenu"}, {VK_NUMLOCK, "NumLock"},
        {VK_SCROLL, "ScrollLock"}};
    return names;
}

bool IsHeld(int virtualKey) {
    return GetKeyState(virtualKey) & 0x8000;
}

std::string Utf8(const wchar_t* text, int length) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, result.data(), size, nullptr, nullptr);
    return result;
}
} // namespace

std::string KeyCode(UINT virtualKey, LPARAM lParam) {
    const UINT scanCode = ScanCode(virtualKey, lParam);
    if (IsExtended(lParam)) {
        auto extended = ExtendedScanCodeNames().find(scanCode);
        if (extended != ExtendedScanCodeNames().end())
            return extended->second;
    }
    auto plain = ScanCodeNames().find(scanCode);
    return plain == ScanCodeNames().end() ? "" : plain->second;
}

std::string KeyValue(UINT virtualKey, LPARAM lParam) {
    if (virtualKey >= VK_F1 && virtualKey <= VK_F24) {
        char name[8];
        snprintf(name, sizeof(name), "F%u", virtualKey - VK_F1 + 1);
        return name;
    }
    auto named = NamedKeys().find(virtualKey);
    if (named != NamedKeys().end())
        return named->second;
    // The character the key types with the modifiers held now; the flag keeps a
    // dead key's state for the character message that follows.
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_CONTROL] = state[VK_LCONTROL] = state[VK_RCONTROL] = 0; // Ctrl+A is still "a"
    wchar_t typed[8] = {};
    const int count = ToUnicodeEx(virtualKey, ScanCode(virtualKey, lParam), state, typed, 8, 0x4,
                                  GetKeyboardLayout(0));
    if (count > 0)
        return Utf8(typed, count);
    return "Unidentified";
}

int KeyLocation(UINT virtualKey, LPARAM lParam) {
    const std::string code = KeyCode(virtualKey, lParam);
    if (code.find("Left") != std::string::npos && code.find("Arrow") == std::string::npos &&
        code != "BracketLeft")
        return 1;
    if (code.find("Right") != std::string::npos && code.find("Arrow") == std::string::npos &&
        code != "BracketRight")
        return 2;
    return code.rfind("Numpad", 0) == 0 || code == "NumLock" ? 3 : 0;
}

int HeldModifiers() {
    return (IsHeld(VK_MENU) ? 1 : 0) | (IsHeld(VK_CONTROL) ? 2 : 0) |
           (IsHeld(VK_LWIN) || IsHeld(VK_RWIN) ? 4 : 0) | (IsHeld(VK_SHIFT) ? 8 : 0);
}

bool IsAcceleratorKey(UINT virtualKey) {
    if (virtualKey == VK_SHIFT || virtualKey == VK_LSHIFT || virtualKey == VK_RSHIFT)
        return false;
    if (virtualKey == VK_ESCAPE || IsHeld(VK_CONTROL) || IsHeld(VK_MENU))
        return true;
    // VK_PACKET carries a character typed through SendInput or an input method.
    return virtualKey != VK_PACKET && MapVirtualKeyW(virtualKey, MAPVK_VK_TO_CHAR) == 0;
}
