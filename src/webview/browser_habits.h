#pragma once
// The browser's habits a game switches off in its manifest: the status bar,
// swipe navigation, pinch zoom and autofill, each only where the runtime has
// its settings interface (older runtimes keep theirs, and nothing else changes).
#include <WebView2.h>

#include "util/com/com_ptr.h"

struct BrowserHabits;

// Puts only what the manifest turns off; the defaults leave the runtime's own.
void ApplyBrowserHabits(const com_ptr<ICoreWebView2Settings>& settings,
                        const BrowserHabits& habits);
