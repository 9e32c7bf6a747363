#pragma once
#include <string>

#include <windows.h>

// A message box with only an OK button. The caller picks the caption: the
// host's own name before the manifest is read, the window title after. Boxes
// at run time are owned by the main window, so they stay above it in full screen.
void ShowMessage(const std::string& text, const std::string& caption, UINT icon,
                 HWND owner = nullptr);

// A question box with Yes and No; true for Yes.
bool AskYesNo(const std::string& text, const std::string& caption, HWND owner = nullptr);
