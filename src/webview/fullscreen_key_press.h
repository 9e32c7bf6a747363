#pragma once
// F11, Alt+Enter and Escape as the browser control reports them while the page
// has the keyboard ("fullscreen-keys").
#include <WebView2.h>

class WindowCommands;

// Toggles or leaves full screen as the key asks. F11 and Alt+Enter are marked
// handled (the page and the browser do not see them); Escape goes on to the page.
void HandleFullScreenKey(ICoreWebView2AcceleratorKeyPressedEventArgs* args,
                         WindowCommands& windowCommands);
