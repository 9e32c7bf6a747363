#include "content/worker_answers.h"

#include <exception>
#include <utility>

#include "util/log/author_log.h"

namespace {
// Decoding is bound by the processor: more threads than this would only take
// it from the UI thread and hold more decoders' windows at once.
constexpr DWORD kPoolThreads = 2;
} // namespace

WorkerAnswers::Open::Open(ICoreWebView2Environment* environment,
                         ICoreWebView2WebResourceRequestedEventArgs* args,
                         com_ptr<ICoreWebView2Deferral> deferral)
    : environment(com_ptr<ICoreWebView2Environment>::copy_from(environment)),
      args(com_ptr<ICoreWebView2WebResourceRequestedEventArgs>::copy_from(args)),
      deferral(std::move(deferral)), cancelled(std::make_shared<std::atomic<bool>>(false)) {}

// Ending an open request is completing its deferral.
WorkerAnswers::Open::~Open() {
    if (deferral)
        LogIfFailed("Complete", deferral->Complete());
}

WorkerAnswers::WorkerAnswers(HWND window) : window_(window) {
    InitializeThreadpoolEnvironment(&environment_);
    pool_ = CreateThreadpool(nullptr);
    cleanup_ = CreateThreadpoolCleanupGroup();
    if (pool_) {
        SetThreadpoolThreadMaximum(pool_, kPoolThreads);
        SetThreadpoolCallbackPool(&environment_, pool_);
    }
    if (cleanup_)
        SetThreadpoolCallbackCleanupGroup(&environment_, cleanup_, nullptr);
}

WorkerAnswers::~WorkerAnswers() {
    CompleteAll();
    {
        const std::lock_guard<std::mutex> hold(lock_);
        window_ = nullptr; // nothing is posted any more
    }
    // Work not started is dropped; work running sees its cancellation and ends soon.
    if (cleanup_) {
        CloseThreadpoolCleanupGroupMembers(cleanup_, TRUE, nullptr);
        CloseThreadpoolCleanupGroup(cleanup_);
    }
    if (pool_)
        CloseThreadpool(pool_);
    DestroyThreadpoolEnvironment(&environment_);
}

bool WorkerAnswers::Defer(ICoreWebView2Environment* environment,
                          ICoreWebView2WebResourceRequestedEventArgs* args, Work work) {
    com_ptr<ICoreWebView2Deferral> deferral;
    const HRESULT deferred = args->GetDeferral(deferral.put());
    LogIfFailed("GetDeferral", deferred);
    if (FAILED(deferred) || !deferral || !pool_ || !cleanup_)
        return false;
    const uint64_t id = ++nextId_;
    Open& open = open_.try_emplace(id, environment, args, std::move(deferral)).first->second;
    {
        const std::lock_guard<std::mutex> hold(lock_);
        queued_.push_back({id, std::move(work), open.cancelled});
    }
    if (!TrySubmitThreadpoolCallback(RunOne, this, &environment_)) {
        LogForAuthor("a request could not be handed to a worker: error " +
                     std::to_string(GetLastError()));
        {
            const std::lock_guard<std::mutex> hold(lock_);
            std::erase_if(queued_, [id](const Job& job) { return job.id == id; });
        }
        open_.erase(id); // completed unanswered
    }
    return true;
}

// One queued job per callback, in the order they came.
void CALLBACK WorkerAnswers::RunOne(PTP_CALLBACK_INSTANCE, void* context) {
    auto* self = static_cast<WorkerAnswers*>(context);
    Job job;
    {
        const std::lock_guard<std::mutex> hold(self->lock_);
        if (self->queued_.empty())
            return;
        job = std::move(self->queued_.front());
        self->queued_.pop_front();
    }
    Answer answer;
    // Below the UI thread, which must keep answering while this decodes.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    if (!*job.cancelled) {
        try {
            answer = job.work(job.cancelled);
        } catch (...) {
            LogHandlerFailure(std::current_exception());
        }
    }
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    self->Finished(job.id, std::move(answer));
}

void WorkerAnswers::Finished(uint64_t id, Answer answer) {
    const std::lock_guard<std::mutex> hold(lock_);
    if (!window_)
        return;
    finished_.emplace_back(id, std::move(answer));
    // Without the message the deferral waits for the session's end.
    if (!PostMessageW(window_, kDeliverContentAnswers, 0, 0))
        LogForAuthor("a finished answer could not be posted: error " +
                     std::to_string(GetLastError()));
}

void WorkerAnswers::DeliverFinished() {
    std::deque<std::pair<uint64_t, Answer>> finished;
    {
        const std::lock_guard<std::mutex> hold(lock_);
        finished.swap(finished_);
    }
    for (auto& [id, answer] : finished) {
        auto open = open_.find(id);
        if (open == open_.end())
            continue; // completed when its session ended
        if (answer) {
            try {
                answer(open->second.environment.get(), open->second.args.get());
            } catch (...) {
                LogHandlerFailure(std::current_exception());
            }
        }
        open_.erase(open);
    }
}

void WorkerAnswers::CompleteAll() {
    for (auto& [id, open] : open_)
        *open.cancelled = true;
    open_.clear();
    std::deque<std::pair<uint64_t, Answer>> unwanted; // their streams go with them
    const std::lock_guard<std::mutex> hold(lock_);
    unwanted.swap(finished_);
}
