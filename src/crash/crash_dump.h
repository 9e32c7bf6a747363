#pragma once
// The host's own crashes: an unhandled exception on any thread writes a
// minidump (when a path is known) and ends the process with the exception's
// code, before the system's or Wine's own crash handling can show anything.
#include <string>

// First thing in wWinMain: from then on no crash goes by unnoticed.
void InstallCrashDumpFilter();

// Crashes from now on write their dump here. Loads dbghelp from System32 now:
// nothing is loaded inside the filter.
void WriteCrashDumpsTo(const std::wstring& path);
