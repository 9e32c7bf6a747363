#include "pads/rumble.h"

#include <cmath>

#include <nlohmann/json.hpp>

namespace {
// A number in [low, high] under `key` (0 when missing), or nothing.
std::optional<double> NumberIn(const nlohmann::json& message, const char* key, double low,
                               double high) {
    const auto it = message.find(key);
    if (it == message.end())
        return 0.0;
    if (!it->is_number())
        return std::nullopt;
    const double value = it->get<double>();
    if (!std::isfinite(value) || value < low || value > high)
        return std::nullopt;
    return value;
}

RumbleRequest Refused(std::string refusal) {
    return {std::nullopt, std::move(refusal)};
}
} // namespace

uint16_t MotorSpeed(double magnitude) {
    if (!(magnitude > 0))
        return 0;
    return magnitude >= 1 ? 65535 : static_cast<uint16_t>(std::lround(magnitude * 65535));
}

RumbleRequest ReadRumbleRequest(const nlohmann::json& message) {
    if (!message.is_object())
        return Refused("not an object");
    const auto index = message.find("index");
    if (index == message.end() || !index->is_number_integer() || *index < 0 ||
        *index >= static_cast<int64_t>(kPadSlots))
        return Refused("\"index\" must be 0 to 3");
    const auto strong = NumberIn(message, "strongMagnitude", 0, 1);
    const auto weak = NumberIn(message, "weakMagnitude", 0, 1);
    if (!strong || !weak)
        return Refused("\"strongMagnitude\" and \"weakMagnitude\" must be numbers from 0 to 1");
    const auto duration = NumberIn(message, "duration", 0, kLongestRumbleMs);
    const auto delay = NumberIn(message, "startDelay", 0, kLongestRumbleMs);
    if (!duration || !delay || *duration + *delay > kLongestRumbleMs)
        return Refused("\"duration\" and \"startDelay\" must be 0 or more, together at most 5000 ms");
    RumbleEffect effect;
    effect.index = index->get<uint32_t>();
    effect.speeds = {MotorSpeed(*strong), MotorSpeed(*weak)};
    effect.durationMs = static_cast<uint32_t>(std::lround(*duration));
    effect.startDelayMs = static_cast<uint32_t>(std::lround(*delay));
    return {effect, {}};
}

void RumbleSchedule::Play(const RumbleEffect& effect, uint64_t nowMs) {
    Slot& slot = slots_.at(effect.index);
    slot.startMs = nowMs + effect.startDelayMs;
    slot.endMs = slot.startMs + effect.durationMs;
    slot.speeds = effect.speeds;
}

void RumbleSchedule::StopAll() {
    for (Slot& slot : slots_)
        slot.startMs = slot.endMs = 0;
}

std::vector<std::pair<uint32_t, MotorSpeeds>> RumbleSchedule::Changes(uint64_t nowMs) {
    std::vector<std::pair<uint32_t, MotorSpeeds>> changes;
    for (uint32_t index = 0; index < kPadSlots; ++index) {
        Slot& slot = slots_[index];
        const bool running = nowMs >= slot.startMs && nowMs < slot.endMs;
        const MotorSpeeds wanted = running ? slot.speeds : MotorSpeeds{};
        if (wanted != slot.applied) {
            slot.applied = wanted;
            changes.emplace_back(index, wanted);
        }
    }
    return changes;
}
