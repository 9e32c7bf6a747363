#pragma once
#include <string>

#include <windows.h>

// A message box with no owner and only an OK button. The caller picks the
// caption: the host's own name before the manifest is read, the window title after.
void ShowMessage(const std::string& text, const std::string& caption, UINT icon);

// A question box with Yes and No, no owner; true for Yes.
bool AskYesNo(const std::string& text, const std::string& caption);
