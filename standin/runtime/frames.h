#pragma once
// The engine's rendered frames, as the agent streams them: each message is the
// rectangle of pixels that changed (raw BGRA rows), copied on the agent link's
// reader thread into the latest frame, which the browser window paints.
#include <windows.h>

#include "agent.h"

#include <vector>

// Takes a "frame" message off the agent link (reader thread); false for any
// other message, which then goes to the UI thread as usual.
bool TakeFrameMessage(const Json& message);

// The window that shows the frames; null when none does.
void SetFrameWindow(HWND window);

// The colour painted before the first frame and wherever no frame reaches:
// the controller's default background colour (white unless the host sets one).
void SetFrameBackground(COLORREF colour);

// Paints the latest frame at the client area's top left, pixel for pixel, and
// the background colour wherever there is no frame. A frame's first painting is reported to the
// agent as {"type":"frame-painted","frame":ID}.
void PaintLatestFrame(HWND window, HDC dc, const RECT& area);

// The latest frame's pixels (top-down BGRA rows), or the background colour at
// the given size before the first frame.
struct FramePixels {
    int width = 0;
    int height = 0;
    std::vector<BYTE> bgra;
};
FramePixels CopyLatestFrame(int widthBeforeFirst, int heightBeforeFirst);
