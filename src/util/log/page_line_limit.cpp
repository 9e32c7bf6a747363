#include "util/log/page_line_limit.h"

#include <utility>

namespace {
std::string DroppedNotice(uint64_t dropped) {
    if (dropped == 0)
        return {};
    return std::to_string(dropped) +
           (dropped == 1 ? " line the page caused was" : " lines the page caused were") +
           " dropped (at most " + std::to_string(kPageLinesPerWindow) + " a minute)";
}
} // namespace

PageLineVerdict PageLineLimit::Next(uint64_t nowMs) {
    PageLineVerdict verdict;
    if (!started_ || nowMs - windowStart_ >= kPageLineWindowMs) {
        verdict.notice = Finish();
        started_ = true;
        windowStart_ = nowMs;
        written_ = 0;
    }
    verdict.write = written_ < kPageLinesPerWindow;
    if (verdict.write)
        ++written_;
    else
        ++dropped_;
    return verdict;
}

std::string PageLineLimit::Finish() {
    return DroppedNotice(std::exchange(dropped_, 0));
}
