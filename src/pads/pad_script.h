#pragma once
// The script the page gets at each document's creation with "gamepads": "host":
// navigator.getGamepads() answers with the pads the host sends, the connection
// events fire on window, and vibrationActuator asks the host for rumble.
extern const char kPadPageScript[];
