#pragma once
// The author's log, quorrin.log in a folder beside the user data folder, out of
// the reach of page script's "user-data" handle: what happened at start,
// each message box, each failing call of the browser's creation, each process
// failure and the exit code. Never page content or message bodies.
#include <exception>
#include <string>

#include <windows.h>

// The log's folder is the user data folder's name with this suffix, beside it:
// the page's "user-data" handle reaches the user data folder and all it holds.
inline constexpr char kAuthorLogFolderSuffix[] = "-logs";
inline constexpr char kAuthorLogFileName[] = "quorrin.log";

// Creates the folder when missing and opens the log for appending; a folder that
// cannot be written leaves the log off, and start-up goes on.
void OpenAuthorLog(const std::string& folder);

// Appends one line with the UTC time; nothing while the log is off.
void LogForAuthor(const std::string& text);

// A line page script can cause at will: at most 20 a minute, the rest counted
// and told in one line (page_line_limit.h).
void LogPageCausedLine(const std::string& text);

// "which call failed: 0x80004005" when result is a failure.
void LogIfFailed(const char* call, HRESULT result);

// "an event handler failed: WHAT" for an exception a handler let escape; never throws.
void LogHandlerFailure(std::exception_ptr failure) noexcept;

void CloseAuthorLog();
