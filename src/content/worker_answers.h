#pragma once
// Requests whose answer takes work the UI thread must not do (decoding): the
// event's deferral is taken, the work runs on a pool thread (two at most), and
// the answer is set and the deferral completed back on the UI thread, which owns
// the runtime's objects. Every deferral is completed: answered, unanswered when
// the work gives nothing or fails, and at the end of the session.
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include <windows.h>
#include <WebView2.h>

#include "util/com/com_ptr.h"

// The main window's message that sets the answers the pool threads finished.
inline constexpr UINT kDeliverContentAnswers = WM_APP + 29;

class WorkerAnswers {
public:
    // Sets the response, on the UI thread.
    using Answer = std::function<void(ICoreWebView2Environment* environment,
                                      ICoreWebView2WebResourceRequestedEventArgs* args)>;
    using Cancelled = std::shared_ptr<const std::atomic<bool>>;
    // Runs on a pool thread; `cancelled` turns true once the answer is not wanted.
    using Work = std::function<Answer(Cancelled cancelled)>;

    // window: where kDeliverContentAnswers goes (the main window).
    explicit WorkerAnswers(HWND window);
    // Cancels the work, waits for what runs, completes what is still open.
    ~WorkerAnswers();
    WorkerAnswers(const WorkerAnswers&) = delete;
    WorkerAnswers& operator=(const WorkerAnswers&) = delete;

    // False when the request cannot be deferred: the caller answers it now.
    bool Defer(ICoreWebView2Environment* environment,
               ICoreWebView2WebResourceRequestedEventArgs* args, Work work);
    // kDeliverContentAnswers: sets the finished answers and completes their deferrals.
    void DeliverFinished();
    // The session ends: every open deferral is completed unanswered, its work cancelled.
    void CompleteAll();

private:
    struct Job {
        uint64_t id;
        Work work;
        Cancelled cancelled;
    };
    // A deferred request, on the UI thread.
    struct Open {
        Open(ICoreWebView2Environment* environment,
             ICoreWebView2WebResourceRequestedEventArgs* args,
             com_ptr<ICoreWebView2Deferral> deferral);
        ~Open();
        Open(const Open&) = delete;
        Open& operator=(const Open&) = delete;
        com_ptr<ICoreWebView2Environment> environment;
        com_ptr<ICoreWebView2WebResourceRequestedEventArgs> args;
        com_ptr<ICoreWebView2Deferral> deferral;
        std::shared_ptr<std::atomic<bool>> cancelled;
    };
    static void CALLBACK RunOne(PTP_CALLBACK_INSTANCE, void* context);
    void Finished(uint64_t id, Answer answer);

    std::map<uint64_t, Open> open_; // on the UI thread
    uint64_t nextId_ = 0;
    std::mutex lock_; // the rest, shared with the pool threads
    HWND window_;
    std::deque<Job> queued_;
    std::deque<std::pair<uint64_t, Answer>> finished_;
    PTP_POOL pool_ = nullptr;
    PTP_CLEANUP_GROUP cleanup_ = nullptr;
    TP_CALLBACK_ENVIRON environment_{};
};
