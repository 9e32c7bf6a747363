// Quorrin.exe started as a user would, in its own application folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <knownfolders.h>

#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host_process.h"
#include "message_box.h"
#include "screen.h"
#include <nlohmann/json.hpp>

#include "util/text/files.h"
#include "util/text/text.h"

namespace {
// Every start here finds an installed evergreen runtime: the stand-in's marker.
class StandinRuntimeInstalled : public testing::Environment {
    void SetUp() override {
        WriteFileBytes(KnownFolderPathUtf8(FOLDERID_LocalAppData) +
                           "\\WebView2Standin\\webview2-standin.marker",
                       "installed for the tests\n");
    }
};
const auto* const kStandinRuntime = testing::AddGlobalTestEnvironment(new StandinRuntimeInstalled);

const std::wstring kLoadFailed =
    L"Failed to load package.json. Check the file is in the same folder as the app.";
const std::wstring kParseFailed = L"Failed to parse package.json. Check the file has valid JSON "
                                  L"and that all parameters are correct.";

struct MainWindowView {
    std::wstring caption;
    LONG style = 0;
    bool visible = true;
    SIZE client = {};
    bool showsTinyPng = false; // the caption's icon is the test image
};

MainWindowView ReadMainWindow(HWND window) {
    MainWindowView view;
    view.caption = TextOf(window);
    view.style = GetWindowLongW(window, GWL_STYLE) & ~WS_CLIPSIBLINGS;
    view.visible = IsWindowVisible(window);
    RECT client;
    GetClientRect(window, &client);
    view.client = {client.right - client.left, client.bottom - client.top};
    view.showsTinyPng = CaptionShowsTinyPng(window);
    return view;
}

// Expects the start-up error box with this text, presses OK and returns the exit code.
std::optional<DWORD> ExpectStartupError(HostProcess& host, const std::wstring& text) {
    HWND dialog = host.WaitForWindow(L"#32770");
    EXPECT_NE(dialog, nullptr) << "no message box";
    if (!dialog)
        return host.WaitForExit(0);
    MessageBoxView box = ReadMessageBox(dialog);
    EXPECT_EQ(box.caption, L"Quorrin");
    EXPECT_EQ(box.text, text);
    EXPECT_STREQ(NameOf(box.icon), NameOf(IconKind::Error));
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_FALSE(box.hasOwner);
    for (HWND window : host.TopLevelWindows())
        EXPECT_NE(ClassNameOf(window), L"Quorrin") << "no main window before a failed start-up";
    EXPECT_TRUE(PressButton(box, L"OK"));
    return host.WaitForExit();
}

// Waits for the hidden main window, closes it as a user would, expects exit code 0.
MainWindowView RunUntilClosed(HostProcess& host) {
    HWND window = host.WaitForWindow(L"Quorrin");
    EXPECT_NE(window, nullptr) << "no main window";
    if (!window)
        return {};
    MainWindowView view = ReadMainWindow(window);
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(host.WaitForExit(), std::optional<DWORD>(0));
    return view;
}
} // namespace

namespace {
struct BadManifest {
    std::string label;
    std::optional<std::string> manifest; // nothing: no package.json at all
    const std::wstring* message = nullptr;
};

// bad_manifests.json beside the test, shared with the quorrin command's test:
// each text is bytes written as characters below U+0100.
std::vector<BadManifest> BadManifestTable() {
    std::ifstream file(
        Utf8ToWide(FolderOfPath(GetExecutablePath()) + "bad_manifests.json").c_str());
    const nlohmann::json table = nlohmann::json::parse(file, nullptr, false);
    std::vector<BadManifest> rows;
    for (const nlohmann::json& row : table.value("cases", nlohmann::json::array())) {
        BadManifest bad{row["label"].get<std::string>(), std::nullopt,
                        row["box"] == "load" ? &kLoadFailed : &kParseFailed};
        if (!row["manifest"].is_null()) {
            std::string text;
            for (wchar_t c : Utf8ToWide(row["manifest"].get<std::string>()))
                text.push_back(static_cast<char>(c));
            bad.manifest.emplace();
            for (int i = 0; i < row.value("repeat", 1); ++i)
                *bad.manifest += text;
        }
        rows.push_back(std::move(bad));
    }
    return rows;
}
} // namespace

TEST(Startup, BadManifestsEndInTheirMessageAndExitCode1) {
    const std::vector<BadManifest> cases = BadManifestTable();
    ASSERT_GE(cases.size(), 10u) << "bad_manifests.json was not read";
    for (const BadManifest& c : cases) {
        SCOPED_TRACE(c.label);
        AppFolder app;
        if (c.manifest)
            app.Write("package.json", *c.manifest);
        HostProcess host(app.exePath());
        ASSERT_TRUE(host.started());
        EXPECT_EQ(ExpectStartupError(host, *c.message), std::optional<DWORD>(1));
    }
}

TEST(Startup, AFolderNamedPackageJsonIsALoadFailure) {
    AppFolder app;
    CreateFolders(app.path() + "package.json\\");
    HostProcess host(app.exePath());
    EXPECT_EQ(ExpectStartupError(host, kLoadFailed), std::optional<DWORD>(1));
}

TEST(Startup, DefaultWindowIsHiddenAndClosesWithExitCode0) {
    AppFolder app;
    app.Write("package.json", "\xEF\xBB\xBF{\"name\":\"defaults\"}");
    HostProcess host(app.exePath());
    MainWindowView view = RunUntilClosed(host);
    EXPECT_EQ(view.caption, L"Quorrin");
    EXPECT_EQ(view.style, 0x00CF0000);
    EXPECT_FALSE(view.visible);
    EXPECT_EQ(view.client.cx, 1024);
    EXPECT_EQ(view.client.cy, 768);
    EXPECT_FALSE(view.showsTinyPng);
}

TEST(Startup, WindowFollowsTheManifest) {
    AppFolder app;
    app.Write("images\\app.png", TinyPng());
    app.Write("package.json", std::string(R"({"name":"custom","window":{
        "title":"Sp\u00efel \u20ac","width":800,"height":600.7,"resizable":false,
        "icon":"images/app.png"}})") +
                                  std::string("\0 trailing bytes after a NUL", 28));
    HostProcess host(app.exePath());
    MainWindowView view = RunUntilClosed(host);
    EXPECT_EQ(view.caption, L"Sp\x00EF"
                            L"el \x20AC");
    EXPECT_EQ(view.style, 0x00CA0000);
    EXPECT_EQ(view.client.cx, 800);
    EXPECT_EQ(view.client.cy, 600);
    EXPECT_TRUE(view.showsTinyPng);
}

// Shown before its icon is decoded, the window takes the icon once it is, with
// GDI+ from System32: loaded on first use, never from the program's folder.
TEST(Startup, AWindowShownAtOnceGetsItsIconAfter) {
    AppFolder app;
    app.Write("gdiplus.dll", "not a library");
    app.Write("images\\app.png", TinyPng());
    app.Write("package.json",
              R"({"name":"at-once-icon","window":{"show":"at-once","icon":"images/app.png"}})");
    HostProcess host(app.exePath());
    HWND window = host.WaitForWindow(L"Quorrin");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return CaptionShowsTinyPng(window); }));
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(host.WaitForExit(), std::optional<DWORD>(0));
}

TEST(Startup, UnusableIconsFallBackToTheDefault) {
    AppFolder app;
    app.Write("bad.png", "not an image");
    for (std::string icon : {"missing.png", "bad.png", "images", ""}) {
        SCOPED_TRACE(icon);
        app.Write("package.json", R"({"name":"n","window":{"icon":")" + icon + "\"}}");
        HostProcess host(app.exePath());
        EXPECT_FALSE(RunUntilClosed(host).showsTinyPng);
    }
    // An absolute path is appended to the application folder and finds nothing.
    app.Write("images\\app.png", TinyPng());
    std::string absolute = app.path() + "images\\app.png";
    nlohmann::json manifest = {{"name", "n"}, {"window", {{"icon", absolute}}}};
    app.Write("package.json", manifest.dump());
    HostProcess host(app.exePath());
    EXPECT_FALSE(RunUntilClosed(host).showsTinyPng);
}

TEST(Startup, ClientAreaIsScaledForTheScreenDpi) {
    struct Case {
        DWORD dpi;
        LONG width, height;
    } cases[] = {{120, 1280, 960}, {144, 1536, 1152}, {96, 1024, 768}};
    AppFolder app;
    app.Write("package.json", R"({"name":"dpi"})");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        ScopedScreenDpi dpi(c.dpi);
        HostProcess host(app.exePath());
        MainWindowView view = RunUntilClosed(host);
        EXPECT_EQ(view.client.cx, c.width);
        EXPECT_EQ(view.client.cy, c.height);
    }
}

TEST(Startup, FindsItsManifestInAFolderWithAUnicodeName) {
    AppFolder app("app-\xC3\xBC\xE2\x82\xAC");
    app.Write("package.json", R"({"name":"unicode","window":{"title":"unicode"}})");
    HostProcess host(app.exePath());
    EXPECT_EQ(RunUntilClosed(host).caption, L"unicode");
}

TEST(Startup, ExtremeSizesDoNotCrash) {
    AppFolder app;
    for (const char* size : {"0", "-5", "2147483647", "-2147483648", "1e300"}) {
        SCOPED_TRACE(size);
        app.Write("package.json", std::string(R"({"name":"n","window":{"width":)") + size +
                                      R"(,"height":)" + size + "}}");
        HostProcess host(app.exePath());
        // Either the window exists and closes normally, or creation failed with its message.
        HWND window = host.WaitForWindow(L"Quorrin");
        if (window) {
            PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            EXPECT_EQ(host.WaitForExit(), std::optional<DWORD>(0));
        } else {
            EXPECT_EQ(ExpectStartupError(host, L"Failed to create window"),
                      std::optional<DWORD>(1));
        }
    }
}
