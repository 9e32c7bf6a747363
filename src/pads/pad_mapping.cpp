#include "pads/pad_mapping.h"

#include <algorithm>
#include <cmath>

#include <nlohmann/json.hpp>

namespace {
constexpr uint8_t kTriggerThreshold = 30;
constexpr double kLeftThumbDeadZone = 7849;
constexpr double kRightThumbDeadZone = 8689;
constexpr double kThumbMax = 32767;
constexpr size_t kLeftTrigger = 6, kRightTrigger = 7;

// XINPUT_GAMEPAD_* bit of each standard button; the triggers have none. The
// guide button (16) is only in XInputGetStateEx's reading.
constexpr std::array<uint16_t, kStandardButtons> kButtonBits = {
    0x1000, 0x2000, 0x4000, 0x8000, // A B X Y
    0x0100, 0x0200, 0,      0,      // shoulders, triggers
    0x0020, 0x0010,                 // back, start
    0x0040, 0x0080,                 // stick presses
    0x0001, 0x0002, 0x0004, 0x0008, // d-pad up down left right
    0x0400,                         // guide
};

// Four places are finer than any stick, and keep the messages short.
double Rounded(double value) {
    const double rounded = std::round(value * 10000) / 10000;
    return rounded == 0 ? 0 : rounded; // never -0
}

void PlaceStick(int16_t x, int16_t y, double deadZone, double* axes) {
    const double magnitude = std::hypot(static_cast<double>(x), static_cast<double>(y));
    if (magnitude <= deadZone)
        return;
    const double scaled = (std::min(magnitude, kThumbMax) - deadZone) / (kThumbMax - deadZone);
    axes[0] = Rounded(x / magnitude * scaled);
    axes[1] = Rounded(-y / magnitude * scaled); // XInput's y is up
}

void SetTrigger(StandardPad& pad, size_t button, uint8_t value) {
    pad.values[button] = Rounded(value / 255.0);
    if (value > kTriggerThreshold)
        pad.pressed |= 1u << button;
}

nlohmann::json PadEntry(size_t index, const StandardPad& pad) {
    if (!pad.connected)
        return {{"index", index}, {"connected", false}};
    return {{"index", index},   {"connected", true}, {"buttons", pad.values},
            {"pressed", pad.pressed}, {"axes", pad.axes}};
}
} // namespace

StandardPad ToStandardPad(const PadReading& reading) {
    StandardPad pad;
    if (!reading.connected)
        return pad;
    pad.connected = true;
    for (size_t button = 0; button < kStandardButtons; ++button)
        if (kButtonBits[button] && (reading.buttons & kButtonBits[button])) {
            pad.values[button] = 1;
            pad.pressed |= 1u << button;
        }
    SetTrigger(pad, kLeftTrigger, reading.leftTrigger);
    SetTrigger(pad, kRightTrigger, reading.rightTrigger);
    PlaceStick(reading.thumbLX, reading.thumbLY, kLeftThumbDeadZone, &pad.axes[0]);
    PlaceStick(reading.thumbRX, reading.thumbRY, kRightThumbDeadZone, &pad.axes[2]);
    return pad;
}

std::string PadChanges::Message(const std::array<std::optional<PadReading>, kPadSlots>& readings) {
    nlohmann::json pads = nlohmann::json::array();
    for (size_t index = 0; index < kPadSlots; ++index) {
        if (readings[index])
            current_[index] = ToStandardPad(*readings[index]);
        if (current_[index] != delivered_[index])
            pads.push_back(PadEntry(index, current_[index]));
    }
    if (pads.empty())
        return {};
    return nlohmann::json{{"type", "gamepads"}, {"pads", std::move(pads)}}.dump();
}

// USER timers wait whole clock ticks (15.6 ms by default): asking for a little
// less than a frame fires once a tick at 60 Hz, where a full 16.7 ms would
// wait two. Never below USER_TIMER_MINIMUM (10 ms) nor slower than 10 Hz.
uint32_t PadPollIntervalMs(uint32_t refreshHz) {
    const uint32_t hz = refreshHz <= 1 ? 60 : refreshHz;
    return std::clamp<uint32_t>(1000 / hz - 1, 10, 100);
}
