#include "webview/deferred_work.h"

#include <string>

#include "util/author_log.h"

void DeferredWork::Post(const char* what, std::function<void()> work) {
    queue_.push_back(std::move(work));
    if (!PostMessageW(window_, kRunDeferredWork, 0, 0)) {
        // A full queue or a window already gone: the work cannot run later.
        queue_.pop_back();
        LogForAuthor(std::string("could not post ") + what + ": error " +
                     std::to_string(GetLastError()));
    }
}

void DeferredWork::RunNext() {
    if (queue_.empty())
        return;
    // Taken off first: the work may run a message loop that runs the next piece.
    std::function<void()> work = std::move(queue_.front());
    queue_.pop_front();
    work();
}
