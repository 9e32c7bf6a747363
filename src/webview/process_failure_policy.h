#pragma once
// What the host does when one of the browser's processes fails, and how often it
// may start the page again. Portable: the kinds are the runtime's numbers.
#include <cstdint>
#include <deque>
#include <string>

enum class FailureResponse { Reload, AskPlayer, RecreateBrowser, LogOnly };

// The runtime's COREWEBVIEW2_PROCESS_FAILED_KIND values.
FailureResponse ResponseToProcessFailure(int32_t kind);
std::string ProcessFailureKindName(int32_t kind);
// The crash a failure counts as in a crash report: "browser", "renderer" or
// "gpu"; empty for a hang or a helper process, which are no crash of the game.
std::string CrashKindOfFailure(int32_t kind);

// At most kMaxRestarts restarts in any kWindowMilliseconds: a page that crashes
// at once every time would otherwise restart forever.
class RestartBudget {
public:
    static constexpr int kMaxRestarts = 3;
    static constexpr uint64_t kWindowMilliseconds = 60000;

    // Counts a restart at nowMilliseconds (a monotonic clock) when the budget allows it.
    bool TryRestart(uint64_t nowMilliseconds);

private:
    std::deque<uint64_t> restarts_;
};

// One question per hang. The runtime repeats "render process unresponsive"
// every few seconds while a page hangs: after the player answers No, the page
// is not asked about again until it has responded (a message from the page or
// a loaded document) or kQuietMilliseconds have passed.
class HangQuestion {
public:
    static constexpr uint64_t kQuietMilliseconds = 30000;

    // Whether a report of a hung page at nowMilliseconds asks the player; when
    // it does, the question counts as open until Answered.
    bool TryAsk(uint64_t nowMilliseconds);
    void Answered(bool restart, uint64_t nowMilliseconds);
    void PageResponded() { answeredNo_ = false; }

private:
    bool open_ = false;
    bool answeredNo_ = false;
    uint64_t answeredAt_ = 0;
};
