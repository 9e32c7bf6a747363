// Saves: the names a page may use, the folder per player, the start-up
// decision against Steam Cloud, and the messages' fields.
#include <gtest/gtest.h>

#include "saves/save_rules.h"

// The cloud's own rule is the cloud's test; here only what saves add to it.
TEST(SaveNames, CloudSafeNamesButNeverATemporaryFile) {
    struct Case {
        std::string name;
        bool save, partial;
    } cases[] = {
        {"slot1.json", true, false},
        {"con.txt", false, false},
        {"12-3.quorrin-partial", false, true},
        {"x.QUORRIN-Partial", false, true},
        {".quorrin-partial", false, true},
        {"x.quorrin-partial.bak", true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsSaveName(c.name), c.save) << c.name;
        EXPECT_EQ(IsPartialSaveName(c.name), c.partial) << c.name;
    }
}

TEST(SaveFolder, PerAppAndPerSteamPlayer) {
    EXPECT_EQ(SaveFolderOf("C:\\Users\\A\\Saved Games", "game", 0),
              "C:\\Users\\A\\Saved Games\\game\\");
    EXPECT_EQ(SaveFolderOf("C:\\Users\\A\\Saved Games\\", "game", 76561197960287930ull),
              "C:\\Users\\A\\Saved Games\\game\\76561197960287930\\");
    EXPECT_EQ(SaveFolderOf("", "game", 1), "");
    EXPECT_EQ(SaveFolderOf("C:\\S", "", 1), "");
}

TEST(SaveConflicts, OnlyANewerCloudCopyAsks) {
    using Seconds = std::optional<int64_t>;
    struct Case {
        Seconds local, cloud;
        AtStart expected;
    } cases[] = {
        {100, 101, AtStart::Ask},
        {101, 100, AtStart::Keep},
        {100, 100, AtStart::Keep},
        {std::nullopt, 100, AtStart::Restore},
        {100, std::nullopt, AtStart::Keep},
        {std::nullopt, std::nullopt, AtStart::Keep},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecideAtStart(c.local, c.cloud), c.expected)
            << c.local.value_or(-1) << " " << c.cloud.value_or(-1);
}

TEST(SaveRequests, FieldsAreCheckedBeforeAnythingIsDone) {
    using Kind = SaveRequest::Kind;
    const auto parse = [](const char* text) { return ParseSaveRequest(nlohmann::json::parse(text)); };
    const SaveRequest write = parse(R"({"type":"save-write","id":7,"name":"a.sav","base64":"/wAB"})");
    EXPECT_EQ(write.kind, Kind::Write);
    EXPECT_EQ(write.bytes, std::string("\xFF\x00\x01", 3));
    EXPECT_TRUE(parse(R"({"type":"save-read","name":"a","as":"base64"})").asBase64);
    EXPECT_TRUE(parse(R"({"type":"save-resolve","name":"a","keep":"cloud"})").keepCloud);
    EXPECT_FALSE(parse(R"({"type":"save-resolve","name":"a","keep":"local"})").keepCloud);
    EXPECT_EQ(parse(R"({"type":"save-list"})").kind, Kind::List);
    EXPECT_EQ(parse(R"({"type":"save-delete","name":"a"})").kind, Kind::Delete);
    const std::pair<const char*, const char*> refused[] = {
        {R"({"type":"save-read","name":"../a"})", R"("name" must be one safe file name under 260 bytes)"},
        {R"({"type":"save-read","name":"1.quorrin-partial"})", R"("name" must be one safe file name under 260 bytes)"},
        {R"({"type":"save-delete"})", R"("name" must be one safe file name under 260 bytes)"},
        {R"({"type":"save-write","name":"a"})", R"(give the contents as one string, "text" or "base64")"},
        {R"({"type":"save-read","name":"a","as":"hex"})", R"("as" must be "text" or "base64")"},
        {R"({"type":"save-resolve","name":"a"})", R"("keep" must be "local" or "cloud")"},
        {R"({"type":"save-list","id":{"a":1}})", R"("id" must be a number or a string of at most 256 bytes)"},
        {R"({"type":"save-all"})", "unknown save message"},
    };
    for (const auto& [text, error] : refused) {
        const SaveRequest request = parse(text);
        EXPECT_EQ(request.kind, Kind::Refused) << text;
        EXPECT_EQ(request.error, error) << text;
    }
    EXPECT_EQ(ParseSaveRequest(nlohmann::json::array()).kind, Kind::Refused);
}

TEST(SaveMessages, AnswersEchoTheRequestAndConflictsCarryBothTimes) {
    const SaveRequest request =
        ParseSaveRequest(nlohmann::json::parse(R"({"type":"save-list","id":"x"})"));
    EXPECT_EQ(SaveResultText(request, true, nlohmann::json::array(), "ignored"),
              R"({"call":"save-list","error":null,"id":"x","ok":true,"type":"save-result","value":[]})");
    EXPECT_EQ(SaveResultText(request, false, nullptr, "no"),
              R"({"call":"save-list","error":"no","id":"x","ok":false,"type":"save-result","value":null})");
    EXPECT_EQ(SaveConflictEvent("a.sav", 1000, 2000),
              R"({"cloudTime":2000,"localTime":1000,"name":"a.sav","type":"save-conflict"})");
}
