#include "steam/steam_session.h"

#include "steam/steam_library.h"
#include "util/log/author_log.h"

namespace {
// Steam's GameOverlayActivated_t; its first byte says whether the overlay opened.
constexpr int32_t kGameOverlayActivated = 331;
// ScreenshotRequested_t: a hooked screenshot is the host's to write.
constexpr int32_t kScreenshotRequested = 2302;
// Often enough for a pause to follow the overlay at once, rare enough to cost nothing.
constexpr UINT kCallbackIntervalMs = 100;
constexpr UINT_PTR kCallbackTimerId = 0x57EA;
constexpr wchar_t kTimerOwnerProperty[] = L"Quorrin.SteamCallbackTimer";
} // namespace

SteamSession::SteamSession(const SteamSettings& settings, const std::string& applicationFolder)
    : settings_(settings) {
    availability_.settings = &settings_;
    if (!settings.appId) {
        availability_.reason = "package.json has no \"steam\" key";
        return;
    }
    library_ = std::make_unique<SteamLibrary>(applicationFolder);
    availability_.reason = library_->LoadFailure();
    if (availability_.reason.empty())
        availability_.families = library_->Families();
}

// The library shuts the API down and is freed here, after the browser is gone.
SteamSession::~SteamSession() = default;

bool SteamSession::HandOverToSteam() {
    if (!library_ || !library_->LoadFailure().empty()) {
        if (library_)
            LogForAuthor("Steam unavailable: " + availability_.reason);
        return false;
    }
    if (settings_.restartThroughSteam && library_->RestartAppIfNecessary(settings_.appId)) {
        LogForAuthor("Steam starts the program again itself: this copy ends");
        return true;
    }
    Initialise();
    return false;
}

void SteamSession::Initialise() {
    const std::string failure = library_->Init();
    if (!failure.empty()) {
        availability_.reason = failure;
        LogForAuthor("Steam unavailable: " + failure);
        return;
    }
    availability_.client = library_.get();
    availability_.reason.clear();
    LogForAuthor("Steam available for app " + std::to_string(settings_.appId));
    for (const SteamFamilyRow& row : SteamFamilyTable())
        if (!availability_.families.Has(row.family))
            LogForAuthor("Steam's " + std::string(row.name) +
                         " calls unavailable: " + availability_.families.Unavailable(row.family));
}

std::string SteamSession::Answer(const nlohmann::json& message) {
    availability_.callsWaiting = waits_.Count();
    SteamReply reply = AnswerSteamCall(message, availability_);
    if (reply.wait)
        waits_.Add(std::move(*reply.wait), GetTickCount64());
    return reply.answer;
}

void SteamSession::DispatchCallbacks(const Post& postToPage) {
    if (!Available())
        return;
    library_->DispatchCallbacks([&](int32_t id, const uint8_t* data, int32_t size) {
        if (id == kGameOverlayActivated && data && size >= 1) {
            postToPage(SteamOverlayEvent(data[0] != 0));
            if (overlayWatch_.activated)
                overlayWatch_.activated(data[0] != 0);
        } else if (id == kScreenshotRequested && overlayWatch_.screenshotRequested)
            overlayWatch_.screenshotRequested();
        else if (id == kSteamApiCallCompleted)
            AnswerCallResult(data, size, postToPage);
        else if (id == kGetTicketForWebApiResponse)
            AnswerTicket(data, size, postToPage);
    });
    for (const std::string& answer : waits_.AnswersTimedOut(GetTickCount64()))
        postToPage(answer);
    if (overlayWatch_.frame)
        overlayWatch_.frame();
}

// Every result is fetched while its completion is handed out, as manual
// dispatch asks, so Steam can free it; one no call waits for (answered
// "timed out" already) is then dropped.
void SteamSession::AnswerCallResult(const uint8_t* data, int32_t size, const Post& postToPage) {
    const auto completed = ReadCallCompleted(data, size < 0 ? 0 : static_cast<size_t>(size));
    if (!completed)
        return;
    const std::optional<std::string> result =
        library_->CallResult(completed->asyncCall, completed->callback, completed->resultSize);
    const std::optional<SteamWait> wait =
        waits_.Take(SteamWait::For::CallResult, completed->asyncCall);
    if (!wait)
        return;
    const bool expected = completed->callback == ExpectedResultOf(wait->kind).callback;
    postToPage(::AnswerCallResult(*wait, expected ? result : std::nullopt, *library_));
}

void SteamSession::AnswerTicket(const uint8_t* data, int32_t size, const Post& postToPage) {
    const auto response = ReadTicketResponse(data, size < 0 ? 0 : static_cast<size_t>(size));
    if (!response)
        return;
    if (const auto wait = waits_.Take(SteamWait::For::Ticket, response->ticket))
        postToPage(::AnswerTicket(*wait, *response));
}

SteamCallbackTimer::SteamCallbackTimer(SteamSession& session, HWND mainWindow,
                                       std::function<void(const std::string&)> postToPage)
    : session_(session), mainWindow_(mainWindow), postToPage_(std::move(postToPage)) {
    if (!session_.Available())
        return;
    // The timer's procedure finds this object through the window it runs for.
    if (!SetPropW(mainWindow_, kTimerOwnerProperty, this)) {
        LogForAuthor("Steam callbacks cannot run: SetPropW failed");
        return;
    }
    running_ = SetTimer(mainWindow_, kCallbackTimerId, kCallbackIntervalMs, OnTimer) != 0;
    if (!running_)
        LogForAuthor("Steam callbacks cannot run: SetTimer failed");
}

SteamCallbackTimer::~SteamCallbackTimer() {
    if (!session_.Available())
        return;
    // Either fails harmlessly once the window is gone, taking both with it.
    if (running_)
        KillTimer(mainWindow_, kCallbackTimerId);
    RemovePropW(mainWindow_, kTimerOwnerProperty);
}

void CALLBACK SteamCallbackTimer::OnTimer(HWND window, UINT, UINT_PTR, DWORD) {
    auto* timer = static_cast<SteamCallbackTimer*>(GetPropW(window, kTimerOwnerProperty));
    if (timer)
        timer->session_.DispatchCallbacks(timer->postToPage_);
}
