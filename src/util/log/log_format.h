#pragma once
// The author's log: the form of its lines and when it is rotated. Portable.
#include <cstdint>
#include <string>
#include <string_view>

// The log never grows past this; a line that would pass it rotates the file.
inline constexpr uint64_t kLogSizeLimit = 1024 * 1024;

struct UtcTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// "2026-12-07T15:23:22.123Z text\n": control characters become spaces, so one
// entry is always one line, and an entry is cut at kMaxLogEntryBytes.
inline constexpr size_t kMaxLogEntryBytes = 2048;
std::string FormatLogLine(const UtcTime& time, std::string_view text);

// Whether a file of currentSize bytes must become the old log before
// lineBytes more are written to it.
bool LogNeedsRotation(uint64_t currentSize, uint64_t lineBytes);

// A result code as the runtime documents it: "0x80070005".
std::string HresultText(int32_t result);
