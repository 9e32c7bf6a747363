#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "bridge/page_message.h"

TEST(IsAcceptedSource, PrefixInBundleModeAndWholeNamesInRemoteMode) {
    struct Case {
        const char* source;
        const char* origin;
        bool accepted;
    } cases[] = {
        {"https://app.localhost/", "https://app.localhost/", true},
        {"https://app.localhost/index.html", "https://app.localhost/", true},
        {"https://app.localhost", "https://app.localhost/", false},
        {"https://App.localhost/", "https://app.localhost/", false},
        {"https://app.localhost.evil.net/", "https://app.localhost/", false},
        {"https://example.com", "https://example.com", true},
        {"https://example.com/", "https://example.com", true},
        {"https://example.com?a", "https://example.com", true},
        {"https://example.com#b", "https://example.com", true},
        {"https://example.com.evil.net/", "https://example.com", false},
        {"https://example.com:8080/", "https://example.com", false},
        {"https://example.com/game/level", "https://example.com/game", true},
        {"https://example.com/gamez", "https://example.com/game", false},
        {"", "https://example.com", false},
        // Remote mode with an empty "main": no page can be the application's.
        {"https://example.com/", "", false},
        {"", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsAcceptedSource(c.source, c.origin), c.accepted)
            << c.source << " / " << c.origin;
}

TEST(ParsePageMessage, TypesAndFieldDefaults) {
    using Kind = PageMessage::Kind;
    EXPECT_EQ(ParsePageMessage(R"({"type":"wrapper-init"})").kind, Kind::WrapperInit);
    for (const char* ignored :
         {R"({"type":"Wrapper-init"})", R"({"type":"wrapper-init "})", R"({"type":""})", R"({})",
          R"([1])", R"("wrapper-init")", "null", R"({"type":5})"})
        EXPECT_EQ(ParsePageMessage(ignored).kind, Kind::Ignored) << ignored;
    EXPECT_THROW(ParsePageMessage("not json"), nlohmann::json::exception);
    EXPECT_THROW(ParsePageMessage(R"({"type":"wrapper-init"} x)"), nlohmann::json::exception);

    EXPECT_FALSE(ParsePageMessage(R"({"type":"set-fullscreen"})").fullscreen);
    EXPECT_FALSE(ParsePageMessage(R"({"type":"set-fullscreen","fullscreen":1})").fullscreen);
    EXPECT_TRUE(ParsePageMessage(R"({"type":"set-fullscreen","fullscreen":true})").fullscreen);

    PageMessage size = ParsePageMessage(R"({"type":"set-window-size","windowWidth":800.9})");
    EXPECT_EQ(size.kind, Kind::SetWindowSize);
    EXPECT_EQ(size.width, 800);
    EXPECT_EQ(size.height, 0);
    PageMessage position =
        ParsePageMessage(R"({"type":"set-window-position","windowX":-100,"windowY":"5"})");
    EXPECT_EQ(position.x, -100);
    EXPECT_EQ(position.y, 0);
    EXPECT_EQ(ParsePageMessage(R"({"type":"extension-message","a":[]})").kind,
              Kind::ExtensionMessage);
}

TEST(WrapperInitResponse, CompactSortedAndAlwaysSerialisable) {
    EXPECT_EQ(WrapperInitResponse({}),
              R"({"registeredComponentIds":[],"type":"wrapper-init-response"})");
    EXPECT_EQ(WrapperInitResponse({"b", "a", "a", "", "\xC3\xA9"}),
              "{\"registeredComponentIds\":[\"b\",\"a\",\"a\",\"\",\"\xC3\xA9\"],"
              "\"type\":\"wrapper-init-response\"}");
    EXPECT_EQ(
        WrapperInitResponse({"bad\xFF"}),
        "{\"registeredComponentIds\":[\"bad\xEF\xBF\xBD\"],\"type\":\"wrapper-init-response\"}");
    EXPECT_EQ(DirectoryHandlesMessage(), R"({"type":"directory-handles"})");
}

TEST(PageMessageLimit, SteamGamesTakeAWholeCloudSaveInOneMessage) {
    EXPECT_EQ(PageMessageLimit(false), size_t{1} << 20);
    // The largest cloud write as base64, with room for the message around it.
    const size_t largestSave = 100u << 20;
    EXPECT_GT(PageMessageLimit(true), (largestSave + 2) / 3 * 4 + 1024);
    EXPECT_EQ(GroupedDigits(1048576), "1,048,576");
    EXPECT_EQ(GroupedDigits(142606336), "142,606,336");
    EXPECT_EQ(GroupedDigits(999), "999");
    EXPECT_EQ(GroupedDigits(1000), "1,000");
    EXPECT_EQ(GroupedDigits(0), "0");
}
