#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/placement_file.h"
#include "app/second_instance_message.h"

namespace {
std::string File(const std::string& normal, const std::string& rest = "") {
    return R"({"format":"quorrin-window-placement/1","normal":)" + normal +
           R"(,"maximized":false,"fullScreen":true,"dpi":120)" + rest + "}";
}
} // namespace

TEST(PlacementFile, WhatIsWrittenIsReadBack) {
    for (const SavedPlacement& placement :
         {SavedPlacement{{10, 20, 810, 620}, false, false, 96},
          SavedPlacement{{-1900, -5, -100, 1000}, true, true, 144}}) {
        const std::optional<SavedPlacement> read = ParsePlacement(FormatPlacement(placement));
        ASSERT_TRUE(read);
        EXPECT_TRUE(read->normal == placement.normal);
        EXPECT_EQ(read->maximized, placement.maximized);
        EXPECT_EQ(read->fullScreen, placement.fullScreen);
        EXPECT_EQ(read->dpi, placement.dpi);
    }
}

TEST(PlacementFile, AnythingElseIsIgnored) {
    const std::string good = FormatPlacement({{10, 20, 810, 620}, true, false, 96});
    ASSERT_TRUE(ParsePlacement(File("[0,0,640,480]")));
    const std::string cases[] = {
        "",
        good.substr(0, good.size() / 2), // truncated
        "[" + good + "]",                // not an object
        R"({"format":"quorrin-window-placement/2","normal":[0,0,640,480],"maximized":false,)"
        R"("fullScreen":false,"dpi":96})", // another format
        R"({"normal":[0,0,640,480],"maximized":false,"fullScreen":false,"dpi":96})",
        File("[0,0,640]"), // three corners
        File("[0,0,640,480,1]"),
        File("[0,0,640.5,480]"),
        File("[0,0,\"640\",480]"),
        File("[640,0,0,480]"),             // negative width
        File("[0,0,640,0]"),               // no height
        File("[0,0,70000,480]"),           // wider than any screen
        File("[-2000000,0,-1999000,480]"), // beyond any desktop
        File("[0,0,18446744073709551615,480]"),
        File("[0,0,640,480]", R"(,"dpi":0)"), // a later key wins: dpi 0
        R"({"format":"quorrin-window-placement/1","normal":[0,0,640,480],"maximized":false,)"
        R"("fullScreen":1,"dpi":96})",
        File("[0,0,640,480]") + " x",
        File("[0,0,640,480]") + std::string(4096, ' '), // longer than any placement
        std::string(1, '\0') + good,
    };
    for (const std::string& text : cases)
        EXPECT_FALSE(ParsePlacement(text)) << text.substr(0, 200);
}

TEST(PlacementFile, SizesFollowTheDpiAndTheCornerStays) {
    const PlacementRect rect = {100, 50, 900, 650};
    EXPECT_TRUE(ScalePlacementSize(rect, 96, 144) == (PlacementRect{100, 50, 1300, 950}));
    EXPECT_TRUE(ScalePlacementSize(rect, 144, 96) == (PlacementRect{100, 50, 633, 450}));
    EXPECT_TRUE(ScalePlacementSize(rect, 96, 96) == rect);
    // A dpi no screen has leaves the rectangle alone.
    EXPECT_TRUE(ScalePlacementSize(rect, 0, 144) == rect);
    EXPECT_TRUE(ScalePlacementSize(rect, 96, 100000) == rect);
}

TEST(PlacementFile, TheCaptionMustMeetAWorkArea) {
    // The second monitor stands lower, with a taskbar of 40 pixels on the first.
    const std::vector<PlacementRect> twoMonitors = {{0, 0, 1920, 1040}, {1920, 200, 3840, 1280}};
    struct Case {
        PlacementRect rect;
        bool usable;
    } cases[] = {
        {{100, 100, 900, 700}, true},    {{1500, 100, 2300, 700}, true}, // across both
        {{1800, 800, 2600, 1400}, true}, // mostly off screen, caption on the first
        {{-700, 100, 100, 700}, true},   // mostly off to the left, caption's end on screen
        {{2000, 60, 2800, 660}, false},  // mostly on the second, caption above it
        {{100, 1020, 900, 1620}, true},  // the caption's top 20 pixels above the taskbar
        {{100, 1040, 900, 1640}, false}, // the caption on the taskbar
        {{4000, 0, 4800, 600}, false},   // a monitor that is gone
        {{-900, 100, -100, 700}, false}, {{0, 0, 0, 0}, false},
        {{100, -29, 900, 571}, true},  // the caption's last pixel row on screen
        {{100, -30, 900, 570}, false}, // the caption just above the screen
    };
    for (const Case& c : cases)
        EXPECT_EQ(CaptionMeetsWorkArea(c.rect, 30, twoMonitors), c.usable)
            << c.rect.left << "," << c.rect.top;
    EXPECT_FALSE(CaptionMeetsWorkArea({0, 0, 100, 100}, 30, {}));
    // A window lower than its caption is all caption.
    EXPECT_TRUE(CaptionMeetsWorkArea({0, 1030, 100, 1035}, 30, twoMonitors));
}

// What "set-window-position" does with a place that hides the caption.
TEST(ScreenArea, APlaceWithoutTheCaptionOnScreenIsMovedBackOntoTheNearestWorkArea) {
    const std::vector<ScreenRect> twoMonitors = {{0, 0, 1920, 1040}, {1920, 200, 3840, 1280}};
    const struct Case {
        ScreenRect wanted;
        ScreenRect placed;
    } cases[] = {
        {{100, 100, 900, 700}, {100, 100, 900, 700}},       // on screen: as asked
        {{-700, 100, 100, 700}, {-700, 100, 100, 700}},     // the caption's end on screen
        {{5000, 500, 5800, 1100}, {3040, 500, 3840, 1100}}, // right of both: the second
        {{100, -5000, 900, -4400}, {100, 0, 900, 600}},     // far above: the first
        {{2000, 60, 2800, 660}, {2000, 200, 2800, 800}},    // above the second, below its top
        {{100, 1040, 900, 1640}, {100, 440, 900, 1040}},    // the caption on the taskbar
        {{-1048576, -1048576, -1048576 + 65536, -1048576 + 65536},
         {0, 0, 65536, 65536}}, // larger than the screen: its top-left corner
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeepCaptionOnWorkArea(c.wanted, 30, twoMonitors), c.placed)
            << c.wanted.left << "," << c.wanted.top;
        EXPECT_TRUE(CaptionMeetsWorkArea(KeepCaptionOnWorkArea(c.wanted, 30, twoMonitors), 30,
                                         twoMonitors));
    }
    EXPECT_EQ(KeepCaptionOnWorkArea({9000, 9000, 9100, 9100}, 30, {}),
              (ScreenRect{9000, 9000, 9100, 9100}));
}

TEST(ScreenArea, LengthsAndCoordinatesStayWithinThePlacementFilesBounds) {
    EXPECT_EQ(ClampWindowLength(0), 1);
    EXPECT_EQ(ClampWindowLength(800), 800);
    EXPECT_EQ(ClampWindowLength(65536), 65536);
    EXPECT_EQ(ClampWindowLength(int64_t{INT32_MAX} + 40), 65536); // a frame past 32 bits
    EXPECT_EQ(ClampWindowCoordinate(-120), -120);
    EXPECT_EQ(ClampWindowCoordinate(INT32_MIN), -1048576);
    EXPECT_EQ(ClampWindowCoordinate(INT32_MAX), 1048576);
}

TEST(SecondInstance, ObjectNamesAreSafeAndDistinct) {
    const std::string plain = InstanceObjectName("my-game");
    EXPECT_EQ(plain.rfind("Quorrin-my-game-", 0), 0u);
    EXPECT_EQ(plain.size(), std::string("Quorrin-my-game-").size() + 16);
    const std::string odd = InstanceObjectName("a\\b/c:d \xc3\xbc");
    EXPECT_EQ(odd.find_first_of("\\/: \xc3"), std::string::npos);
    EXPECT_NE(InstanceObjectName("a/b"), InstanceObjectName("a:b"));
    EXPECT_EQ(InstanceObjectName("my-game"), plain);
    EXPECT_LT(InstanceObjectName(std::string(5000, 'x')).size(), 100u);
}

TEST(SecondInstance, ArgumentsReachThePageAsAMessage) {
    const std::vector<std::string> arguments = {"C:\\saves\\one.sav", "--level=2", "", "\xc3\xa9"};
    EXPECT_EQ(SecondInstanceMessage(EncodeArguments(arguments)),
              R"({"args":["C:\\saves\\one.sav","--level=2","",")"
              "\xc3\xa9"
              R"("],"type":"second-instance"})");
    EXPECT_EQ(SecondInstanceMessage(EncodeArguments({})),
              R"({"args":[],"type":"second-instance"})");
    // Invalid UTF-8 from the command line arrives replaced, never as a failure.
    EXPECT_EQ(SecondInstanceMessage(EncodeArguments({"\xff"})),
              "{\"args\":[\"\xef\xbf\xbd\"],\"type\":\"second-instance\"}");
    for (const char* foreign : {"", "{}", "[1]", "[\"a\",null]", "\"a\"", "[\"a\"", "[[\"a\"]]"})
        EXPECT_EQ(SecondInstanceMessage(foreign), "") << foreign;
}
