#include "webview/document_scripts.h"

#include <string>

#include "util/com/com_callback.h"
#include "util/log/author_log.h"
#include "util/text/text.h"

void AddDocumentScript(ICoreWebView2* webView, std::string_view scriptUtf8, const char* what) {
    const std::string call = std::string("AddScriptToExecuteOnDocumentCreated (") + what + ")";
    auto added = MakeCallback<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler>(
        [call](HRESULT result, LPCWSTR) { LogIfFailed(call.c_str(), result); });
    LogIfFailed(call.c_str(), webView->AddScriptToExecuteOnDocumentCreated(
                                  Utf8ToWide(std::string(scriptUtf8)).c_str(), added.get()));
}
