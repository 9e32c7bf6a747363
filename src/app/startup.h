#pragma once
#include <string>

#include <windows.h>

// The whole life of the host on the UI thread: start-up, the message loop and
// shutdown. Returns the process exit code.
int RunHost(HINSTANCE instance);

// The whole file, or empty text when it cannot be opened or is empty.
std::string ReadManifestText(const std::string& path);
