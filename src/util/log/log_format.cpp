#include "util/log/log_format.h"

#include <cstdio>

namespace {
// Cuts before a UTF-8 continuation byte never splits a character.
size_t Utf8Boundary(std::string_view text, size_t limit) {
    if (text.size() <= limit)
        return text.size();
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return end;
}
} // namespace

std::string FormatLogLine(const UtcTime& time, std::string_view text) {
    char stamp[40];
    std::snprintf(stamp, sizeof(stamp), "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ ", time.year,
                  time.month, time.day, time.hour, time.minute, time.second, time.millisecond);
    std::string line = stamp;
    for (char c : text.substr(0, Utf8Boundary(text, kMaxLogEntryBytes))) {
        const auto byte = static_cast<unsigned char>(c);
        line.push_back(byte < 0x20 || byte == 0x7F ? ' ' : c);
    }
    line.push_back('\n');
    return line;
}

bool LogNeedsRotation(uint64_t currentSize, uint64_t lineBytes) {
    return currentSize > 0 && currentSize + lineBytes > kLogSizeLimit;
}

std::string HresultText(int32_t result) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", static_cast<uint32_t>(result));
    return text;
}
