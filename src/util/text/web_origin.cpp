#include "util/text/web_origin.h"

#include <algorithm>
#include <cctype>

namespace {
std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A bracketed IPv6 address, or everything up to the port's colon.
std::string HostOf(const std::string& authority) {
    if (!authority.empty() && authority[0] == '[') {
        const size_t close = authority.find(']');
        return close == std::string::npos ? std::string() : authority.substr(0, close + 1);
    }
    return authority.substr(0, authority.find(':'));
}

// The port's number without leading zeros, empty for none, "x" for anything
// the browser would refuse.
std::string PortOf(const std::string& rest) {
    if (rest.empty() || rest == ":")
        return {};
    if (rest[0] != ':' || rest.size() > 6)
        return "x";
    unsigned long number = 0;
    for (size_t i = 1; i < rest.size(); ++i) {
        if (rest[i] < '0' || rest[i] > '9')
            return "x";
        number = number * 10 + static_cast<unsigned long>(rest[i] - '0');
    }
    return number > 65535 ? "x" : std::to_string(number);
}
} // namespace

std::string WebOriginOf(const std::string& url) {
    const size_t colon = url.find("://");
    if (colon == std::string::npos)
        return {};
    const std::string scheme = Lower(url.substr(0, colon));
    if (scheme != "http" && scheme != "https")
        return {};
    // The browser ends the authority at a backslash too in web addresses.
    const size_t start = colon + 3;
    const size_t end = url.find_first_of("/?#\\", start);
    std::string authority = Lower(url.substr(start, end == std::string::npos ? end : end - start));
    const size_t at = authority.rfind('@');
    if (at != std::string::npos)
        authority.erase(0, at + 1);
    const std::string host = HostOf(authority);
    const std::string port = PortOf(authority.substr(host.size()));
    if (host.empty() || port == "x")
        return {};
    const bool defaultPort = port.empty() || port == (scheme == "https" ? "443" : "80");
    return scheme + "://" + host + (defaultPort ? "" : ":" + port);
}

bool IsSameWebOrigin(const std::string& url, const std::string& reference) {
    const std::string origin = WebOriginOf(url);
    return !origin.empty() && origin == WebOriginOf(reference);
}
