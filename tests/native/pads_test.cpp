// Pads read by the host: XInput readings as standard-mapping gamepads, the
// frame's message of changes, and the page's rumble requests as motor speeds.
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "pads/pad_mapping.h"
#include "pads/rumble.h"

namespace {
constexpr uint16_t kA = 0x1000, kY = 0x8000, kBack = 0x0020, kStart = 0x0010, kLeftThumb = 0x0040,
                   kRightShoulder = 0x0200, kUp = 0x0001, kRight = 0x0008, kGuide = 0x0400;

PadReading Pad(uint16_t buttons = 0) {
    PadReading reading;
    reading.connected = true;
    reading.buttons = buttons;
    return reading;
}

PadReading Sticks(int16_t lx, int16_t ly, int16_t rx, int16_t ry) {
    PadReading reading = Pad();
    reading.thumbLX = lx;
    reading.thumbLY = ly;
    reading.thumbRX = rx;
    reading.thumbRY = ry;
    return reading;
}

PadReading Triggers(uint8_t left, uint8_t right) {
    PadReading reading = Pad();
    reading.leftTrigger = left;
    reading.rightTrigger = right;
    return reading;
}

using Readings = std::array<std::optional<PadReading>, kPadSlots>;
} // namespace

TEST(PadMapping, ButtonsTakeTheirStandardPlaces) {
    const struct {
        uint16_t buttons;
        uint32_t pressed;
    } cases[] = {
        {0, 0},
        {kA, 1u << 0},
        {kY, 1u << 3},
        {kRightShoulder, 1u << 5},
        {kBack, 1u << 8},
        {kStart, 1u << 9},
        {kLeftThumb, 1u << 10},
        {kUp, 1u << 12},
        {kRight, 1u << 15},
        {kGuide, 1u << 16},
        {kA | kUp | kStart, (1u << 0) | (1u << 12) | (1u << 9)},
        {0xFFFF, 0x1FF3Fu}, // every bit: all but the triggers
    };
    for (const auto& c : cases) {
        const StandardPad pad = ToStandardPad(Pad(c.buttons));
        EXPECT_EQ(pad.pressed, c.pressed) << std::hex << c.buttons;
        for (size_t button = 0; button < kStandardButtons; ++button)
            EXPECT_EQ(pad.values[button], (c.pressed >> button) & 1u ? 1.0 : 0.0) << button;
    }
    EXPECT_FALSE(ToStandardPad(PadReading{}).connected);
    EXPECT_EQ(ToStandardPad(PadReading{}), StandardPad{}) << "an empty slot is all zeros";
}

TEST(PadMapping, TriggersAreAnalogAndPressedPastTheThreshold) {
    const struct {
        uint8_t left, right;
        double leftValue, rightValue;
        bool leftPressed, rightPressed;
    } cases[] = {
        {0, 0, 0, 0, false, false},
        {30, 31, 0.1176, 0.1216, false, true},
        {255, 128, 1, 0.502, true, true},
    };
    for (const auto& c : cases) {
        const StandardPad pad = ToStandardPad(Triggers(c.left, c.right));
        EXPECT_EQ(pad.values[6], c.leftValue);
        EXPECT_EQ(pad.values[7], c.rightValue);
        EXPECT_EQ((pad.pressed >> 6) & 1u, c.leftPressed ? 1u : 0u) << int(c.left);
        EXPECT_EQ((pad.pressed >> 7) & 1u, c.rightPressed ? 1u : 0u) << int(c.right);
    }
}

TEST(PadMapping, SticksHaveXInputsDeadZonesAndYDown) {
    const struct {
        PadReading reading;
        std::array<double, 4> axes;
    } cases[] = {
        {Sticks(0, 0, 0, 0), {0, 0, 0, 0}},
        {Sticks(7849, 0, 8689, 0), {0, 0, 0, 0}},         // on the dead zones' edges
        {Sticks(5000, 5000, -6000, 6000), {0, 0, 0, 0}},  // 7071 and 8485 from the centre
        {Sticks(7850, 0, 0, -8690), {0, 0, 0, 0}},        // past by one: rounds to 0
        {Sticks(32767, 0, 0, 32767), {1, 0, 0, -1}},      // right; up is -1
        {Sticks(-32768, 0, 0, -32768), {-1, 0, 0, 1}},    // left; down is +1
        {Sticks(0, 20308, 20728, 0), {0, -0.5, 0.5, 0}},  // halfway past each dead zone
        {Sticks(32767, 32767, 0, 0), {0.7071, -0.7071, 0, 0}}, // a corner is clipped round
    };
    for (const auto& c : cases) {
        const StandardPad pad = ToStandardPad(c.reading);
        for (size_t axis = 0; axis < kStandardAxes; ++axis)
            EXPECT_NEAR(pad.axes[axis], c.axes[axis], 1e-4)
                << axis << " of " << c.reading.thumbLX << "," << c.reading.thumbLY << ","
                << c.reading.thumbRX << "," << c.reading.thumbRY;
    }
}

TEST(PadChanges, OnlyChangesAreSentAndRepeatedUntilDelivered) {
    PadChanges changes;
    EXPECT_EQ(changes.Message({}), "") << "no pads, nothing to say";
    EXPECT_EQ(changes.Message({PadReading{}, PadReading{}, PadReading{}, PadReading{}}), "");

    const std::string connected = changes.Message({std::nullopt, Pad(kA)});
    EXPECT_EQ(nlohmann::json::parse(connected),
              nlohmann::json::parse(R"({"type":"gamepads","pads":[{"index":1,"connected":true,
                  "buttons":[1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0],"pressed":1,"axes":[0,0,0,0]}]})"));
    EXPECT_EQ(changes.Message({}), connected) << "not delivered: sent again";
    changes.Delivered();
    EXPECT_EQ(changes.Message({}), "") << "an unread slot keeps its last reading";
    EXPECT_EQ(changes.Message({std::nullopt, Pad(kA)}), "") << "the same reading again";

    PadReading noise = Pad(kA);
    noise.thumbLX = 300; // inside the dead zone
    EXPECT_EQ(changes.Message({std::nullopt, noise}), "");
    const auto both = nlohmann::json::parse(changes.Message({Triggers(0, 200), PadReading{}}));
    ASSERT_EQ(both["pads"].size(), 2u) << both;
    EXPECT_EQ(both["pads"][0]["pressed"], 1 << 7);
    EXPECT_EQ(both["pads"][1], nlohmann::json::parse(R"({"index":1,"connected":false})"));
    changes.Delivered();

    changes.Forget();
    const auto again = nlohmann::json::parse(changes.Message({}));
    ASSERT_EQ(again["pads"].size(), 1u) << "a new document gets every connected pad";
    EXPECT_EQ(again["pads"][0]["index"], 0);
}

TEST(PadPolling, TheTimerIsAboutAFrame) {
    const struct {
        uint32_t hz, ms;
    } cases[] = {{0, 15}, {1, 15}, {60, 15}, {30, 32}, {75, 12}, {144, 10}, {240, 10}, {5, 100}};
    for (const auto& c : cases)
        EXPECT_EQ(PadPollIntervalMs(c.hz), c.ms) << c.hz;
}

TEST(Rumble, RequestsAreCheckedBeforeAnyMotorRuns) {
    const struct {
        const char* message;
        const char* refusal; // "" when accepted
        RumbleEffect effect;
    } cases[] = {
        {R"({"index":0,"strongMagnitude":1,"weakMagnitude":0.5,"duration":200,"startDelay":50})",
         "", {0, {65535, 32768}, 50, 200}},
        {R"({"index":3,"duration":0})", "", {3, {0, 0}, 0, 0}},
        {R"({"index":2,"weakMagnitude":0.25,"duration":4999.6})", "", {2, {0, 16384}, 0, 5000}},
        {R"({"index":1,"strongMagnitude":0,"duration":2500,"startDelay":2500})", "", {1, {}, 2500, 2500}},
        {R"({"index":4,"duration":10})", R"("index" must be 0 to 3)", {}},
        {R"({"index":-1})", R"("index" must be 0 to 3)", {}},
        {R"({"index":1.5})", R"("index" must be 0 to 3)", {}},
        {R"({"index":"0"})", R"("index" must be 0 to 3)", {}},
        {R"({"duration":10})", R"("index" must be 0 to 3)", {}},
        {R"({"index":0,"strongMagnitude":1.01})",
         R"("strongMagnitude" and "weakMagnitude" must be numbers from 0 to 1)", {}},
        {R"({"index":0,"weakMagnitude":-0.1})",
         R"("strongMagnitude" and "weakMagnitude" must be numbers from 0 to 1)", {}},
        {R"({"index":0,"weakMagnitude":"1"})",
         R"("strongMagnitude" and "weakMagnitude" must be numbers from 0 to 1)", {}},
        {R"({"index":0,"duration":5001})",
         R"("duration" and "startDelay" must be 0 or more, together at most 5000 ms)", {}},
        {R"({"index":0,"duration":3000,"startDelay":2001})",
         R"("duration" and "startDelay" must be 0 or more, together at most 5000 ms)", {}},
        {R"({"index":0,"startDelay":-1})",
         R"("duration" and "startDelay" must be 0 or more, together at most 5000 ms)", {}},
        {R"({"index":0,"duration":1e308})",
         R"("duration" and "startDelay" must be 0 or more, together at most 5000 ms)", {}},
        {R"([0,1])", "not an object", {}},
    };
    for (const auto& c : cases) {
        const RumbleRequest request = ReadRumbleRequest(nlohmann::json::parse(c.message));
        EXPECT_EQ(request.refusal, c.refusal) << c.message;
        ASSERT_EQ(request.effect.has_value(), *c.refusal == '\0') << c.message;
        if (!request.effect)
            continue;
        EXPECT_EQ(request.effect->index, c.effect.index) << c.message;
        EXPECT_EQ(request.effect->speeds, c.effect.speeds) << c.message;
        EXPECT_EQ(request.effect->startDelayMs, c.effect.startDelayMs) << c.message;
        EXPECT_EQ(request.effect->durationMs, c.effect.durationMs) << c.message;
    }
}

TEST(Rumble, MotorsRunFromTheStartToTheEndOfTheLatestEffect) {
    using Changes = std::vector<std::pair<uint32_t, MotorSpeeds>>;
    RumbleSchedule schedule;
    EXPECT_EQ(schedule.Changes(0), Changes{});
    schedule.Play({1, {1000, 2000}, 100, 200}, 1000);
    EXPECT_EQ(schedule.Changes(1099), Changes{}) << "still waiting for its start";
    EXPECT_EQ(schedule.Changes(1100), (Changes{{1, {1000, 2000}}}));
    EXPECT_EQ(schedule.Changes(1200), Changes{}) << "each change once";
    EXPECT_EQ(schedule.Changes(1300), (Changes{{1, {0, 0}}})) << "its end";

    schedule.Play({0, {5, 6}, 0, 1000}, 2000);
    schedule.Play({3, {7, 8}, 0, 1000}, 2000);
    EXPECT_EQ(schedule.Changes(2000), (Changes{{0, {5, 6}}, {3, {7, 8}}}));
    schedule.Play({0, {9, 9}, 0, 0}, 2100); // reset()
    EXPECT_EQ(schedule.Changes(2100), (Changes{{0, {0, 0}}}));
    schedule.Play({3, {1, 1}, 500, 100}, 2100); // replaced: stopped until its own start
    EXPECT_EQ(schedule.Changes(2101), (Changes{{3, {0, 0}}}));
    schedule.StopAll();
    EXPECT_EQ(schedule.Changes(2600), Changes{});
    EXPECT_EQ(MotorSpeed(0.5), 32768);
    EXPECT_EQ(MotorSpeed(1), 65535);
    EXPECT_EQ(MotorSpeed(0), 0);
}
