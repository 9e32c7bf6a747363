#pragma once
// Web origins of addresses, compared the way the browser does. Portable.
#include <string>

// "scheme://host[:port]" of an http or https address, scheme and host in lower
// case, without a user part or the scheme's default port; empty for any other
// scheme or an address without a host.
std::string WebOriginOf(const std::string& url);

// Both addresses have the same web origin (never true for an empty one).
bool IsSameWebOrigin(const std::string& url, const std::string& reference);
