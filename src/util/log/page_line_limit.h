#pragma once
// Lines of the author's log that page script can cause as often as it likes (a
// message past the limit, the handles each "wrapper-init" posts, a file that
// cannot be decoded): at most kPageLinesPerWindow a minute, so a page can neither
// fill the log nor rotate the program's own lines out of it. One line then says
// how many were dropped, when the next minute's first line comes or at the end.
// Portable.
#include <cstdint>
#include <string>

inline constexpr uint64_t kPageLinesPerWindow = 20;
inline constexpr uint64_t kPageLineWindowMs = 60 * 1000;

struct PageLineVerdict {
    // Written before the line when not empty: what the last minute dropped.
    std::string notice;
    bool write = false;
};

class PageLineLimit {
public:
    // For a line the page caused at nowMs (a clock that never goes back).
    PageLineVerdict Next(uint64_t nowMs);
    // At the log's end: the notice of lines dropped and not yet told, or "".
    std::string Finish();

private:
    bool started_ = false;
    uint64_t windowStart_ = 0;
    uint64_t written_ = 0;
    uint64_t dropped_ = 0;
};
