#pragma once
// Real input through SendInput, as the keyboard and mouse drivers deliver it:
// Windows routes it to the window under the pointer or with the focus.
#include <windows.h>

#include <string>
#include <vector>

// Brings the window to the front; returns once its thread has handled that.
bool ActivateAndWait(HWND window);
bool Click(HWND window, POINT client, int times);
bool Wheel(HWND window, POINT client, int delta);
// Moves the pointer to a client position, no button held.
bool PointAt(HWND window, POINT client);
// The left button held: pressed (returning once the window has the capture),
// moved anywhere, released.
bool Press(HWND window, POINT client);
bool MoveTo(HWND window, POINT client);
bool Release(HWND window, POINT client);
bool TypeText(HWND window, const std::wstring& text);
// Modifier names: "ctrl", "alt", "shift".
bool PressKey(HWND window, unsigned virtualKey, const std::vector<std::wstring>& modifiers);

// Clicks `rounds` times; for each, the milliseconds from the click until the
// pixel at `probe` changes colour (negative when it did not within 2 s).
std::vector<double> ClickToPixelChange(HWND window, POINT at, POINT probe, int rounds);
