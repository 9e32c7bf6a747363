#include "webview/deferred_work.h"

#include <string>

#include "util/log/author_log.h"

void DeferredWork::Post(const char* what, std::function<void()> work) {
    queue_.push_back(std::move(work));
    if (!PostMessageW(window_, kRunDeferredWork, 0, 0)) {
        // A full queue or a window already gone: the work cannot run later.
        queue_.pop_back();
        LogForAuthor(std::string("could not post ") + what + ": error " +
                     std::to_string(GetLastError()));
    }
}

void DeferredWork::Remind(const char* what) {
    if (!PostMessageW(window_, kRunDeferredWork, 0, 0))
        LogForAuthor(std::string("could not post ") + what + ": error " +
                     std::to_string(GetLastError()));
}

void DeferredWork::RunNext() {
    // Inside a piece's own loop: the next piece waits until that piece returns.
    if (running_) {
        ++heldBack_;
        return;
    }
    if (queue_.empty())
        return;
    std::function<void()> work = std::move(queue_.front());
    queue_.pop_front();
    running_ = true;
    try {
        work();
    } catch (...) {
        LogHandlerFailure(std::current_exception());
    }
    running_ = false;
    for (; heldBack_ > 0; --heldBack_)
        Remind("held-back work");
}
