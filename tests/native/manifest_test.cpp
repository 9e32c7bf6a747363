#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "manifest/manifest.h"
#include "manifest_parsing.h"

TEST(ParseManifest, NameAloneTakesEveryDefault) {
    AppManifest m = Parse(R"({"name":"game"})");
    EXPECT_EQ(m.name, "game");
    EXPECT_EQ(m.main, "index.html");
    EXPECT_EQ(m.title, "Quorrin");
    EXPECT_EQ(m.width, 1024);
    EXPECT_EQ(m.height, 768);
    EXPECT_EQ(m.icon, "");
    EXPECT_TRUE(m.resizable);
    EXPECT_EQ(m.backgroundColor, 0xFFFFFFu);
    EXPECT_EQ(m.chromiumArgs, "");
    EXPECT_EQ(m.distributionMode, DistributionMode::Evergreen);
    EXPECT_EQ(m.contentMode, ContentMode::Bundle);
    EXPECT_TRUE(m.enableDevtools);
    EXPECT_FALSE(m.crossOriginIsolation);
    EXPECT_EQ(m.messages.downloading, "Downloading...");
    EXPECT_EQ(m.messages.installing, "Installing...");
    EXPECT_EQ(m.messages.installWebview2,
              "This app requires the Microsoft Edge WebView2 runtime. It will be downloaded and "
              "installed for you now.");
    EXPECT_EQ(m.messages.installWebview2Failed,
              "Failed to install the Microsoft Edge WebView2 runtime. Check that you have "
              "permission to install it, and that your Internet connection is working. Run the "
              "app again to try again.");
}

TEST(ParseManifest, ReadsEveryKeyFromItsSection) {
    AppManifest m = Parse(R"({
        "name": "Spiel \u00fc", "main": "https://example.com/start/page.html", "chromium-args": "--mute-audio",
        "window": {"title": "Tit\u20acle", "width": 800, "height": 600, "icon": "img/a.png",
                   "resizable": false},
        "settings": {"distribution-mode": "fixed", "content-mode": "remote",
                     "enable-devtools": false},
        "messages": {"install-webview2": "i", "downloading": "d", "install-webview2-failed": "f",
                     "installing": "w"}
    })");
    EXPECT_EQ(m.name, "Spiel \xc3\xbc");
    EXPECT_EQ(m.main, "https://example.com/start/page.html");
    EXPECT_EQ(m.chromiumArgs, "--mute-audio");
    EXPECT_EQ(m.title, "Tit\xe2\x82\xac"
                       "le");
    EXPECT_EQ(m.width, 800);
    EXPECT_EQ(m.height, 600);
    EXPECT_EQ(m.icon, "img/a.png");
    EXPECT_FALSE(m.resizable);
    EXPECT_EQ(m.distributionMode, DistributionMode::Fixed);
    EXPECT_EQ(m.contentMode, ContentMode::Remote);
    EXPECT_FALSE(m.enableDevtools);
    EXPECT_EQ(m.messages.installWebview2, "i");
    EXPECT_EQ(m.messages.downloading, "d");
    EXPECT_EQ(m.messages.installing, "w");
    EXPECT_EQ(m.messages.installWebview2Failed, "f");
}

TEST(ParseManifest, WrongTypesFallBackToDefaults) {
    AppManifest m = Parse(R"({"name":"n","main":7,"chromium-args":["x"],
        "window":{"title":null,"width":"1280","height":true,"icon":{},"resizable":0},
        "settings":{"distribution-mode":1,"content-mode":false,"enable-devtools":"no"},
        "messages":{"downloading":5,"installing":[]}})");
    EXPECT_EQ(m.main, "index.html");
    EXPECT_EQ(m.chromiumArgs, "");
    EXPECT_EQ(m.title, "Quorrin");
    EXPECT_EQ(m.width, 1024);
    EXPECT_EQ(m.height, 768);
    EXPECT_EQ(m.icon, "");
    EXPECT_TRUE(m.resizable);
    EXPECT_EQ(m.distributionMode, DistributionMode::Evergreen);
    EXPECT_EQ(m.contentMode, ContentMode::Bundle);
    EXPECT_TRUE(m.enableDevtools);
    EXPECT_EQ(m.messages.downloading, "Downloading...");
    EXPECT_EQ(m.messages.installing, "Installing...");
}

TEST(ParseManifest, SectionsThatAreNotObjectsGiveDefaults) {
    for (const char* section : {"\"big\"", "null", "[1,2]", "3"}) {
        std::string text = std::string(R"({"name":"n","window":)") + section + R"(,"settings":)" +
                           section + R"(,"messages":)" + section + "}";
        AppManifest m = Parse(text);
        EXPECT_EQ(m.title, "Quorrin") << section;
        EXPECT_EQ(m.width, 1024) << section;
        EXPECT_EQ(m.distributionMode, DistributionMode::Evergreen) << section;
        EXPECT_EQ(m.messages.downloading, "Downloading...") << section;
    }
}

TEST(ParseManifest, NumbersAreTruncatedAndReducedTo32Bits) {
    struct Case {
        const char* json;
        int32_t width;
    } cases[] = {
        {"1280.9", 1280},          {"-2.9", -2}, {"4294967297", 1}, {"-1", -1},    {"0", 0},
        {"2147483648", INT32_MIN}, {"-0.5", 0},  {"1e300", 0},      {"-1e300", 0},
    };
    for (const Case& c : cases) {
        std::string text = std::string(R"({"name":"n","window":{"width":)") + c.json + "}}";
        EXPECT_EQ(Parse(text).width, c.width) << c.json;
    }
}

TEST(ParseManifest, OnlyTopLevelChromiumArgsCount) {
    EXPECT_EQ(Parse(R"({"name":"n","window":{"chromium-args":"--a"}})").chromiumArgs, "");
}

TEST(ParseManifest, Rejections) {
    struct Case {
        const char* text;
        const char* rejection;
    } cases[] = {
        {"", "json"},
        {"   \n\t", "json"},
        {"{", "json"},
        {"{\"name\":\"n\"} x", "json"},
        {"{\"name\":\"n\"} {}", "json"},
        {"// note\n{\"name\":\"n\"}", "json"},
        {"{\"name\":\"n\" /* note */}", "json"},
        {"{'name':'n'}", "json"},
        {"{\"name\":\"n\",}", "json"},
        {"{\"name\":\"n\",\"window\":{\"width\":1e400}}", "json"},
        {"{}", "invalid name"},
        {"{\"name\":\"\"}", "invalid name"},
        {"{\"name\":5}", "invalid name"},
        {"{\"name\":null}", "invalid name"},
        {"[{\"name\":\"n\"}]", "invalid name"},
        {"\"name\"", "invalid name"},
        {"42", "invalid name"},
        {"null", "invalid name"},
        {"{\"name\":\"n\",\"settings\":{\"distribution-mode\":\"Fixed\"}}",
         "invalid distribution mode"},
        {"{\"name\":\"n\",\"settings\":{\"distribution-mode\":\"\"}}", "invalid distribution mode"},
        {"{\"name\":\"n\",\"settings\":{\"content-mode\":\"Bundle\"}}", "invalid content mode"},
        {"{\"name\":\"n\",\"settings\":{\"content-mode\":\"local\"}}", "invalid content mode"},
        // Both wrong: the distribution mode is read first.
        {"{\"name\":\"n\",\"settings\":{\"content-mode\":\"x\",\"distribution-mode\":\"y\"}}",
         "invalid distribution mode"},
        // Cross-origin isolation takes a boolean or nothing, unlike the lenient keys.
        {"{\"name\":\"n\",\"settings\":{\"cross-origin-isolation\":\"true\"}}",
         "invalid cross-origin isolation"},
        {"{\"name\":\"n\",\"settings\":{\"cross-origin-isolation\":1}}",
         "invalid cross-origin isolation"},
        {"{\"name\":\"n\",\"settings\":{\"cross-origin-isolation\":null}}",
         "invalid cross-origin isolation"},
        {"{\"name\":\"n\",\"settings\":{\"cross-origin-isolation\":{}}}",
         "invalid cross-origin isolation"},
        // The modes are read first.
        {"{\"name\":\"n\",\"settings\":{\"cross-origin-isolation\":0,\"content-mode\":\"x\"}}",
         "invalid content mode"},
        // The background colour is "#RRGGBB" or nothing.
        {"{\"name\":\"n\",\"window\":{\"background-color\":\"#12345\"}}",
         "invalid background color"},
        {"{\"name\":\"n\",\"window\":{\"background-color\":\"#1234567\"}}",
         "invalid background color"},
        {"{\"name\":\"n\",\"window\":{\"background-color\":\"123456\"}}",
         "invalid background color"},
        {"{\"name\":\"n\",\"window\":{\"background-color\":\"#12345g\"}}",
         "invalid background color"},
        {"{\"name\":\"n\",\"window\":{\"background-color\":\"#+12345\"}}",
         "invalid background color"},
        {"{\"name\":\"n\",\"window\":{\"background-color\":\"black\"}}",
         "invalid background color"},
        {"{\"name\":\"n\",\"window\":{\"background-color\":0}}", "invalid background color"},
        {"{\"name\":\"n\",\"window\":{\"background-color\":null}}", "invalid background color"},
        // The name is checked before anything else.
        {"{\"settings\":{\"distribution-mode\":\"y\"}}", "invalid name"},
        // The context menu takes one of three words, exactly.
        {"{\"name\":\"n\",\"settings\":{\"context-menu\":\"Edit\"}}", "invalid context menu"},
        {"{\"name\":\"n\",\"settings\":{\"context-menu\":\"\"}}", "invalid context menu"},
        {"{\"name\":\"n\",\"settings\":{\"context-menu\":false}}", "invalid context menu"},
        {"{\"name\":\"n\",\"settings\":{\"context-menu\":null}}", "invalid context menu"},
        {"{\"name\":\"n\",\"settings\":{\"precompressed\":\"Auto\"}}", "invalid precompressed"},
        {"{\"name\":\"n\",\"settings\":{\"precompressed\":true}}", "invalid precompressed"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RejectionOf(c.text), c.rejection) << c.text;
}

TEST(ParseManifest, ByteOrderMarkIsAccepted) {
    EXPECT_EQ(Parse("\xEF\xBB\xBF{\"name\":\"n\"}").name, "n");
}

TEST(ParseManifest, NulByteEndsTheDocument) {
    EXPECT_EQ(Parse(std::string("{\"name\":\"n\"}\0garbage", 20)).name, "n");
    EXPECT_EQ(RejectionOf(std::string("\0{\"name\":\"n\"}", 13)), "json");
}

TEST(ParseManifest, DeepNestingIsRejectedWithoutCrashing) {
    std::string deep(200000, '[');
    EXPECT_EQ(RejectionOf(deep), "json");
    std::string balanced = std::string(100000, '[') + std::string(100000, ']');
    EXPECT_EQ(RejectionOf(balanced), "invalid name");
    std::string nestedWindow =
        R"({"name":"n","window":)" + std::string(50000, '[') + std::string(50000, ']') + "}";
    EXPECT_EQ(Parse(nestedWindow).width, 1024);
}

TEST(ParseManifest, CrossOriginIsolationIsOptIn) {
    EXPECT_TRUE(
        Parse(R"({"name":"n","settings":{"cross-origin-isolation":true}})").crossOriginIsolation);
    EXPECT_FALSE(
        Parse(R"({"name":"n","settings":{"cross-origin-isolation":false}})").crossOriginIsolation);
    // Only inside "settings", and a "settings" that is not an object has no keys.
    EXPECT_FALSE(Parse(R"({"name":"n","cross-origin-isolation":true})").crossOriginIsolation);
    EXPECT_FALSE(
        Parse(R"({"name":"n","settings":[{"cross-origin-isolation":1}]})").crossOriginIsolation);
}

TEST(ParseManifest, WindowBehavioursAreOptIn) {
    struct Case {
        const char* json;
        bool rememberPlacement;
        bool singleInstance;
        int32_t minWidth;
        int32_t minHeight;
    } cases[] = {
        {R"({"name":"n"})", false, false, 0, 0},
        {R"({"name":"n","window":{"remember-placement":true,"min-width":640,"min-height":480},
            "settings":{"single-instance":true}})",
         true, true, 640, 480},
        // Wrong types read as off; a minimum below 1 is none.
        {R"({"name":"n","window":{"remember-placement":"yes","min-width":"640","min-height":-5},
            "settings":{"single-instance":1}})",
         false, false, 0, 0},
        {R"({"name":"n","window":{"min-width":320.7}})", false, false, 320, 0},
        // Each key only in its own section.
        {R"({"name":"n","settings":{"remember-placement":true,"min-width":9},
            "window":{"single-instance":true}})",
         false, false, 0, 0},
    };
    for (const Case& c : cases) {
        const AppManifest m = Parse(c.json);
        EXPECT_EQ(m.rememberPlacement, c.rememberPlacement) << c.json;
        EXPECT_EQ(m.singleInstance, c.singleInstance) << c.json;
        EXPECT_EQ(m.minWidth, c.minWidth) << c.json;
        EXPECT_EQ(m.minHeight, c.minHeight) << c.json;
    }
}

TEST(ParseManifest, BackgroundColorIsReadAsRgb) {
    const auto colourOf = [](const std::string& value) {
        return Parse(R"({"name":"n","window":{"background-color":")" + value + R"("}})")
            .backgroundColor;
    };
    EXPECT_EQ(colourOf("#000000"), 0x000000u);
    EXPECT_EQ(colourOf("#1a2B3c"), 0x1A2B3Cu);
    EXPECT_EQ(colourOf("#FFFFFF"), 0xFFFFFFu);
    // Only inside "window".
    EXPECT_EQ(Parse(R"({"name":"n","background-color":"#000000"})").backgroundColor, 0xFFFFFFu);
}

TEST(ParseManifest, ContextMenuAndRunTimeFailureTexts) {
    const AppManifest defaults = Parse(R"({"name":"n"})");
    EXPECT_EQ(defaults.contextMenu, ContextMenuMode::Default);
    EXPECT_EQ(defaults.messages.crashed,
              "The application stopped unexpectedly and could not be restarted.");
    EXPECT_EQ(defaults.messages.unresponsive, "The application is not responding. Do you want "
                                              "to restart it? Choose No to keep waiting.");
    const struct {
        const char* word;
        ContextMenuMode mode;
    } modes[] = {{"default", ContextMenuMode::Default},
                 {"edit", ContextMenuMode::Edit},
                 {"none", ContextMenuMode::None}};
    for (const auto& c : modes)
        EXPECT_EQ(
            Parse(std::string(R"({"name":"n","settings":{"context-menu":")") + c.word + "\"}}")
                .contextMenu,
            c.mode)
            << c.word;
    const AppManifest own = Parse(R"({"name":"n","messages":{"crashed":"c","unresponsive":"u"}})");
    EXPECT_EQ(own.messages.crashed, "c");
    EXPECT_EQ(own.messages.unresponsive, "u");
    // Wrongly typed texts fall back like the other messages; the key counts only in "settings".
    EXPECT_EQ(Parse(R"({"name":"n","messages":{"crashed":1}})").messages.crashed,
              defaults.messages.crashed);
    EXPECT_EQ(Parse(R"({"name":"n","context-menu":"bad"})").contextMenu, ContextMenuMode::Default);
}

TEST(ParseManifest, PrecompressedFilesDefaultToAuto) {
    EXPECT_EQ(Parse(R"({"name":"n"})").precompressed, PrecompressedFiles::Auto);
    EXPECT_EQ(Parse(R"({"name":"n","settings":{"precompressed":"all"}})").precompressed,
              PrecompressedFiles::All);
    EXPECT_EQ(Parse(R"({"name":"n","settings":{"precompressed":"none"}})").precompressed,
              PrecompressedFiles::None);
}

TEST(ParseManifest, SteamPowersAreGrantedByTheAuthor) {
    const SteamSettings plain = Parse(R"({"name":"n","steam":{"app-id":1}})").steam;
    EXPECT_EQ(plain.overlayHosts, (std::vector<std::string>{
                                      "store.steampowered.com", "steamcommunity.com",
                                      "help.steampowered.com"}));
    EXPECT_FALSE(plain.overlayHostsListed);
    EXPECT_EQ(plain.cloud, SteamCloudAccess::Read);
    EXPECT_FALSE(plain.leaderboardsCreate);
    EXPECT_TRUE(plain.authIdentities.empty());
    EXPECT_EQ(Parse(R"({"name":"n","main":"https://Play.Example.com:8443/g","settings":)"
                    R"({"content-mode":"remote"},"steam":{"app-id":1}})")
                  .steam.overlayHosts.back(),
              "play.example.com");
    const SteamSettings granted =
        Parse(R"({"name":"n","steam":{"app-id":1,"overlay-hosts":["Store.Example.com"],)"
              R"("cloud":"read-write","leaderboards-create":true,"auth-identities":["", "api"]}})")
            .steam;
    EXPECT_EQ(granted.overlayHosts, std::vector<std::string>{"store.example.com"});
    EXPECT_TRUE(granted.overlayHostsListed);
    EXPECT_EQ(granted.cloud, SteamCloudAccess::ReadWrite);
    EXPECT_TRUE(granted.leaderboardsCreate);
    EXPECT_EQ(granted.authIdentities, (std::vector<std::string>{"", "api"}));
    const std::pair<const char*, const char*> refused[] = {
        {R"("overlay-hosts":"a.com")", "invalid steam overlay hosts"},
        {R"("overlay-hosts":[1])", "invalid steam overlay hosts"},
        {R"("overlay-hosts":[""])", "invalid steam overlay hosts"},
        {R"("overlay-hosts":["https://a.com"])", "invalid steam overlay hosts"},
        {R"("overlay-hosts":null)", "invalid steam overlay hosts"},
        {R"("cloud":"write")", "invalid steam cloud"},
        {R"("cloud":true)", "invalid steam cloud"},
        {R"("leaderboards-create":"yes")", "invalid steam leaderboards create"},
        {R"("auth-identities":"api")", "invalid steam auth identities"},
        {R"("auth-identities":["a\nb"])", "invalid steam auth identities"},
    };
    for (const auto& [key, error] : refused)
        EXPECT_EQ(RejectionOf(std::string(R"({"name":"n","steam":{"app-id":1,)") + key + "}}"),
                  error)
            << key;
}

TEST(ParseManifest, SavesGoToSteamCloudOnlyForASteamApplication) {
    EXPECT_FALSE(Parse(R"({"name":"n","steam":{"app-id":1}})").savesSteamCloud);
    EXPECT_TRUE(Parse(R"({"name":"n","steam":{"app-id":1},"settings":{"saves":{"steam-cloud":true}}})")
                    .savesSteamCloud);
    EXPECT_FALSE(Parse(R"({"name":"n","settings":{"saves":{"steam-cloud":false}}})").savesSteamCloud);
    const std::pair<const char*, const char*> refused[] = {
        {R"("saves":true)", "invalid saves"},
        {R"("saves":{"steam-cloud":1})", "invalid saves steam cloud"},
        {R"("saves":{"steam-cloud":true})", "invalid saves steam cloud"}, // no "steam" key
    };
    for (const auto& [key, error] : refused)
        EXPECT_EQ(RejectionOf(std::string(R"({"name":"n","settings":{)") + key + "}}"), error)
            << key;
}

TEST(ParseManifest, SteamIsOptInWithAStrictAppId) {
    EXPECT_EQ(Parse(R"({"name":"n"})").steam.appId, 0u);
    const AppManifest m = Parse(R"({"name":"n","steam":{"app-id":480}})");
    EXPECT_EQ(m.steam.appId, 480u);
    EXPECT_FALSE(m.steam.restartThroughSteam);
    EXPECT_EQ(Parse(R"({"name":"n","steam":{"app-id":4294967295}})").steam.appId, 4294967295u);
    const AppManifest restart =
        Parse(R"({"name":"n","steam":{"app-id":1,"restart-through-steam":true}})");
    EXPECT_TRUE(restart.steam.restartThroughSteam);
    // Lenient like the other switches: a wrongly typed value reads as off.
    EXPECT_FALSE(Parse(R"({"name":"n","steam":{"app-id":1,"restart-through-steam":"yes"}})")
                     .steam.restartThroughSteam);
    for (const char* steam :
         {R"(null)", R"(true)", R"([480])", R"({})", R"({"app-id":0})", R"({"app-id":-480})",
          R"({"app-id":480.5})", R"({"app-id":"480"})", R"({"app-id":4294967296})",
          R"({"app-id":1e30})", R"({"app-id":null})"})
        EXPECT_EQ(RejectionOf(std::string(R"({"name":"n","steam":)") + steam + "}"),
                  "invalid steam app id")
            << steam;
}

// The name becomes a folder under LocalAppData: one component Windows keeps as written.
TEST(ParseManifest, NameMustBeOneSafePathComponent) {
    for (const char* name : {"game", "My Game 2", "Spiel \u00fc", "a.b", ".hidden", "con-game",
                             "com10", "nul_x", "COM0"})
        EXPECT_EQ(RejectionOf(std::string(R"({"name":")") + name + "\"}"), "accepted") << name;
    for (const char* name :
         {".", "..", "..\\\\x", "../x", "a/b", "a\\\\b", "C:x", "a:b", "a*", "a?", "a|b", "a<b",
          "a>b", "a\\\"b", "a\\u0001b", "a\\tb", "game.", "game ", "...", "con", "CON", "nul.txt",
          "Aux .log", "com1", "LPT9.x", "conin$", "CONOUT$", "com\u00b9", "lpt\u00b3"})
        EXPECT_EQ(RejectionOf(std::string(R"({"name":")") + name + "\"}"), "invalid name") << name;
}

// Remote mode trusts only a page nobody on the network can change.
TEST(ParseManifest, RemoteMainMustBeHttpsOrLoopbackHttp) {
    const auto remote = [](const std::string& main) {
        return RejectionOf(R"({"name":"n","main":")" + main +
                           R"(","settings":{"content-mode":"remote"}})");
    };
    for (const char* main :
         {"https://example.com", "HTTPS://Example.com/game?x#y", "https://example.com:8443/",
          "http://localhost", "http://localhost:8080/index.html", "http://127.0.0.1:3000",
          "http://[::1]:5173/", "HTTP://LocalHost/", "http://localhost\\\\x"})
        EXPECT_EQ(remote(main), "accepted") << main;
    for (const char* main :
         {"", "index.html", "http://example.com/", "http://192.168.1.2/", "http://localhost.evil.net/",
          "http://localhost@evil.net/", "http://evil.net#@localhost", "http://localhost:80x/",
          "http://127.0.0.2/", "https://", "https:///path", "https://@/", "file:///C:/game/index.html",
          "ftp://example.com/", "javascript:alert(1)", "//example.com/"})
        EXPECT_EQ(remote(main), "invalid main") << main;
    // Bundle mode's "main" is a path under the app origin, as before.
    EXPECT_EQ(RejectionOf(R"({"name":"n","main":"http://example.com/"})"), "accepted");
}

TEST(ParseManifest, DirectoryHandlesAreChosenByName) {
    const AppManifest all = Parse(R"({"name":"n"})");
    EXPECT_EQ(all.directoryHandles, 0x3FFFu);
    EXPECT_EQ(all.writableDirectoryHandles, 0u);
    EXPECT_EQ(all.allowedPermissions, 0u);
    const AppManifest chosen = Parse(
        R"({"name":"n","settings":{"directory-handles":["user-data","program","videos","program"],
                                   "writable-program-folder":true}})");
    EXPECT_EQ(chosen.directoryHandles, (1u << 0) | (1u << 2) | (1u << 12));
    EXPECT_EQ(chosen.writableDirectoryHandles, 1u);
    EXPECT_EQ(Parse(R"({"name":"n","settings":{"directory-handles":[]}})").directoryHandles, 0u);
    const char* const names[] = {"program",   "content",     "user-data",  "local-app-data",
                                 "roaming-app-data", "desktop", "documents", "downloads",
                                 "pictures",  "profile",     "saved-games", "screenshots", "videos",
                                 "saves"};
    for (uint32_t i = 0; i < 14; ++i)
        EXPECT_EQ(Parse(std::string(R"({"name":"n","settings":{"directory-handles":[")") +
                        names[i] + "\"]}}")
                      .directoryHandles,
                  1u << i)
            << names[i];
    // Only a true boolean opens the program folder for writing.
    EXPECT_EQ(Parse(R"({"name":"n","settings":{"writable-program-folder":"true"}})")
                  .writableDirectoryHandles,
              0u);
    for (const char* list : {R"(["Program"])", R"(["program", "temp"])", R"([0])", R"("program")",
                             R"({"program":true})", R"(null)", R"([["program"]])", R"([""])"})
        EXPECT_EQ(RejectionOf(std::string(R"({"name":"n","settings":{"directory-handles":)") +
                              list + "}}"),
                  "invalid directory handles")
            << list;
}

TEST(ParseManifest, WritableHandlesAndPermissionsByName) {
    const AppManifest named = Parse(R"({"name":"n","settings":{"writable-program-folder":true,
        "writable-directory-handles":["profile"],"permissions":["microphone","local-fonts"]}})");
    EXPECT_EQ(named.writableDirectoryHandles, (1u << 9) | 1u);
    EXPECT_EQ(named.allowedPermissions, (1u << 1) | (1u << 10));
    for (const char* list : {R"(["file-read-write"])", R"(["autoplay"])", R"(["Camera"])",
                             R"("camera")", R"(["camera", 2])"})
        EXPECT_EQ(
            RejectionOf(std::string(R"({"name":"n","settings":{"permissions":)") + list + "}}"),
            "invalid permissions")
            << list;
    EXPECT_EQ(RejectionOf(R"({"name":"n","settings":{"writable-directory-handles":["tmp"]}})"),
              "invalid writable directory handles");
}
