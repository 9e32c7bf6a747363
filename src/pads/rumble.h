#pragma once
// The page's "gamepad-rumble" (vibrationActuator.playEffect('dual-rumble') and
// reset()) as XInput motor speeds: the untrusted message read, and which
// motors change when. Portable.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "pads/pad_mapping.h"

// As long as browsers let one effect last (delay included).
inline constexpr uint32_t kLongestRumbleMs = 5000;

// XINPUT_VIBRATION's speeds: the left motor is the strong (low-frequency) one.
struct MotorSpeeds {
    uint16_t left = 0;
    uint16_t right = 0;
    bool operator==(const MotorSpeeds&) const = default;
};

struct RumbleEffect {
    uint32_t index = 0;
    MotorSpeeds speeds;
    uint32_t startDelayMs = 0;
    uint32_t durationMs = 0; // 0 stops the pad's motors (reset())
};

// {"type":"gamepad-rumble","index":0-3,"strongMagnitude":0..1,"weakMagnitude":0..1,
//  "duration":ms,"startDelay":ms}; a missing number is 0. Anything else has a
// refusal saying what is wrong and no effect.
struct RumbleRequest {
    std::optional<RumbleEffect> effect;
    std::string refusal;
};
RumbleRequest ReadRumbleRequest(const nlohmann::json& message);

// 0..1 as a motor speed of 0..65535.
uint16_t MotorSpeed(double magnitude);

// Each pad's current effect: a later one replaces it; the motors run from its
// start to its end.
class RumbleSchedule {
public:
    void Play(const RumbleEffect& effect, uint64_t nowMs);
    // Every effect ends now: the motors still running are stopped by the next Changes.
    void StopAll();
    // The pads whose motors must change now, with their speeds; each change
    // is given once.
    std::vector<std::pair<uint32_t, MotorSpeeds>> Changes(uint64_t nowMs);

private:
    struct Slot {
        uint64_t startMs = 0, endMs = 0;
        MotorSpeeds speeds;
        MotorSpeeds applied;
    };
    std::array<Slot, kPadSlots> slots_{};
};
