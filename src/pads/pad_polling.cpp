#include "pads/pad_polling.h"

#include <optional>
#include <utility>

#include <xinput.h>

#include <nlohmann/json.hpp>

#include "util/log/author_log.h"
#include "util/text/json_lookup.h"

namespace {
// XInput's advice: an empty slot is costly to read, so not every frame.
constexpr uint64_t kEmptySlotReadMs = 500;

PadReading ReadingOf(const XINPUT_STATE& state) {
    const XINPUT_GAMEPAD& pad = state.Gamepad;
    return {true,           pad.wButtons,  pad.bLeftTrigger, pad.bRightTrigger,
            pad.sThumbLX,   pad.sThumbLY,  pad.sThumbRX,     pad.sThumbRY};
}

uint32_t RefreshRateOf(HWND window) {
    MONITORINFOEXW monitor = {};
    monitor.cbSize = sizeof(monitor);
    DEVMODEW mode = {};
    mode.dmSize = sizeof(mode);
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !EnumDisplaySettingsW(monitor.szDevice, ENUM_CURRENT_SETTINGS, &mode))
        return 0;
    return mode.dmDisplayFrequency;
}
} // namespace

PadPolling::PadPolling(HWND mainWindow, Post post)
    : mainWindow_(mainWindow), post_(std::move(post)), xinput_(L"xinput1_4.dll") {
    if (!xinput_) {
        LogForAuthor("pads: xinput1_4.dll is not in System32, so the host reads no pads");
        return;
    }
    active_ = GetActiveWindow() == mainWindow_;
    minimised_ = IsIconic(mainWindow_) != FALSE;
    Follow();
}

PadPolling::~PadPolling() {
    Stop();
}

void PadPolling::OnWindowActive(bool active) {
    active_ = active;
    Follow();
}

void PadPolling::OnWindowMinimised(bool minimised) {
    minimised_ = minimised;
    Follow();
}

void PadPolling::OnPageRequest(const nlohmann::json& message) {
    if (JsonStringOr(message, "type", "") == "gamepads-sync")
        return changes_.Forget();
    const RumbleRequest request = ReadRumbleRequest(message);
    if (!request.effect)
        return LogPageCausedLine("a gamepad-rumble message was dropped: " + request.refusal);
    // A game in the background does not shake the player's pad.
    if (!polling_)
        return;
    const uint64_t now = GetTickCount64();
    rumble_.Play(*request.effect, now);
    RunMotors(now);
}

void PadPolling::Follow() {
    if (xinput_ && active_ && !minimised_)
        Start();
    else
        Stop();
}

// The timer's id is this object, which kills it before it goes.
void PadPolling::Start() {
    if (polling_)
        return;
    polling_ = SetTimer(mainWindow_, TimerId(), PadPollIntervalMs(RefreshRateOf(mainWindow_)),
                        OnTimer) != 0;
    if (!polling_)
        LogForAuthor("pads: SetTimer failed, error " + std::to_string(GetLastError()));
}

void PadPolling::Stop() {
    if (!std::exchange(polling_, false))
        return;
    KillTimer(mainWindow_, TimerId());
    rumble_.StopAll();
    RunMotors(GetTickCount64());
}

void PadPolling::Poll() {
    const uint64_t now = GetTickCount64();
    const bool readEmptySlots = now >= nextEmptySlotReadMs_;
    if (readEmptySlots)
        nextEmptySlotReadMs_ = now + kEmptySlotReadMs;
    std::array<std::optional<PadReading>, kPadSlots> readings;
    for (DWORD index = 0; index < kPadSlots; ++index) {
        if (!connected_[index] && !readEmptySlots)
            continue;
        XINPUT_STATE state = {};
        connected_[index] = XInputGetState(index, &state) == ERROR_SUCCESS;
        readings[index] = connected_[index] ? ReadingOf(state) : PadReading{};
    }
    if (const std::string message = changes_.Message(readings); !message.empty() && post_(message))
        changes_.Delivered();
    RunMotors(now);
}

// A pad gone meanwhile refuses the speeds: nothing is left running on it.
void PadPolling::RunMotors(uint64_t nowMs) {
    for (const auto& [index, speeds] : rumble_.Changes(nowMs)) {
        XINPUT_VIBRATION vibration = {speeds.left, speeds.right};
        XInputSetState(index, &vibration);
    }
}

// A WM_TIMER already in the queue may still come after KillTimer.
void CALLBACK PadPolling::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    auto* pads = reinterpret_cast<PadPolling*>(id);
    if (pads->polling_)
        pads->Poll();
}
