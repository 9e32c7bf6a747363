#pragma once
// The browser control's window: a real child of the host's window that shows
// the engine's frames and hands what a person does in it to the engine.
#include <windows.h>

class Controller;

HWND CreateBrowserWindow(HWND parent, Controller* controller);
