#pragma once
// Environment creation as the agent sees it: shared by the stand-in loader's
// export and the entry the vendor's loader calls in EmbeddedBrowserWebView.dll.
#include <WebView2.h>

#include "agent.h"

// What the host set on its options object; null without one.
Json OptionValues(ICoreWebView2EnvironmentOptions* options);

// Tells the agent where the engine keeps its profile, reports the call, then
// completes creation as the agent's config says.
HRESULT
ReportAndCreateEnvironment(const char* interfaceName, const char* method, const Json& args,
                           PCWSTR userDataFolder,
                           ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);
