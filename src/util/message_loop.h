#pragma once
#include <windows.h>

// Dispatches this thread's messages until WM_QUIT and returns its wParam. A
// failing GetMessageW (-1) counts as non-zero, so the loop goes on.
WPARAM RunMessageLoop();
