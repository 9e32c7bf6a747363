#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "bridge/large_messages.h"
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
    for (const char* notJson : {"not json", R"({"type":"wrapper-init"} x)", R"({"type":1,})"})
        EXPECT_EQ(ParsePageMessage(notJson).kind, Kind::Ignored) << notJson;

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

// The parser's limits, and the one kind of message that may be long.
TEST(PageMessageLimits, DeepOrCrowdedMessagesAreRefusedAndOnlyCloudWritesAreLong) {
    using Kind = PageMessage::Kind;
    const auto nested = [](size_t depth) {
        return R"({"type":"steam","id":)" + std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}";
    };
    EXPECT_EQ(ParsePageMessage(nested(64)).kind, Kind::SteamCall);
    EXPECT_EQ(ParsePageMessage(nested(65)).refusal, "it nests deeper than 64 levels");
    EXPECT_EQ(ParsePageMessage(nested(20000)).kind, Kind::Refused);
    std::string crowded = R"({"type":"extension-message","a":[)";
    for (int i = 1; i < 99997; ++i)
        crowded += "0,";
    EXPECT_EQ(ParsePageMessage(crowded + "0]}").kind, Kind::ExtensionMessage);
    EXPECT_EQ(ParsePageMessage(crowded + "0,0]}").refusal, "it holds more than 100000 values");

    const PageMessage write =
        ParsePageMessage(R"({"type":"steam","call":"cloud-write","file":"a","text":"x"})");
    EXPECT_TRUE(write.largeWrite);
    EXPECT_EQ(write.document->at("text"), "x");
    EXPECT_FALSE(ParsePageMessage(R"({"type":"steam","call":"cloud-read"})").largeWrite);
    const PageMessage save = ParsePageMessage(R"({"type":"save-write","name":"a","text":"x"})");
    EXPECT_EQ(save.kind, Kind::SaveRequest);
    EXPECT_TRUE(save.largeWrite);
    EXPECT_EQ(save.document->at("name"), "a");
    EXPECT_FALSE(ParsePageMessage(R"({"type":"save-read","name":"a"})").largeWrite);
    EXPECT_EQ(ParsePageMessage(R"({"type":"save-resolve"})").kind, Kind::SaveRequest);
    EXPECT_EQ(ParsePageMessage(R"({"type":"Save-list"})").kind, Kind::Ignored);
    const PageMessage rumble = ParsePageMessage(R"({"type":"gamepad-rumble","index":1})");
    EXPECT_EQ(rumble.kind, Kind::PadRequest);
    EXPECT_EQ(rumble.document->at("index"), 1);
    EXPECT_EQ(ParsePageMessage(R"({"type":"gamepads-sync"})").kind, Kind::PadRequest);
    EXPECT_EQ(ParsePageMessage(R"({"type":"gamepads"})").kind, Kind::Ignored);
    EXPECT_TRUE(IsSaveWrite(ScanMessageHead(R"({"name":"a","type":"save-write","text":"...)")));
    EXPECT_FALSE(IsSaveWrite(ScanMessageHead(R"({"type":"save-read","text":"...)")));
    EXPECT_FALSE(IsSaveWrite(ScanMessageHead(R"({"type":"sav\u0065-write","text":"...)")));

    struct Head {
        const char* text;
        bool largeWrite;
    } heads[] = {
        {R"({"type":"steam","call":"cloud-write","text":"...)", true},
        {R"( { "text" : "a\"}{[" , "n":[1,{"b":"]"}], "call":"cloud-write" , "type" : "steam" )", true},
        {R"({"base64":"AAAA","id":{"call":"x"},"type":"steam","call":"cloud-write"})", true},
        {R"({"type":"steam","call":"cloud-read","text":"...)", false},
        {R"({"type":"extension-message","call":"cloud-write"})", false},
        {R"({"t\u0079pe":"steam","call":"cloud-write"})", false},
        {R"({"type":"st\u0065am","call":"cloud-write"})", false},
        {R"({"id":{"type":"steam","call":"cloud-write"}})", false},
        {R"(["type","steam","call","cloud-write"])", false},
        {R"({"type":"steam","call":"cloud-write)", false},
        {"", false},
    };
    for (const Head& head : heads)
        EXPECT_EQ(IsLargeWrite(ScanMessageHead(head.text)), head.largeWrite) << head.text;
}

TEST(GroupedDigits, ThousandsSeparated) {
    EXPECT_EQ(GroupedDigits(1048576), "1,048,576");
    EXPECT_EQ(GroupedDigits(142606336), "142,606,336");
    EXPECT_EQ(GroupedDigits(999), "999");
    EXPECT_EQ(GroupedDigits(1000), "1,000");
    EXPECT_EQ(GroupedDigits(0), "0");
}
