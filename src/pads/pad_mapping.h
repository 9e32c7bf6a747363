#pragma once
// Pads the host reads itself (XInput in its own process, where Steam Input's
// virtual pads are), as the page's standard-mapping gamepads: the mapping of
// one reading, and the frame's message holding only what changed. Portable.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

inline constexpr size_t kPadSlots = 4; // XInput's user indexes
inline constexpr size_t kStandardButtons = 17;
inline constexpr size_t kStandardAxes = 4;

// One XINPUT_STATE's gamepad in plain values; an empty slot is not connected.
struct PadReading {
    bool connected = false;
    uint16_t buttons = 0; // XINPUT_GAMEPAD_* bits
    uint8_t leftTrigger = 0, rightTrigger = 0;
    int16_t thumbLX = 0, thumbLY = 0, thumbRX = 0, thumbRY = 0;
};

// The standard mapping: button values 0..1 with a bit per pressed button, and
// axes -1..1 with y down positive, as browsers give them.
struct StandardPad {
    bool connected = false;
    std::array<double, kStandardButtons> values{};
    uint32_t pressed = 0;
    std::array<double, kStandardAxes> axes{};
    bool operator==(const StandardPad&) const = default;
};

// Triggers are pressed past XInput's threshold (30 of 255); each stick has
// XInput's documented round dead zone, the rest of its travel scaled to 0..1.
StandardPad ToStandardPad(const PadReading& reading);

// The page gets each pad once per change: {"type":"gamepads","pads":[...]}
// with {"index","connected","buttons","pressed","axes"} for a connected pad
// and {"index","connected":false} for one that went.
class PadChanges {
public:
    // This frame's readings (a slot not read this frame keeps its last); the
    // message for the pads the page does not have yet, or "" when it has them all.
    std::string Message(const std::array<std::optional<PadReading>, kPadSlots>& readings);
    // The page took the last message.
    void Delivered() { delivered_ = current_; }
    // A new document knows no pad: the next message holds every connected one.
    void Forget() { delivered_ = {}; }

private:
    std::array<StandardPad, kPadSlots> current_{};
    std::array<StandardPad, kPadSlots> delivered_{};
};

// The poll timer's period for a display's refresh rate (0 or 1: the
// display's default, taken as 60 Hz).
uint32_t PadPollIntervalMs(uint32_t refreshHz);
