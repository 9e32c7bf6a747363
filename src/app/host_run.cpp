#include "app/host_run.h"

#include <initializer_list>

#include <knownfolders.h>
#include <shellapi.h>

#include "app/full_screen_start.h"
#include "app/icon.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/startup_log.h"
#include "util/log/author_log.h"
#include "util/text/files.h"
#include "util/text/text.h"
#include "util/whole_files.h"
#include "util/windows_version.h"
#include "util/message_box.h"
#include "util/message_loop.h"

namespace {
constexpr char kContentFolder[] = "www\\";
constexpr char kHostCaption[] = "Quorrin";
constexpr char kLoadFailedMessage[] =
    "Failed to load package.json. Check the file is in the same folder as the app.";
constexpr char kParseFailedMessage[] = "Failed to parse package.json. Check the file has "
                                       "valid JSON and that all parameters are correct.";
constexpr char kRegisterClassFailedMessage[] = "Failed to register window class";
constexpr char kCreateWindowFailedMessage[] = "Failed to create window";

int FailStartup(const char* message) {
    ShowMessage(message, kHostCaption, MB_ICONERROR);
    return 1;
}

bool EnvironmentSaysOne(const wchar_t* name) {
    wchar_t value[4] = {};
    return GetEnvironmentVariableW(name, value, 4) == 1 && value[0] == L'1';
}

// The detailed reason of a rejected manifest is never shown, so every failure
// collapses to false here.
bool TryParseManifest(const std::string& text, AppManifest& manifest) {
    try {
        ParseManifest(text, manifest);
        return true;
    } catch (...) {
        return false;
    }
}

HICON LoadWindowIcon(HINSTANCE instance, const std::string& applicationFolder,
                     const AppManifest& manifest) {
    HICON icon = nullptr;
    if (!manifest.icon.empty())
        icon = LoadIconFromImageFile(applicationFolder + manifest.icon);
    // The executable carries no icon resource, so this usually stays null and
    // the system shows its default window icon.
    if (!icon)
        icon = LoadIconW(instance, IDI_APPLICATION);
    return icon;
}
} // namespace

int HostRun::Run() {
    using Phase = Outcome (HostRun::*)();
    if (const Outcome exitCode = ReadConfiguration())
        return *exitCode;
    // With "at-once" players see the window, in its background colour, while the
    // runtime is checked, the extension loads and the browser starts; the profile
    // folder and the author's log follow it unless something before it needs them.
    // The icon is decoded last, while the engine starts; a window shown by then
    // takes it late.
    const std::initializer_list<Phase> windowLast = {&HostRun::OpenUserData,
                                                     &HostRun::PassSingleInstanceGate,
                                                     &HostRun::PassSteamGate,
                                                     &HostRun::PassRuntimeGate,
                                                     &HostRun::CollectCrashReports,
                                                     &HostRun::LoadExtension,
                                                     &HostRun::OpenWindow,
                                                     &HostRun::StartBrowser,
                                                     &HostRun::DecodeIcon};
    const std::initializer_list<Phase> windowFirst = {&HostRun::OpenUserDataForGates,
                                                      &HostRun::PassSingleInstanceGate,
                                                      &HostRun::PassSteamGate,
                                                      &HostRun::OpenWindow,
                                                      &HostRun::OpenUserData,
                                                      &HostRun::PassRuntimeGate,
                                                      &HostRun::CollectCrashReports,
                                                      &HostRun::LoadExtension,
                                                      &HostRun::StartBrowser,
                                                      &HostRun::DecodeIcon};
    for (const Phase phase : manifest_.show == WindowShow::AtOnce ? windowFirst : windowLast)
        if (const Outcome exitCode = (this->*phase)())
            return *exitCode;
    return RunLoop();
}

HostRun::Outcome HostRun::ReadConfiguration() {
    applicationFolder_ = FolderOfPath(GetExecutablePath());
    const std::string manifestText = ReadManifestText(applicationFolder_ + "package.json");
    const bool parsed = !manifestText.empty() && TryParseManifest(manifestText, manifest_);
    // Before any window, COM's own included; a refused manifest's message box is
    // system aware, as it always was.
    dpi_ = DpiChoice::ChooseAwareness(parsed && manifest_.dpiAwareness == DpiAwareness::PerMonitor);
    // COM stays initialised until the process ends.
    comStarted_ = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (manifestText.empty())
        return FailStartup(kLoadFailedMessage);
    if (!parsed)
        return FailStartup(kParseFailedMessage);
    return {};
}

// The browser control's profile folder (and the installer's download folder),
// and the author's log beside it. Finding the folder loads the shell.
HostRun::Outcome HostRun::OpenUserData() {
    if (!userDataFolder_.empty())
        return {};
    userDataFolder_ = KnownFolderPathUtf8(FOLDERID_LocalAppData) + "\\" + manifest_.name;
    logStart_ = FullFileSizeOf(AuthorLogPath());
    OpenAuthorLog(userDataFolder_ + kAuthorLogFolderSuffix);
    LogStartup(manifest_, applicationFolder_);
    LogIfFailed("CoInitializeEx", comStarted_);
    return {};
}

std::string HostRun::AuthorLogPath() const {
    return userDataFolder_ + kAuthorLogFolderSuffix + "\\" + kAuthorLogFileName;
}

// After the gates, so that a start that hands over to the first copy or to
// Steam leaves the running copy's record alone, and before the window (unless
// it is shown at once) and the browser.
HostRun::Outcome HostRun::CollectCrashReports() {
    lastRun_ = CollectLastRun(userDataFolder_, {AuthorLogPath(), logStart_});
    RunFacts facts;
    facts.started = SecondsSince1970();
    facts.name = manifest_.name;
    facts.version = manifest_.version;
    facts.windows = WindowsVersion();
    facts.logStart = logStart_;
    facts.quickCrashes = lastRun_.quickCrashes;
    runRecord_.emplace(userDataFolder_, std::move(facts));
    if (!lastRun_.crashed)
        return {};
    LogForAuthor("the last run crashed (" + lastRun_.kind + "): " +
                 (lastRun_.archive.empty() ? "its report could not be written"
                                           : "its report is " + lastRun_.archive));
    return lastRun_.crashLoop ? OfferCrashReports() : Outcome();
}

// Crashes soon after every start: rather than a fourth silent one, the player
// learns where the reports are. Yes opens that folder and ends; No starts again.
HostRun::Outcome HostRun::OfferCrashReports() {
    const std::string folder = userDataFolder_ + "\\" + kCrashReportsFolder;
    LogForAuthor("crashed soon after each of the last three starts: offering the reports");
    const std::string text = "The game stopped unexpectedly soon after each of its last three "
                             "starts. Reports of what happened are in this folder:\n\n" + folder +
                             "\n\nOpen the folder now? Choose No to start the game again.";
    if (!AskYesNo(text, manifest_.title, window_))
        return {};
    ShellExecuteW(nullptr, L"open", Utf8ToWide(folder).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return 0;
}

// The gates write to the author's log, and a remembered placement is kept in the
// profile folder: then the window waits for them.
HostRun::Outcome HostRun::OpenUserDataForGates() {
    if (manifest_.singleInstance || manifest_.steam.appId != 0 || manifest_.rememberPlacement)
        return OpenUserData();
    return {};
}

// A later start of a single-instance application only wakes the first copy:
// no web view. The log says what became of it.
HostRun::Outcome HostRun::PassSingleInstanceGate() {
    if (manifest_.singleInstance &&
        singleInstance_.emplace(manifest_.name).DeferToFirstCopy(CommandLineArguments()))
        return 0;
    return {};
}

// Before any window: Steam may start the program again itself.
HostRun::Outcome HostRun::PassSteamGate() {
    if (steam_.emplace(manifest_.steam, applicationFolder_).HandOverToSteam())
        return 0;
    return {};
}

// Decoding an image icon takes GDI+ and the system's codecs, so it waits until
// the engine is starting, unless a setup window needs it first.
HICON HostRun::WindowIcon() {
    if (!gdiplus_) {
        gdiplus_.emplace();
        icon_ = LoadWindowIcon(instance_, applicationFolder_, manifest_);
    }
    return icon_;
}

HostRun::Outcome HostRun::DecodeIcon() {
    SetMainWindowIcon(window_, WindowIcon());
    return {};
}

HostRun::Outcome HostRun::PassRuntimeGate() {
    runtime_ = EnsureRuntime(manifest_, instance_, userDataFolder_,
                             {[this] { return WindowIcon(); }, dpi_});
    if (!runtime_)
        return 1;
    return {};
}

HostRun::Outcome HostRun::OpenWindow() {
    if (!RegisterMainWindowClass(instance_, icon_, manifest_.backgroundColor))
        return FailStartup(kRegisterClassFailedMessage);
    if (manifest_.rememberPlacement)
        placement_ = placementKeeper_.emplace(userDataFolder_, dpi_).Load();
    window_ = CreateMainWindow(instance_, manifest_, dpi_, placement_ ? &*placement_ : nullptr);
    if (!window_)
        return FailStartup(kCreateWindowFailedMessage);
    if (manifest_.show == WindowShow::AtOnce)
        ShowPaintedNow(window_);
    return {};
}

HostRun::Outcome HostRun::LoadExtension() {
    extensions_.emplace(applicationFolder_, kContentFolder, userDataFolder_);
    return {};
}

HostRun::Outcome HostRun::StartBrowser() {
    extensions_->MainWindowCreated(window_);
    browser_.emplace(manifest_, window_, dpi_, applicationFolder_, kContentFolder,
                     runtime_->browserExecutableFolder, userDataFolder_);
    published_.emplace(*browser_, window_);
    browser_->ReportCrashesWith(*runRecord_, lastRun_);
    browser_->AnswerSteamCallsWith(
        [this](const nlohmann::json& message) { return steam_->Answer(message); });
    OfferSaves();
    OfferSteamOverlay();
    timers_.emplace(*steam_, window_,
                    [this](const std::string& json) { browser_->PostToPage(json); });
    EnterFullScreenIfAsked();
    if (singleInstance_)
        singleInstance_->Publish(window_);
    windowLinks_.emplace(window_, placementKeeper_ ? &*placementKeeper_ : nullptr,
                         singleInstance_ ? &*singleInstance_ : nullptr);
    if (placementKeeper_)
        placementKeeper_->Track(window_, false); // where it was created
    browser_->Init();
    return {};
}

// A newer copy in Steam Cloud is told to the page whenever it starts.
void HostRun::OfferSaves() {
    // A library without the cloud's exports keeps the saves local.
    saves_.emplace(KnownFolderPathUtf8(FOLDERID_SavedGames), manifest_.name, steam_->Client(),
                   manifest_.savesSteamCloud && steam_->Has(SteamFamily::Cloud));
    browser_->OfferSaves(
        saves_->Folder(), [this](const nlohmann::json& message) { return saves_->Answer(message); },
        [this] {
            for (const std::string& conflict : saves_->ConflictEvents())
                browser_->PostToPage(conflict);
        });
}

// Steam's overlay over the page, and Steam's screenshots of it, where Steam offers them.
void HostRun::OfferSteamOverlay() {
    overlay_.emplace(*steam_, window_, [this](std::function<void(PagePixels)> done) {
        browser_->CapturePageImage(std::move(done));
    });
    if (overlay_->TakesScreenshots())
        browser_->TakeScreenshotKeyWith([this] { return overlay_ && overlay_->OnScreenshotKey(); });
    if (!overlay_->HasSurface())
        return;
    browser_->HearOverlayKeyWith([this] {
        if (overlay_)
            overlay_->OnOverlayKey();
    });
    browser_->RunInEveryDocument("Steam's overlay key", kOverlayKeyScript);
}

// The author's choice, the player's remembered placement, or Steam's big screens.
void HostRun::EnterFullScreenIfAsked() {
    const FullScreenAtStart start =
        ChooseFullScreenAtStart(manifest_.fullScreenStart, EnvironmentSaysOne(L"SteamDeck"),
                                EnvironmentSaysOne(L"SteamTenfoot"));
    if (!start.reason.empty())
        LogForAuthor(start.reason);
    if (start.fullScreen || (placement_ && placement_->fullScreen))
        browser_->EnterFullScreen();
}

int HostRun::RunLoop() {
    const int exitCode = static_cast<int>(static_cast<uint32_t>(RunMessageLoop()));
    runRecord_->NoteEnded();
    return exitCode;
}
