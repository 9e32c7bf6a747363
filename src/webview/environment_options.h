#pragma once
// The environment options object. The SDK's CoreWebView2EnvironmentOptions class
// is header-only WRL code that MinGW cannot build, so this one stands in for it:
// the same interfaces (ICoreWebView2EnvironmentOptions to ...Options8) and the
// same defaults, but for the target browser version, which the host fixes.
#include <WebView2.h>

#include "util/com/com_ptr.h"

inline constexpr wchar_t kTargetCompatibleBrowserVersion[] = L"127.0.2651.64";

com_ptr<ICoreWebView2EnvironmentOptions> MakeEnvironmentOptions();
