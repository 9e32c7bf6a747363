#pragma once
// "gamepads": "host": the host reads the pads through XInput in its own process,
// where Steam Input offers its virtual pads (the runtime's browser process
// gets none), on a timer of the main window while the window is active and not
// minimised, hands the page what changed and plays the page's rumble.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include <windows.h>

#include <nlohmann/json_fwd.hpp>

#include "pads/pad_mapping.h"
#include "pads/rumble.h"
#include "util/system_library.h"

class PadPolling {
public:
    // `post` says whether the page took the message.
    using Post = std::function<bool(const std::string& json)>;
    PadPolling(HWND mainWindow, Post post);
    // Stops the timer and the motors.
    ~PadPolling();
    PadPolling(const PadPolling&) = delete;
    PadPolling& operator=(const PadPolling&) = delete;

    // The main window's WM_ACTIVATE and WM_SIZE: polling only while active and
    // not minimised.
    void OnWindowActive(bool active);
    void OnWindowMinimised(bool minimised);
    // "gamepad-rumble" or "gamepads-sync" from the page.
    void OnPageRequest(const nlohmann::json& message);

private:
    void Follow();
    void Start();
    void Stop();
    void Poll();
    void RunMotors(uint64_t nowMs);
    static void CALLBACK OnTimer(HWND window, UINT message, UINT_PTR id, DWORD time);
    UINT_PTR TimerId() const { return reinterpret_cast<UINT_PTR>(this); }

    const HWND mainWindow_;
    const Post post_;
    // Held so that the delay-loaded imports find it loaded; missing, nothing is polled.
    const SystemLibrary xinput_;
    bool active_ = false;
    bool minimised_ = false;
    bool polling_ = false;
    std::array<bool, kPadSlots> connected_{};
    uint64_t nextEmptySlotReadMs_ = 0;
    PadChanges changes_;
    RumbleSchedule rumble_;
};
