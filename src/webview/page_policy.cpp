#include "webview/page_policy.h"

#include <cctype>
#include <string>

#include "util/text/web_origin.h"

namespace {
bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const size_t length = std::char_traits<char>::length(prefix);
    if (text.size() < length)
        return false;
    for (size_t i = 0; i < length; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}
} // namespace

bool IsSafeForShell(const std::string& uri) {
    return StartsWithNoCase(uri, "http:") || StartsWithNoCase(uri, "https:") ||
           StartsWithNoCase(uri, "mailto:");
}

NavigationVerdict JudgeNavigation(const std::string& uri, const std::string& pageOrigin,
                                  bool remote, bool userInitiated) {
    if (!remote) // byte for byte: no case folding, no decoding
        return uri.compare(0, pageOrigin.size(), pageOrigin) == 0 ? NavigationVerdict::Allow
                                                                  : NavigationVerdict::Cancel;
    if (IsSameWebOrigin(uri, pageOrigin))
        return NavigationVerdict::Allow;
    return NewWindowGoesToShell(uri, userInitiated) ? NavigationVerdict::OpenInShell
                                                    : NavigationVerdict::Cancel;
}

bool NewWindowGoesToShell(const std::string& uri, bool userInitiated) {
    return userInitiated && IsSafeForShell(uri);
}

bool AllowsPermission(const std::string& requestingUri, const std::string& pageOrigin) {
    return IsSameWebOrigin(requestingUri, pageOrigin);
}

PermissionAnswer AnswerPermission(const std::string& requestingUri, const std::string& pageOrigin,
                                  int kind, uint32_t allowedKinds) {
    constexpr int kFileReadWrite = 8; // COREWEBVIEW2_PERMISSION_KIND_FILE_READ_WRITE
    constexpr int kAutoplay = 9;      // COREWEBVIEW2_PERMISSION_KIND_AUTOPLAY
    if (!AllowsPermission(requestingUri, pageOrigin) || kind == kFileReadWrite)
        return PermissionAnswer::Deny;
    if (kind == kAutoplay || (kind >= 0 && kind < 32 && ((allowedKinds >> kind) & 1u) != 0))
        return PermissionAnswer::Allow;
    return PermissionAnswer::RuntimePrompt;
}

bool AllowsExternalScheme(const std::string& initiatingOrigin, const std::string& pageOrigin) {
    return IsSameWebOrigin(initiatingOrigin, pageOrigin);
}
