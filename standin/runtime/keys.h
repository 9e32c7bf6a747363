#pragma once
// Windows keys as the web names them (KeyboardEvent.key and .code), and which
// keys the runtime treats as accelerator keys.
#include <windows.h>

#include <string>

// The physical key ("KeyA", "Enter", "NumpadEnter"), from the scan code in lParam.
std::string KeyCode(UINT virtualKey, LPARAM lParam);

// The key's meaning ("a", "A", "F12", "ArrowLeft"), with the current modifiers.
std::string KeyValue(UINT virtualKey, LPARAM lParam);

// 0 standard, 1 left, 2 right, 3 numeric keypad (KeyboardEvent.location).
int KeyLocation(UINT virtualKey, LPARAM lParam);

// Alt 1, Ctrl 2, Meta 4, Shift 8: the engine's modifier bits, as held now.
int HeldModifiers();

// An accelerator key: one pressed while Ctrl or Alt is held, or one that types
// no character; Escape always, Shift never.
bool IsAcceleratorKey(UINT virtualKey);
