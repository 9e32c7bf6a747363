#pragma once
// The environment options object. The SDK's CoreWebView2EnvironmentOptions class
// is header-only WRL code that MinGW cannot build, so this one stands in for it,
// with the same defaults.
#include <string>

#include <WebView2.h>

#include "util/com_ptr.h"

inline constexpr wchar_t kTargetCompatibleBrowserVersion[] = L"127.0.2651.64";

com_ptr<ICoreWebView2EnvironmentOptions> MakeEnvironmentOptions();
