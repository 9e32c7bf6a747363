#pragma once
// The browser control's window: a real child of the host's window that shows
// the engine's frames and hands what a person does in it to the engine.
#include <windows.h>

#include "agent.h"

class Controller;

HWND CreateBrowserWindow(HWND parent, Controller* controller);

// Takes a {"type":"cursor","cursor":NAME} message off the agent link (any
// thread): the page's cursor (a CSS cursor name), shown over the window from
// now on. False for any other message.
bool TakeCursorMessage(const Json& message);

// The cursor this thread shows now: "arrow", "hand", "ibeam", "none" or "other".
const char* ShownCursorName();
