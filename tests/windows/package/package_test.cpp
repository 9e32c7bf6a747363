// What scripts/package made (tests/windows/package/make_packages.sh), read back
// and installed as a user would: the program's resources, the installer's
// files, shortcut and registration, the installed program running, an upgrade
// and an uninstall that keeps the user's data.
#include <gtest/gtest.h>

#include <windows.h>
#include <knownfolders.h>

#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "icon_pixels.h"
#include "installation.h"
#include "process/host_process.h"
#include "process/message_box.h"
#include "support/temp_folder.h"
#include "util/text/files.h"
#include "util/scoped_handle.h"
#include "util/text/text.h"

namespace {
// One packaged variant and the names the packaging must have given it.
struct Package {
    std::string variant;  // its folder below package-test
    std::string fileName; // the executable's, the install folder's and the uninstall key's name
    std::string base;     // the outputs' names: base/, base-win-x64.zip, base-setup.exe
};
const Package kHello{"hello", "quorrin-hello", "quorrin-hello-1.0.0"};
const Package kNewer{"newer", "quorrin-hello", "quorrin-hello-1.1.0"};
// ":" cannot be in a Windows file name; the other characters can.
const Package kNonAscii{"non-ascii", "Spiel Café 游戏", "Spiel Café 游戏-2.0.0-beta.1"};

std::string ProgramFolder(const Package& package) {
    return PackageOutputs(package.variant) + package.base + "\\";
}
std::string Installer(const Package& package) {
    return PackageOutputs(package.variant) + package.base + "-setup.exe";
}
nlohmann::json ManifestOf(const Package& package) {
    return nlohmann::json::parse(ReadFileText(ProgramFolder(package) + "package.json"));
}
std::string TitleOf(const Package& package) {
    return ManifestOf(package)["window"]["title"];
}
std::string InstallFolder(const Package& package) {
    return KnownFolderPathUtf8(FOLDERID_LocalAppData) + "\\Programs\\" + package.fileName + "\\";
}
std::string StartMenuShortcut(const Package& package) {
    return KnownFolderPathUtf8(FOLDERID_Programs) + "\\" + TitleOf(package) + ".lnk";
}
std::string UserDataFolder(const Package& package) {
    return KnownFolderPathUtf8(FOLDERID_LocalAppData) + "\\" +
           ManifestOf(package)["name"].get<std::string>() + "\\";
}

// "2.0.0-beta.1" gives "2.0.0.0": the numbers before any label, four of them.
std::string FourNumbers(const std::string& version) {
    unsigned parts[4] = {};
    std::sscanf(version.c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]);
    return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." +
           std::to_string(parts[2]) + "." + std::to_string(parts[3]);
}

// Runs an installer or uninstaller with /S (silent) and any further arguments.
std::optional<DWORD> RunSilently(const std::string& program, const std::string& arguments = "") {
    std::string commandLine = "\"";
    commandLine += program;
    commandLine += "\" /S";
    if (!arguments.empty())
        commandLine += " " + arguments;
    return RunToExit(commandLine);
}

// The uninstaller in its folder (not the copy it starts), so its exit code counts.
std::optional<DWORD> UninstallInPlace(const Package& package) {
    const std::string folder = InstallFolder(package);
    return RunSilently(folder + "uninstall.exe", "_?=" + folder.substr(0, folder.size() - 1));
}

// A player runs the installer while the program runs: asked to close it, and
// Cancel changes nothing.
void ExpectAskedToCloseTheProgram(const Package& package) {
    std::wstring commandLine = L"\"" + Utf8ToWide(Installer(package)) + L"\"";
    const ScopedProcess installer = StartProcess(nullptr, commandLine.data(), nullptr);
    ASSERT_TRUE(installer.process);
    // The question comes after the installer has waited 10 s for the files, while
    // its own dialog window already exists, hidden.
    HWND dialog = nullptr;
    EXPECT_TRUE(WaitUntil([&] {
        dialog = nullptr;
        while ((dialog = FindWindowExW(nullptr, dialog, L"#32770", nullptr)) != nullptr)
            if (IsWindowVisible(dialog) && !ReadMessageBox(dialog).text.empty())
                return true;
        return false;
    }));
    if (dialog) {
        const MessageBoxView box = ReadMessageBox(dialog);
        EXPECT_EQ(WideToUtf8(box.text),
                  TitleOf(package) + " is running. Close it, then choose Retry.");
        EXPECT_EQ(box.icon, IconKind::Warning);
        EXPECT_TRUE(PressButton(box, L"Cancel"));
    }
    DWORD exitCode = 0;
    EXPECT_EQ(WaitForSingleObject(installer.process.get(), kDeadlineMs), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(installer.process.get(), &exitCode));
    EXPECT_EQ(exitCode, 2u);
}

// Exit codes of a silent installer or uninstaller that changed nothing.
constexpr DWORD kProgramRunning = 2;
constexpr DWORD kNewerInstalled = 3;

// Installs silently and expects exit code 0 (RemoveLeftovers first).
void InstallSilently(const Package& package) {
    RemoveLeftovers(InstallFolder(package), package.fileName, StartMenuShortcut(package));
    ASSERT_EQ(RunSilently(Installer(package)), std::optional<DWORD>(0));
}

// The uninstaller copies itself away and returns at once: wait for its work.
void UninstallSilently(const Package& package) {
    ASSERT_TRUE(RunSilently(InstallFolder(package) + "uninstall.exe").has_value());
    EXPECT_TRUE(WaitUntil(
        [&] {
            return !UninstallKeyExists(package.fileName) && !PathExists(InstallFolder(package));
        },
        60000))
        << "the uninstaller did not remove the folder and the registration";
    EXPECT_FALSE(PathExists(StartMenuShortcut(package)));
}

void ExpectRegistration(const Package& package) {
    const nlohmann::json manifest = ManifestOf(package);
    const std::string exe = InstallFolder(package) + package.fileName + ".exe";
    const std::string folder = InstallFolder(package);
    EXPECT_EQ(UninstallText(package.fileName, "DisplayName"), TitleOf(package));
    EXPECT_EQ(UninstallText(package.fileName, "DisplayIcon"), exe + ",0");
    EXPECT_EQ(UninstallText(package.fileName, "DisplayVersion"), manifest["version"]);
    EXPECT_EQ(UninstallText(package.fileName, "Publisher"), manifest["author"]);
    EXPECT_EQ(UninstallText(package.fileName, "InstallLocation"),
              folder.substr(0, folder.size() - 1));
    EXPECT_EQ(UninstallText(package.fileName, "UninstallString"),
              "\"" + folder + "uninstall.exe\"");
    EXPECT_EQ(UninstallText(package.fileName, "QuietUninstallString"),
              "\"" + folder + "uninstall.exe\" /S");
    EXPECT_EQ(UninstallNumber(package.fileName, "NoModify"), std::optional<DWORD>(1));
    EXPECT_GT(UninstallNumber(package.fileName, "EstimatedSize").value_or(0), 100u);
}

// The installed program, with the stand-in runtime in place of the vendor's
// loader, shows its main window with the manifest's title and the icon.
void ExpectInstalledProgramRuns(const Package& package) {
    const std::string bin = FolderOfPath(GetExecutablePath());
    ASSERT_TRUE(CopyFileW(Utf8ToWide(bin + "WebView2Loader.dll").c_str(),
                          Utf8ToWide(InstallFolder(package) + "WebView2Loader.dll").c_str(),
                          FALSE));
    WriteFileBytes(KnownFolderPathUtf8(FOLDERID_LocalAppData) +
                       "\\WebView2Standin\\webview2-standin.marker",
                   "installed for the tests\n");
    HostProcess host(ShortcutTarget(StartMenuShortcut(package)), InstallFolder(package));
    ASSERT_TRUE(host.started());
    HWND window = host.WaitForWindow(L"Quorrin");
    ASSERT_NE(window, nullptr) << "no main window";
    EXPECT_EQ(WideToUtf8(TextOf(window)), TitleOf(package));
    const ArgbImage icon = LoadImageFile(InstallFolder(package) +
                                         ManifestOf(package)["window"]["icon"].get<std::string>());
    EXPECT_TRUE(CaptionShowsImage(window, icon)) << "the caption does not show the icon";
    // While it runs, installing over it and uninstalling it refuse and change nothing.
    ExpectAskedToCloseTheProgram(package);
    EXPECT_EQ(RunSilently(Installer(package)), std::optional<DWORD>(kProgramRunning));
    EXPECT_EQ(UninstallInPlace(package), std::optional<DWORD>(kProgramRunning));
    EXPECT_TRUE(PathExists(InstallFolder(package) + "uninstall.exe"));
    EXPECT_TRUE(PathExists(InstallFolder(package) + "www\\index.html"));
    EXPECT_TRUE(UninstallKeyExists(package.fileName));
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(host.WaitForExit(), std::optional<DWORD>(0));
}
} // namespace

TEST(PackagedProgram, FolderHoldsTheRenamedProgramTheApplicationAndTheVendorsLoader) {
    const std::string folder = ProgramFolder(kHello);
    for (const char* file : {"quorrin-hello.exe", "package.json", "icon.png", "www\\index.html",
                             "www\\app.js", "www\\style.css"})
        EXPECT_TRUE(PathExists(folder + file)) << file;
    EXPECT_FALSE(PathExists(folder + "Quorrin.exe"));
    EXPECT_TRUE(
        SameFileContent(folder + "WebView2Loader.dll",
                        FolderOfPath(GetExecutablePath()) + "vendor-loader\\WebView2Loader.dll"));
    EXPECT_TRUE(PathExists(PackageOutputs("hello") + kHello.base + "-win-x64.zip"));
    EXPECT_TRUE(PathExists(Installer(kHello)));
    EXPECT_TRUE(PathExists(ProgramFolder(kNonAscii) + kNonAscii.fileName + ".exe"));
    EXPECT_TRUE(PathExists(ProgramFolder(kNonAscii) + "Brenmoor.dll"));
    EXPECT_FALSE(PathExists(ProgramFolder(kHello) + "Brenmoor.dll")) << "hello has none";
}

TEST(PackagedProgram, IconGroupHasEverySizeWindowsAsksForAndThePngsPixels) {
    const std::string exe = ProgramFolder(kHello) + "quorrin-hello.exe";
    EXPECT_EQ(IconGroupSizes(exe), (std::vector<int>{16, 20, 24, 32, 40, 48, 64, 96, 128, 256}));
    const ArgbImage png = LoadImageFile(ProgramFolder(kHello) + "icon.png");
    ASSERT_GT(png.width, 0) << "cannot read the application's icon.png";
    // Three pixels of margin at 32 by 32: the reach of the usual resampling filters.
    const Comparison comparison = Compare(ResampledWhereUniform(png, 32, 3), IconImage(exe, 32), 3);
    EXPECT_GE(comparison.compared, 32 * 32 / 8) << "too little of the image compared";
    EXPECT_EQ(comparison.different, 0);
}

TEST(PackagedProgram, VersionResourceComesFromPackageJson) {
    for (const Package& package : {kHello, kNonAscii}) {
        SCOPED_TRACE(package.variant);
        const nlohmann::json manifest = ManifestOf(package);
        const std::string exe = ProgramFolder(package) + package.fileName + ".exe";
        const std::string version = manifest["version"];
        EXPECT_EQ(VersionText(exe, "ProductName"), TitleOf(package));
        EXPECT_EQ(VersionText(exe, "FileDescription"), manifest["description"]);
        EXPECT_EQ(VersionText(exe, "CompanyName"), manifest["author"]);
        EXPECT_EQ(VersionText(exe, "ProductVersion"), version);
        EXPECT_EQ(VersionText(exe, "FileVersion"), version);
        EXPECT_EQ(VersionText(exe, "OriginalFilename"), package.fileName + ".exe");
        EXPECT_EQ(FixedFileVersion(exe), FourNumbers(version));
    }
}

TEST(Installer, InstallsRunsUpgradesAndUninstallsKeepingTheUserData) {
    InstallSilently(kHello);
    const std::string folder = InstallFolder(kHello);
    for (const char* file : {"quorrin-hello.exe", "package.json", "icon.png", "www\\index.html",
                             "www\\style.css", "WebView2Loader.dll", "uninstall.exe"})
        EXPECT_TRUE(PathExists(folder + file)) << file;
    EXPECT_EQ(ShortcutTarget(StartMenuShortcut(kHello)), folder + "quorrin-hello.exe");
    EXPECT_FALSE(
        PathExists(KnownFolderPathUtf8(FOLDERID_Desktop) + "\\" + TitleOf(kHello) + ".lnk"))
        << "the desktop shortcut is optional, off by default";
    ExpectRegistration(kHello);
    ExpectInstalledProgramRuns(kHello);

    // A saved game in the user data folder, then the newer version over the older.
    const std::string savedGame = UserDataFolder(kHello) + "saved-game.txt";
    WriteFileBytes(savedGame, "level 3\n");
    ASSERT_EQ(RunSilently(Installer(kNewer)), std::optional<DWORD>(0));
    EXPECT_EQ(UninstallText(kNewer.fileName, "DisplayVersion"),
              std::optional<std::string>("1.1.0"));
    EXPECT_EQ(VersionText(folder + "quorrin-hello.exe", "ProductVersion"), "1.1.0");
    EXPECT_TRUE(PathExists(folder + "www\\index.html"));
    EXPECT_FALSE(PathExists(folder + "www\\style.css")) << "left over from the older version";
    EXPECT_EQ(ShortcutTarget(StartMenuShortcut(kNewer)), folder + "quorrin-hello.exe");
    EXPECT_EQ(ReadFileText(savedGame), "level 3\n");
    EXPECT_TRUE(PathExists(folder + "MicrosoftEdgeWebView2RuntimeInstallerX64.exe"));

    // The older version over the newer: a silent installer refuses.
    EXPECT_EQ(RunSilently(Installer(kHello)), std::optional<DWORD>(kNewerInstalled));
    EXPECT_EQ(VersionText(folder + "quorrin-hello.exe", "ProductVersion"), "1.1.0");
    EXPECT_EQ(UninstallText(kNewer.fileName, "DisplayVersion"),
              std::optional<std::string>("1.1.0"));

    UninstallSilently(kNewer);
    EXPECT_EQ(ReadFileText(savedGame), "level 3\n") << "uninstalling removed the user's data";
    DeleteFileW(Utf8ToWide(savedGame).c_str());
}

// A process running from the installed fixed runtime's folder, as the runtime's
// own processes do for a moment after the program has closed: hold_file copied
// there, holding a file of its own until it is let go.
class RuntimeProcess {
public:
    explicit RuntimeProcess(const std::string& exePath) {
        const std::string bin = FolderOfPath(GetExecutablePath());
        CopyFileW(Utf8ToWide(bin + "hold_file.exe").c_str(), Utf8ToWide(exePath).c_str(), FALSE);
        WriteFileBytes(exePath + ".held", "");
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        HANDLE read = nullptr;
        if (!CreatePipe(&read, &input_, &inherit, 0))
            return;
        SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = read;
        std::wstring commandLine =
            L"\"" + Utf8ToWide(exePath) + L"\" \"" + Utf8ToWide(exePath + ".held") + L"\"";
        PROCESS_INFORMATION info = {};
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                           &startup, &info)) {
            process_ = info.hProcess;
            CloseHandle(info.hThread);
        }
        CloseHandle(read);
    }
    ~RuntimeProcess() { LetGo(); }
    bool started() const { return process_ != nullptr; }
    // Its standard input closes, and it ends.
    void LetGo() {
        if (input_)
            CloseHandle(std::exchange(input_, nullptr));
        if (process_) {
            WaitForSingleObject(process_, kDeadlineMs);
            CloseHandle(std::exchange(process_, nullptr));
        }
    }

private:
    HANDLE input_ = nullptr;
    HANDLE process_ = nullptr;
};

TEST(Installer, WaitsForTheFixedRuntimesProcessesBeforeAsking) {
    InstallSilently(kNonAscii);
    const std::string runtime = InstallFolder(kNonAscii) + "webview2\\msedgewebview2.exe";
    {
        RuntimeProcess held(runtime);
        ASSERT_TRUE(held.started());
        const ULONGLONG started = GetTickCount64();
        EXPECT_EQ(RunSilently(Installer(kNonAscii)), std::optional<DWORD>(kProgramRunning));
        EXPECT_GE(GetTickCount64() - started, 10000u) << "it asked without waiting";
        EXPECT_EQ(UninstallInPlace(kNonAscii), std::optional<DWORD>(kProgramRunning));
    }
    {
        // Released while the installer waits: it goes on.
        RuntimeProcess held(runtime);
        ASSERT_TRUE(held.started());
        std::wstring commandLine = L"\"" + Utf8ToWide(Installer(kNonAscii)) + L"\" /S";
        const ScopedProcess installer = StartProcess(nullptr, commandLine.data(), nullptr);
        ASSERT_TRUE(installer.process);
        EXPECT_EQ(WaitForSingleObject(installer.process.get(), 2000),
                  static_cast<DWORD>(WAIT_TIMEOUT))
            << "it did not wait";
        held.LetGo();
        DWORD exitCode = 1;
        EXPECT_EQ(WaitForSingleObject(installer.process.get(), kDeadlineMs), WAIT_OBJECT_0);
        EXPECT_TRUE(GetExitCodeProcess(installer.process.get(), &exitCode));
        EXPECT_EQ(exitCode, 0u);
    }
    DeleteFileW(Utf8ToWide(runtime).c_str());
    DeleteFileW(Utf8ToWide(runtime + ".held").c_str());
    UninstallSilently(kNonAscii);
}

TEST(Installer, NonAsciiNameGivesTheFolderTheProgramTheShortcutAndTheRegistration) {
    IcaclsRecorder icacls;
    InstallSilently(kNonAscii);
    // A fixed runtime: the app-container identities may read and run it.
    const std::string runtime = InstallFolder(kNonAscii) + "webview2";
    EXPECT_TRUE(PathExists(runtime + "\\EBWebView\\x64\\EmbeddedBrowserWebView.dll"));
    EXPECT_EQ(icacls.Calls(),
              (std::vector<std::string>{runtime + " /grant *S-1-15-2-2:(OI)(CI)(RX)",
                                        runtime + " /grant *S-1-15-2-1:(OI)(CI)(RX)"}));
    EXPECT_TRUE(PathExists(InstallFolder(kNonAscii) + kNonAscii.fileName + ".exe"));
    EXPECT_TRUE(PathExists(InstallFolder(kNonAscii) + "Brenmoor.dll"));
    EXPECT_EQ(ShortcutTarget(StartMenuShortcut(kNonAscii)),
              InstallFolder(kNonAscii) + kNonAscii.fileName + ".exe");
    ExpectRegistration(kNonAscii);
    UninstallSilently(kNonAscii);
}
