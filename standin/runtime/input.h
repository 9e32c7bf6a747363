#pragma once
// What a person does in the browser window, handed to the engine through the
// agent: mouse, wheel, keys, characters, IME text and focus. Accelerator keys
// first raise AcceleratorKeyPressed on the controller; a key its handlers mark
// handled never reaches the engine.
#include <windows.h>

class Controller;

// Handles one message of the browser window; false leaves it to DefWindowProc.
bool ForwardInput(Controller& controller, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                  LRESULT& result);
