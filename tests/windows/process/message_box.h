#pragma once
// Reads a message box of another process and presses its buttons.
#include <string>
#include <vector>

#include <windows.h>

enum class IconKind { None, Error, Warning, Information, Question, Unrecognised };
const char* NameOf(IconKind kind);

struct MessageBoxView {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    std::vector<std::wstring> buttons; // visible buttons, in creation order
    IconKind icon = IconKind::None;
    bool hasOwner = false;
};

// Waits until the dialog has painted its icon, then reads it.
MessageBoxView ReadMessageBox(HWND dialog);

// Clicks the visible button with that label; false when there is none.
bool PressButton(const MessageBoxView& box, const std::wstring& label);
