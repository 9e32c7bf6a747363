#pragma once
// Scripts the runtime runs in every new document of a session, before the
// page's own: the page's side of a host feature (keys it watches, objects it
// provides). Each feature adds one, for the sessions that need it.
#include <WebView2.h>

#include <string_view>

// what: the feature's name, for the log when the runtime refuses the script.
void AddDocumentScript(ICoreWebView2* webView, std::string_view scriptUtf8, const char* what);
