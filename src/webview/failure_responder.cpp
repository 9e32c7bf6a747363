#include "webview/failure_responder.h"

#include <utility>

FailureResponder::FailureResponder(ICoreWebView2* webView, Respond respond)
    : respond_(std::move(respond)) {
    subscriptions_.Add("ProcessFailed", webView, &ICoreWebView2::add_ProcessFailed,
                       &ICoreWebView2::remove_ProcessFailed,
                       [this](ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* args) {
                           COREWEBVIEW2_PROCESS_FAILED_KIND kind =
                               COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED;
                           if (FAILED(args->get_ProcessFailedKind(&kind)))
                               return LogForAuthor("process failure of an unknown kind: ignored");
                           respond_(kind);
                       });
}
