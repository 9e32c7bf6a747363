// Quorrin.exe with the vendor's WebView2Loader.dll beside it, as it ships, on a
// machine with no WebView2 runtime (Wine has none): the runtime check ends as it
// does with the stand-in's loader, and nothing crashes inside the loader.
#include <gtest/gtest.h>

#include <string>

#include "host_process.h"
#include "message_box.h"
#include "util/text/files.h"
#include "util/text/text.h"

namespace {
const std::wstring kFixedModeText =
    L"This app is set to \"fixed\" distribution mode, but the WebView2 control failed to "
    L"initialize. Check there is a valid fixed distribution of Microsoft Edge WebView2 runtime "
    L"in the \"webview2\" subfolder.";

// Reads the one message box of the host and checks it has no owner and only OK.
MessageBoxView ExpectMessageBox(const HostProcess& host) {
    HWND dialog = host.WaitForWindow(L"#32770");
    EXPECT_NE(dialog, nullptr) << "no message box; exit code " << host.WaitForExit(0).value_or(0);
    if (!dialog)
        return {};
    MessageBoxView box = ReadMessageBox(dialog);
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_FALSE(box.hasOwner);
    return box;
}

class FixedModeWithAnEmptyRuntimeFolder : public testing::TestWithParam<Loader> {};
} // namespace

TEST(VendorLoader, EvergreenWithoutARuntimeOffersToInstallItWithTheManifestsText) {
    AppFolder app("vendor-evergreen", Loader::Vendor);
    app.Write("package.json", R"({"name": "vendor-evergreen", "window": {"title": "Vendor Game"},
        "messages": {"install-webview2": "Das Spiel braucht WebView2 \u2014 jetzt holen."}})");
    HostProcess host(app.exePath(), app.path());
    MessageBoxView box = ExpectMessageBox(host);
    EXPECT_EQ(box.caption, L"Vendor Game");
    EXPECT_EQ(box.text, L"Das Spiel braucht WebView2 \u2014 jetzt holen.");
    EXPECT_STREQ(NameOf(box.icon), NameOf(IconKind::Information));
    EXPECT_FALSE(host.WaitForExit(0).has_value()) << "waits for the user";
    // OK would download the vendor's installer from the Internet: the test stops here.
}

TEST_P(FixedModeWithAnEmptyRuntimeFolder, EndsWithTheFixedModeMessageAndExitCode1) {
    AppFolder app("fixed-empty", GetParam());
    app.Write("package.json", R"({"name": "fixed-empty", "window": {"title": "Fixed Game"},
        "settings": {"distribution-mode": "fixed"}})");
    ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(app.path() + "webview2").c_str(), nullptr));
    HostProcess host(app.exePath(), app.path());
    MessageBoxView box = ExpectMessageBox(host);
    EXPECT_EQ(box.caption, L"Fixed Game");
    EXPECT_EQ(box.text, kFixedModeText);
    EXPECT_STREQ(NameOf(box.icon), NameOf(IconKind::Error));
    EXPECT_TRUE(PressButton(box, L"OK"));
    EXPECT_EQ(host.WaitForExit(), std::optional<DWORD>(1));
}

// The vendor's loader resolves a relative "webview2" against the program's folder:
// a runtime in the current directory's "webview2" alone is not found.
TEST(VendorLoader, AFixedRuntimeInTheCurrentDirectoryAloneIsNotFound) {
    AppFolder app("fixed-vendor", Loader::Vendor);
    app.Write("package.json", R"({"name": "fixed-vendor", "window": {"title": "Fixed Game"},
        "settings": {"distribution-mode": "fixed"}})");
    TempFolder elsewhere("cwd");
    const std::string runtime = elsewhere.path() + "webview2\\EBWebView\\x64\\";
    CreateFolders(runtime);
    ASSERT_TRUE(CopyFileW(Utf8ToWide(FolderOfPath(GetExecutablePath()) +
                                     "standin-fixed-runtime\\EmbeddedBrowserWebView.dll")
                              .c_str(),
                          Utf8ToWide(runtime + "EmbeddedBrowserWebView.dll").c_str(), FALSE));
    HostProcess host(app.exePath(), elsewhere.path());
    MessageBoxView box = ExpectMessageBox(host);
    EXPECT_EQ(box.text, kFixedModeText);
    EXPECT_TRUE(PressButton(box, L"OK"));
    EXPECT_EQ(host.WaitForExit(), std::optional<DWORD>(1));
}

INSTANTIATE_TEST_SUITE_P(EitherLoader, FixedModeWithAnEmptyRuntimeFolder,
                         testing::Values(Loader::Standin, Loader::Vendor),
                         [](const testing::TestParamInfo<Loader>& info) {
                             return info.param == Loader::Vendor ? "Vendor" : "Standin";
                         });
