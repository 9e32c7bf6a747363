#pragma once
// Checks an installer before it runs.
#include <string>

#include <windows.h>

// The open file (held with writes denied, so the bytes checked are the bytes
// run) is signed by the runtime's vendor; the answer is logged for the author.
bool IsSignedByRuntimeVendor(const std::wstring& path, HANDLE file);

// Opens the file for reading with writes and deletion denied until the handle
// is closed; an invalid handle when it cannot.
HANDLE OpenHeldAgainstWrites(const std::wstring& path);
