// What a page of another origin, a script without a click, or a planted path
// can and cannot reach.
#include <gtest/gtest.h>

#include <string>

#include "bootstrap/installer_signature.h"
#include "bridge/handle_plan.h"
#include "content/final_path.h"
#include "util/text/profile_path.h"
#include "util/text/web_origin.h"
#include "webview/page_policy.h"

TEST(WebOrigin, SchemeHostAndPortOnly) {
    struct Case {
        const char* url;
        const char* origin;
    } cases[] = {
        {"https://app.localhost/", "https://app.localhost"},
        {"HTTPS://App.LocalHost/index.html?x#y", "https://app.localhost"},
        {"https://example.com:443/a", "https://example.com"},
        {"https://example.com:8443", "https://example.com:8443"},
        {"http://localhost:80/", "http://localhost"},
        {"http://user:pw@example.com/", "http://example.com"},
        {"https://example.com\\@evil.net/", "https://example.com"},
        {"https://example.com.evil.net/", "https://example.com.evil.net"},
        {"about:blank", ""},
        {"data:text/html,<p>", ""},
        {"file:///C:/x", ""},
        {"steam://store/1", ""},
        {"https://", ""},
        {"https://:443/", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WebOriginOf(c.url), c.origin) << c.url;
    EXPECT_TRUE(IsSameWebOrigin("https://app.localhost/level/2.html", "https://app.localhost/"));
    EXPECT_FALSE(IsSameWebOrigin("about:blank", "about:blank"));
}

TEST(PagePolicy, BundleNavigationIsExactRemoteNavigationKeepsItsOrigin) {
    const std::string app = "https://app.localhost/";
    EXPECT_EQ(JudgeNavigation(app + "x.html", app, false, true), NavigationVerdict::Allow);
    EXPECT_EQ(JudgeNavigation("https://App.localhost/", app, false, true),
              NavigationVerdict::Cancel);
    // Bundle mode never sends a navigation to the shell, as before.
    EXPECT_EQ(JudgeNavigation("https://example.com/", app, false, true), NavigationVerdict::Cancel);

    const std::string main = "https://game.example.com/play/index.html";
    struct Case {
        const char* uri;
        bool userInitiated;
        NavigationVerdict verdict;
    } cases[] = {
        {"https://game.example.com/", false, NavigationVerdict::Allow},
        {"https://GAME.example.com:443/level?2", false, NavigationVerdict::Allow},
        {"https://game.example.com.evil.net/", true, NavigationVerdict::OpenInShell},
        {"https://evil.net/", false, NavigationVerdict::Cancel},
        {"http://game.example.com/", true, NavigationVerdict::OpenInShell},
        {"mailto:team@example.com", true, NavigationVerdict::OpenInShell},
        {"file:///C:/Windows/System32/calc.exe", true, NavigationVerdict::Cancel},
        {"about:blank", true, NavigationVerdict::Cancel},
        {"", true, NavigationVerdict::Cancel},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JudgeNavigation(c.uri, main, true, c.userInitiated), c.verdict) << c.uri;
}

TEST(PagePolicy, NewWindowsNeedAGestureAndAWebScheme) {
    EXPECT_TRUE(NewWindowGoesToShell("https://example.com/", true));
    EXPECT_TRUE(NewWindowGoesToShell("MAILTO:a@b.c", true));
    EXPECT_FALSE(NewWindowGoesToShell("https://example.com/", false));
    for (const char* uri : {"file:///C:/x.qtest", "quorrintest:run", "javascript:alert(1)", "",
                            "httpx://example.com", "ms-settings:"})
        EXPECT_FALSE(NewWindowGoesToShell(uri, true)) << uri;
}

TEST(PagePolicy, PermissionsAndExternalSchemesAreTheApplicationsAlone) {
    const std::string app = "https://app.localhost/";
    EXPECT_TRUE(AllowsPermission("https://app.localhost/", app));
    EXPECT_TRUE(AllowsPermission("https://app.localhost/frame.html", app));
    for (const char* uri : {"https://ads.example.net/", "https://app.localhost.evil.net/",
                            "http://app.localhost/", "null", ""})
        EXPECT_FALSE(AllowsPermission(uri, app)) << uri;
    EXPECT_TRUE(AllowsExternalScheme("https://app.localhost", app));
    EXPECT_FALSE(AllowsExternalScheme("https://ads.example.net", app));
    EXPECT_FALSE(AllowsExternalScheme("", app));
    EXPECT_TRUE(AllowsExternalScheme("https://game.example.com", "https://game.example.com/a/b"));
}

TEST(PagePolicy, PermissionsByKind) {
    const std::string app = "https://app.localhost/";
    const uint32_t cameraAndFonts = (1u << 2) | (1u << 10);
    // Kinds 0 to 12 as the runtime numbers them, and one it may add later.
    const PermissionAnswer P = PermissionAnswer::RuntimePrompt, A = PermissionAnswer::Allow,
                           D = PermissionAnswer::Deny;
    const PermissionAnswer none[] = {P, P, P, P, P, P, P, P, D, A, P, P, P, P};
    const PermissionAnswer some[] = {P, P, A, P, P, P, P, P, D, A, A, P, P, P};
    for (int kind = 0; kind <= 13; ++kind) {
        EXPECT_EQ(AnswerPermission(app + "x.html", app, kind, 0), none[kind]) << kind;
        EXPECT_EQ(AnswerPermission(app, app, kind, cameraAndFonts), some[kind]) << kind;
        EXPECT_EQ(AnswerPermission("https://ads.example.net/", app, kind, ~0u), D) << kind;
    }
    EXPECT_EQ(AnswerPermission(app, app, 8, ~0u), D) << "write access is never asked for";
}

TEST(HandlePlan, NothingWritableAboveTheProgramOrStartupFolder) {
    const std::string program = "C:\\Users\\Ann\\AppData\\Local\\Programs\\Game\\";
    const std::string startup =
        "C:\\Users\\Ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
    const std::pair<const char*, WriteGuard> cases[] = {
        {"c:\\users\\ann\\appdata\\local\\programs\\game", WriteGuard::IsProgramFolder},
        {"C:\\Users\\ANN\\AppData\\Local", WriteGuard::ContainsProgramFolder},
        {"C:\\Users\\Ann\\AppData\\Roaming", WriteGuard::ContainsStartupFolder},
        {startup.c_str(), WriteGuard::ContainsStartupFolder},
        {"C:\\Users\\Ann\\AppData\\Local\\Programs\\Game\\www", WriteGuard::None},
        {"C:\\Users\\Ann\\AppData\\Local\\Programs\\Gam", WriteGuard::None},
        {"", WriteGuard::None},
    };
    for (const auto& [folder, guard] : cases)
        EXPECT_EQ(GuardOfFolder(folder, program, startup), guard) << folder;
    // Only user data (2) writable unless guarded; a position named writable always.
    const HandleChoice some{(1u << 13) - 2, (1u << 1) | (1u << 9)};
    for (size_t position = 0; position < 13; ++position) {
        const bool named = position == 1 || position == 9;
        EXPECT_EQ(PlanDirectoryHandle(position, some, WriteGuard::None).offered, position != 0);
        EXPECT_EQ(PlanDirectoryHandle(position, some, WriteGuard::None).readOnly,
                  position != 2 && !named)
            << position;
        EXPECT_EQ(PlanDirectoryHandle(position, some, WriteGuard::ContainsProgramFolder).readOnly,
                  !named)
            << position;
    }
    EXPECT_FALSE(PlanDirectoryHandle(40, {~0u, ~0u}, WriteGuard::None).offered);
}

TEST(ProfilePath, TheAccountNameStaysOutOfTheLog) {
    const std::string profile = "C:\\Users\\Ann";
    struct Case {
        const char* path;
        const char* logged;
    } cases[] = {
        {"C:\\Users\\Ann\\Games\\Brenmoor\\", "%USERPROFILE%\\Games\\Brenmoor\\"},
        {"c:\\users\\ANN\\x", "%USERPROFILE%\\x"},
        {"C:\\Users\\Ann", "%USERPROFILE%"},
        {"C:\\Users\\Anna\\x", "C:\\Users\\Anna\\x"},
        {"D:\\Games\\x\\", "D:\\Games\\x\\"},
        {"C:\\Users\\An", "C:\\Users\\An"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShortenProfilePath(c.path, profile), c.logged) << c.path;
    EXPECT_EQ(ShortenProfilePath("C:\\Users\\Ann\\x", "C:\\Users\\Ann\\"), "%USERPROFILE%\\x");
    EXPECT_EQ(ShortenProfilePath("C:\\x", ""), "C:\\x");
}

TEST(FinalPath, InsideTheContentFolderOnly) {
    const std::string www = "C:\\Games\\My Game\\www\\";
    EXPECT_TRUE(IsInsideFolder("C:\\Games\\My Game\\www\\index.html", www));
    EXPECT_TRUE(IsInsideFolder("c:\\games\\MY GAME\\WWW\\a\\b.png", www));
    EXPECT_TRUE(IsInsideFolder("C:\\Games\\My Game\\www\\x", "C:\\Games\\My Game\\www"));
    for (const char* path : {"C:\\Games\\My Game\\secret.txt", "C:\\Games\\My Game\\www2\\x",
                             "C:\\Games\\My Game\\www", "C:\\Games\\My Game\\www\\", "",
                             "D:\\Games\\My Game\\www\\index.html"})
        EXPECT_FALSE(IsInsideFolder(path, www)) << path;
    EXPECT_FALSE(IsInsideFolder("C:\\x", ""));
}

TEST(InstallerSignature, OnlyAValidChainSignedByTheVendor) {
    EXPECT_TRUE(AcceptsRuntimeInstaller(0, 0, "Microsoft Corporation"));
    struct Case {
        int32_t trust;
        uint32_t chain;
        const char* signer;
    } refused[] = {
        {static_cast<int32_t>(0x800B0100), 0, ""},                      // no signature
        {static_cast<int32_t>(0x80096010), 0, "Microsoft Corporation"}, // bytes changed
        {0, 0x20, "Microsoft Corporation"},                             // untrusted root
        {0, 0x10000, "Microsoft Corporation"},                          // partial chain
        {0, 0, "Microsoft Corporation "},
        {0, 0, "microsoft corporation"},
        {0, 0, "Evil Corp"},
    };
    for (const Case& c : refused)
        EXPECT_FALSE(AcceptsRuntimeInstaller(c.trust, c.chain, c.signer)) << c.signer;
}
