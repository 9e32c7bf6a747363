#include "webview/process_failure_policy.h"

namespace {
constexpr const char* kKindNames[] = {
    "browser process exited",      "render process exited",  "render process unresponsive",
    "frame render process exited", "utility process exited", "sandbox helper process exited",
    "GPU process exited",          "plugin process exited",  "plugin broker process exited",
    "unknown process exited",
};
} // namespace

FailureResponse ResponseToProcessFailure(int32_t kind) {
    switch (kind) {
    case 0:
        return FailureResponse::RecreateBrowser;
    case 1:
        return FailureResponse::Reload;
    case 2:
        return FailureResponse::AskPlayer;
    default:
        // A subframe's renderer, GPU, utility and helper processes: the runtime
        // restarts them itself, and a reload would only cost the player's state.
        return FailureResponse::LogOnly;
    }
}

std::string ProcessFailureKindName(int32_t kind) {
    if (kind >= 0 && kind < static_cast<int32_t>(std::size(kKindNames)))
        return kKindNames[kind];
    return "process failure of kind " + std::to_string(kind);
}

std::string CrashKindOfFailure(int32_t kind) {
    switch (kind) {
    case 0: // browser process exited
        return "browser";
    case 1: // render process exited
    case 3: // frame render process exited
        return "renderer";
    case 6: // GPU process exited
        return "gpu";
    default:
        return {};
    }
}

bool RestartBudget::TryRestart(uint64_t nowMilliseconds) {
    while (!restarts_.empty() && nowMilliseconds - restarts_.front() >= kWindowMilliseconds)
        restarts_.pop_front();
    if (restarts_.size() >= static_cast<size_t>(kMaxRestarts))
        return false;
    restarts_.push_back(nowMilliseconds);
    return true;
}

bool HangQuestion::TryAsk(uint64_t nowMilliseconds) {
    if (open_ || (answeredNo_ && nowMilliseconds - answeredAt_ < kQuietMilliseconds))
        return false;
    open_ = true;
    answeredNo_ = false;
    return true;
}

void HangQuestion::Answered(bool restart, uint64_t nowMilliseconds) {
    open_ = false;
    answeredNo_ = !restart;
    answeredAt_ = nowMilliseconds;
}
