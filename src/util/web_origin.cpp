#include "util/web_origin.h"

#include <algorithm>
#include <cctype>

namespace {
std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
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
    const std::string defaultPort = scheme == "https" ? ":443" : ":80";
    if (authority.size() > defaultPort.size() &&
        authority.compare(authority.size() - defaultPort.size(), defaultPort.size(),
                          defaultPort) == 0)
        authority.erase(authority.size() - defaultPort.size());
    if (authority.empty() || authority[0] == ':')
        return {};
    return scheme + "://" + authority;
}

bool IsSameWebOrigin(const std::string& url, const std::string& reference) {
    const std::string origin = WebOriginOf(url);
    return !origin.empty() && origin == WebOriginOf(reference);
}
