// A remote "main" the host would trust: the page's own origin must be one no
// one on the network can serve, however the address is spelt.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "manifest/manifest_rules.h"
#include "util/text/web_origin.h"
#include "webview/page_policy.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string main(reinterpret_cast<const char*>(data), size);
    const std::string origin = WebOriginOf(main);
    FUZZ_REQUIRE(origin.empty() || origin.compare(0, 7, "http://") == 0 ||
                     origin.compare(0, 8, "https://") == 0,
                 "an origin is http or https");
    FUZZ_REQUIRE(WebOriginOf(origin + "/") == origin, "an origin is its own origin");
    if (IsTrustedRemoteMain(main)) {
        FUZZ_REQUIRE(!origin.empty(), "a trusted main has an origin");
        const bool loopback = origin == "http://localhost" || origin == "http://127.0.0.1" ||
                              origin == "http://[::1]" ||
                              origin.compare(0, 17, "http://localhost:") == 0 ||
                              origin.compare(0, 17, "http://127.0.0.1:") == 0 ||
                              origin.compare(0, 13, "http://[::1]:") == 0;
        FUZZ_REQUIRE(origin.compare(0, 8, "https://") == 0 || loopback,
                     "plain http only to this computer");
        FUZZ_REQUIRE(JudgeNavigation(main, main, true, false) == NavigationVerdict::Allow,
                     "the start page itself is never refused");
        FUZZ_REQUIRE(AllowsPermission(main, main), "the page's own origin keeps its permissions");
    }
    FUZZ_REQUIRE(JudgeNavigation(main, "https://app.localhost/", true, false) !=
                     NavigationVerdict::OpenInShell,
                 "nothing reaches the shell without a gesture");
    return 0;
}
