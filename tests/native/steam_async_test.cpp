// Steam Cloud's limits, leaderboard and ticket fields, and asynchronous results
// matched to their calls by handle.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "steam/steam_answer.h"
#include "steam/steam_bytes.h"
#include "steam/steam_call.h"
#include "steam/steam_results.h"
#include "steam_recording_client.h"

namespace {
SteamReply Reply(const std::string& text, SteamClient* client,
                 const SteamSettings* settings = EverythingGranted()) {
    return AnswerSteamCall(nlohmann::json::parse(text), {client, "no client", settings, 0, EveryFamily()});
}
nlohmann::json Answer(const std::string& text, SteamClient* client) {
    return nlohmann::json::parse(Reply(text, client).answer);
}
template <typename Layout> std::string Bytes(const Layout& layout) {
    return std::string(reinterpret_cast<const char*>(&layout), sizeof(layout));
}
SteamWait WaitFor(SteamCall::Kind kind, uint64_t handle, int id) {
    return {SteamWait::For::CallResult, handle, kind, id, "leaderboard-find"};
}
} // namespace

TEST(SteamCloud, StrictBase64) {
    EXPECT_EQ(DecodeBase64(""), "");
    EXPECT_EQ(DecodeBase64("QQ=="), "A");
    EXPECT_EQ(DecodeBase64("QUI="), "AB");
    EXPECT_EQ(DecodeBase64("QUJD/+8="), "ABC\xff\xef");
    for (const char* bad : {"Q", "QQ=", "Q===", "====", "=QQ=", "QQ==QQ==", "QR==", "QUJ=", "QU J",
                            "QUJ-", "QUJD\n", "QQ%3D"})
        EXPECT_FALSE(DecodeBase64(bad)) << bad;
    const std::string all = [] {
        std::string bytes;
        for (int i = 0; i < 256; ++i)
            bytes.push_back(static_cast<char>(i));
        return bytes;
    }();
    for (size_t size : {0, 1, 2, 3, 256})
        EXPECT_EQ(DecodeBase64(EncodeBase64(all.substr(0, size))), all.substr(0, size));
    const uint8_t ticket[] = {0x14, 0x00, 0xAB, 0xFF};
    EXPECT_EQ(HexOf(ticket, 4), "1400abff");
}

TEST(SteamCloud, OnlyOneSafeNameUnder260Bytes) {
    for (const std::string& good : std::vector<std::string>{"save.json", "slot 1", "\xC3\xA9t\xC3\xA9.sav", ".hidden",
                                   std::string(259, 'a')})
        EXPECT_TRUE(IsSafeCloudFileName(good)) << good;
    for (const std::string& bad : std::vector<std::string>{"", ".", "..", "a/b", "a\\b", "c:x", "a:stream", "con", "nul.txt",
                                  "save.", "save ", "a\x01", "a\x7f", "\xff", "a*b",
                                  std::string(260, 'a')})
        EXPECT_FALSE(IsSafeCloudFileName(bad)) << bad;
}

TEST(SteamCloud, LimitsAreCheckedBeforeSteam) {
    const std::string refused[] = {
        R"({"call":"cloud-write","file":"../x","text":"a"})",
        R"({"call":"cloud-write","file":"a","text":"a","base64":"QQ=="})",
        R"({"call":"cloud-write","file":"a"})",
        R"({"call":"cloud-write","file":"a","text":null})",
        R"({"call":"cloud-write","file":"a","base64":"QQ="})",
        R"({"call":"cloud-read","file":"a","as":"hex"})",
        R"({"call":"cloud-delete","file":"."})",
        R"({"call":"cloud-exists","file":7})",
        R"({"call":"cloud-read","file":")" + std::string(260, 'a') + R"("})",
    };
    for (const std::string& message : refused) {
        RecordingClient client;
        const nlohmann::json answer = Answer(message, &client);
        EXPECT_EQ(answer["ok"], false) << message;
        EXPECT_TRUE(client.calls.empty()) << message;
    }
    // Not UTF-8: a JSON text cannot carry it, a message converted from the page could.
    EXPECT_EQ(ParseSteamCall({{"call", "cloud-write"}, {"file", "a"}, {"text", "\xff"}}).error,
              "\"text\" is not well-formed UTF-8 text");
    // The 100 MiB limit, on the bytes as given and as decoded, checked before
    // the contents are read (a write of the limit itself is too slow here).
    SteamCall call = ParseSteamCall(
        {{"call", "cloud-write"}, {"file", "a"}, {"text", std::string(kSteamCloudFileLimit + 1, 'x')}});
    EXPECT_EQ(call.error, "a cloud file holds at most 100 MiB");
    call = ParseSteamCall({{"call", "cloud-write"}, {"file", "a"},
                           {"base64", std::string((kSteamCloudFileLimit + 3) / 3 * 4 - 1, 'A') + "="}});
    EXPECT_EQ(call.error, "a cloud file holds at most 100 MiB");
}

TEST(SteamCloud, CallsAndAnswers) {
    RecordingClient client;
    EXPECT_EQ(Answer(R"({"call":"cloud-write","file":"s.json","text":"{\"hp\":3}"})", &client)["ok"],
              true);
    EXPECT_EQ(Answer(R"({"call":"cloud-write","file":"b","base64":"/wA="})", &client)["ok"], true);
    EXPECT_EQ(client.files["b"], std::string("\xff\0", 2));
    EXPECT_EQ(Answer(R"({"call":"cloud-read","file":"s.json"})", &client)["value"], R"({"hp":3})");
    EXPECT_EQ(Answer(R"({"call":"cloud-read","file":"b","as":"base64"})", &client)["value"], "/wA=");
    const nlohmann::json notText = Answer(R"({"call":"cloud-read","file":"b"})", &client);
    EXPECT_EQ(notText["error"], R"(b is not UTF-8 text: read it with "as": "base64")");
    const nlohmann::json missing = Answer(R"({"call":"cloud-read","file":"gone"})", &client);
    EXPECT_EQ(missing["error"], "Steam Cloud has no file gone");
    EXPECT_EQ(Answer(R"({"call":"cloud-exists","file":"gone"})", &client)["value"], false);
    EXPECT_EQ(Answer(R"({"call":"cloud-list"})", &client)["value"],
              nlohmann::json::parse(R"([{"name":"b","size":2},{"name":"s.json","size":8}])"));
    EXPECT_EQ(Answer(R"({"call":"cloud-status"})", &client)["value"],
              nlohmann::json::parse(R"({"enabledForAccount":true,"enabledForApp":false,
                "totalBytes":1000,"availableBytes":600})"));
    client.cloud.totalBytes.reset();
    EXPECT_EQ(Answer(R"({"call":"cloud-status"})", &client)["value"]["totalBytes"], nullptr);
    EXPECT_EQ(Answer(R"({"call":"cloud-delete","file":"b"})", &client)["ok"], true);
    EXPECT_EQ(Answer(R"({"call":"cloud-list"})", nullptr)["error"], "no client");
}

TEST(SteamAsync, FieldsReachSteamOrAreRefused) {
    struct Case {
        std::string message;
        const char* call; // null: refused
    } cases[] = {
        {R"({"call":"leaderboard-find","name":"Best"})", "FindLeaderboard(Best,0,0)"},
        {R"({"call":"leaderboard-find","name":"Best","create":{"sort":"ascending","display":"milliseconds"}})",
         "FindLeaderboard(Best,1,3)"},
        {R"({"call":"leaderboard-find","name":"Best","create":{"sort":"up","display":"numeric"}})",
         nullptr},
        {R"({"call":"leaderboard-find","name":"Best","create":true})", nullptr},
        {R"({"call":"leaderboard-upload","board":"72057594037927937","score":-5,"method":"force","details":[1,2]})",
         "Upload(72057594037927937,2,-5,1,2)"},
        {R"({"call":"leaderboard-upload","board":"1","score":5,"method":"keep-best"})",
         "Upload(1,1,5)"},
        {R"({"call":"leaderboard-upload","board":1,"score":5,"method":"force"})", nullptr},
        {R"({"call":"leaderboard-upload","board":"0","score":5,"method":"force"})", nullptr},
        {R"({"call":"leaderboard-upload","board":"18446744073709551616","score":5,"method":"force"})",
         nullptr},
        {R"({"call":"leaderboard-upload","board":"1","score":2147483648,"method":"force"})", nullptr},
        {R"({"call":"leaderboard-upload","board":"1","score":1,"method":"force","details":[1.5]})",
         nullptr},
        {R"({"call":"leaderboard-entries","board":"9","range":"global","start":1,"end":1000})",
         "Download(9,0,1,1000)"},
        {R"({"call":"leaderboard-entries","board":"9","range":"around-user","start":-4,"end":5})",
         "Download(9,1,-4,5)"},
        {R"({"call":"leaderboard-entries","board":"9","range":"friends"})", "Download(9,2,0,0)"},
        {R"({"call":"leaderboard-entries","board":"9","range":"global","start":0,"end":10})", nullptr},
        {R"({"call":"leaderboard-entries","board":"9","range":"global","start":1,"end":1001})",
         nullptr},
        {R"({"call":"leaderboard-entries","board":"9","range":"around-user","start":5,"end":-4})",
         nullptr},
        {R"({"call":"auth-ticket","identity":"my-server"})", "Ticket(my-server)"},
        {R"({"call":"auth-ticket","identity":")" + std::string(65, 'a') + R"("})", nullptr},
        {R"({"call":"auth-ticket"})", nullptr},
    };
    for (const Case& c : cases) {
        RecordingClient client;
        const SteamReply reply = Reply(c.message, &client);
        if (!c.call) {
            EXPECT_EQ(nlohmann::json::parse(reply.answer)["ok"], false) << c.message;
            EXPECT_TRUE(client.calls.empty()) << c.message;
            continue;
        }
        EXPECT_TRUE(reply.answer.empty()) << c.message;
        ASSERT_TRUE(reply.wait) << c.message;
        EXPECT_EQ(reply.wait->handle & 0xFFFFFFFF, 0x90ABCDEFu) << c.message;
        EXPECT_EQ(client.calls, std::vector<std::string>{c.call}) << c.message;
    }
    std::string details = R"({"call":"leaderboard-upload","board":"1","score":1,"method":"force",
        "details":[0)";
    for (int i = 1; i < 65; ++i)
        details += ",0";
    RecordingClient client;
    EXPECT_EQ(Answer(details + "]}", &client)["ok"], false) << "65 details";
    client.accepts = false;
    EXPECT_EQ(Answer(R"({"call":"leaderboard-find","name":"B","id":2})", &client)["error"],
              "Steam refused leaderboard-find");
    client.accepts = true;
    const SteamReply busy =
        AnswerSteamCall(nlohmann::json::parse(R"({"call":"auth-ticket","identity":""})"),
                        {&client, "", EverythingGranted(), SteamWaits::kMostWaiting, EveryFamily()});
    EXPECT_EQ(nlohmann::json::parse(busy.answer)["error"], "too many calls are waiting for Steam");
    EXPECT_EQ(client.calls.size(), 1u) << "only the refused find reached Steam";
}

TEST(SteamAsync, ResultsAnswerTheCallOfTheirHandleWhateverTheOrder) {
    SteamWaits waits;
    waits.Add(WaitFor(SteamCall::Kind::LeaderboardFind, 7, 1), 1000);
    waits.Add(WaitFor(SteamCall::Kind::LeaderboardFind, 8, 2), 1000);
    waits.Add({SteamWait::For::Ticket, 7, SteamCall::Kind::AuthTicket, 3, "auth-ticket"}, 1000);
    EXPECT_FALSE(waits.Take(SteamWait::For::CallResult, 9)) << "no call waits for it";
    EXPECT_EQ(waits.Take(SteamWait::For::CallResult, 8)->id, 2);
    EXPECT_EQ(waits.Take(SteamWait::For::Ticket, 7)->id, 3) << "a ticket is not a call result";
    EXPECT_TRUE(waits.AnswersTimedOut(1000 + SteamWaits::kTimeoutMs - 1).empty());
    const std::vector<std::string> late = waits.AnswersTimedOut(1000 + SteamWaits::kTimeoutMs);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(late[0])["error"], "timed out");
    EXPECT_EQ(nlohmann::json::parse(late[0])["id"], 1);
    EXPECT_FALSE(waits.Take(SteamWait::For::CallResult, 7)) << "a late result is dropped";
}

TEST(SteamAsync, ResultsAreReadFromTheirBytes) {
    RecordingClient client;
    const auto answer = [&](SteamCall::Kind kind, const std::optional<std::string>& bytes) {
        return nlohmann::json::parse(AnswerCallResult(WaitFor(kind, 1, 5), bytes, client));
    };
    const LeaderboardFindResultLayout found = {0x0200000000000001ull, 1};
    EXPECT_EQ(answer(SteamCall::Kind::LeaderboardFind, Bytes(found))["value"], "144115188075855873");
    EXPECT_EQ(answer(SteamCall::Kind::LeaderboardFind, Bytes(found).substr(0, 15))["ok"], false);
    EXPECT_EQ(answer(SteamCall::Kind::LeaderboardFind, Bytes(LeaderboardFindResultLayout{0, 0}))["error"],
              "Steam has no leaderboard of that name");
    EXPECT_EQ(answer(SteamCall::Kind::LeaderboardFind, std::nullopt)["error"],
              "Steam could not complete the call");
    const LeaderboardScoreUploadedLayout uploaded = {1, 9, 50, 1, 3, 7};
    EXPECT_EQ(answer(SteamCall::Kind::LeaderboardUpload, Bytes(uploaded))["value"],
              nlohmann::json::parse(
                  R"({"scoreChanged":true,"globalRankNew":3,"globalRankPrevious":7})"));
    client.entries = {{76561197960287930ull, 1, 90, {4, 5}}, {76561197960287931ull, 2, 80, {}}};
    const LeaderboardScoresDownloadedLayout downloaded = {9, 10, 1000000};
    EXPECT_EQ(answer(SteamCall::Kind::LeaderboardEntries, Bytes(downloaded))["value"],
              nlohmann::json::parse(R"([
                {"rank":1,"score":90,"steamId":"76561197960287930","personaName":"Ann","details":[4,5]},
                {"rank":2,"score":80,"steamId":"76561197960287931","personaName":null,"details":[]}])"));
    EXPECT_EQ(client.calls.size(), size_t{kSteamLeaderboardEntriesLimit})
        << "a count past what a call may ask for is not believed";

    GetTicketForWebApiResponseLayout ticket = {};
    ticket.result = 1;
    ticket.ticketSize = 99999;
    std::memset(ticket.ticketBytes, 0xAB, sizeof(ticket.ticketBytes));
    const SteamWait wait = {SteamWait::For::Ticket, 1, SteamCall::Kind::AuthTicket, 5, "auth-ticket"};
    EXPECT_EQ(nlohmann::json::parse(AnswerTicket(wait, ticket))["value"].get<std::string>().size(),
              size_t{2 * kWebApiTicketLimit});
    ticket.result = 2;
    EXPECT_EQ(nlohmann::json::parse(AnswerTicket(wait, ticket))["error"],
              "Steam made no ticket (result 2)");
    const SteamApiCallCompletedLayout completed = {42, 1104, 16};
    const std::string bytes = Bytes(completed);
    EXPECT_EQ(ReadCallCompleted(reinterpret_cast<const uint8_t*>(bytes.data()), 16)->asyncCall, 42u);
    EXPECT_FALSE(ReadCallCompleted(reinterpret_cast<const uint8_t*>(bytes.data()), 15));
}

TEST(SteamOverlay, HostsListedInTheManifestOnly) {
    const std::vector<std::string> hosts = {"store.example.com"};
    for (const char* url : {"https://store.example.com/a", "HTTPS://Store.Example.com:8443/?x"})
        EXPECT_TRUE(IsOverlayHostAllowed(url, hosts)) << url;
    for (const char* url : {"https://example.com/", "https://store.example.com.evil.com/",
                            "https://store.example.com@evil.com/", "https://evil.com\\@store.example.com/",
                            "https://evil.com/store.example.com", "https://store.example.com./"})
        EXPECT_FALSE(IsOverlayHostAllowed(url, hosts)) << url;
}

// What page script may do unless the author grants more: read the cloud, find
// boards, open Steam's own pages; no tickets. Without a "steam" key nothing
// but the call's name is read.
TEST(SteamGrants, OnlyWhatTheManifestGrants) {
    SteamSettings plain;
    plain.appId = 480;
    plain.overlayHosts = {"store.steampowered.com"};
    RecordingClient client;
    const auto error = [&](const std::string& text, const SteamSettings* settings) {
        return nlohmann::json::parse(Reply(text, &client, settings).answer)["error"];
    };
    const char* notEnabled = R"(not enabled: package.json's "steam" has no "cloud": "read-write")";
    EXPECT_EQ(error(R"({"call":"cloud-write","file":"a","text":"x"})", &plain), notEnabled);
    EXPECT_EQ(error(R"({"call":"cloud-delete","file":"a"})", &plain), notEnabled);
    EXPECT_EQ(error(R"({"call":"auth-ticket","identity":""})", &plain),
              R"("identity" is not listed in "auth-identities")");
    EXPECT_EQ(error(R"({"call":"auth-ticket","identity":"other"})", EverythingGranted()),
              R"("identity" is not listed in "auth-identities")");
    EXPECT_EQ(error(R"({"call":"activate-overlay-to-web-page","url":"https://example.com/"})",
                    &plain),
              R"("url" is not a page of Steam or of this game: list its host in "overlay-hosts")");
    EXPECT_TRUE(client.calls.empty());
    EXPECT_EQ(error(R"({"call":"cloud-read","file":"a"})", &plain), "Steam Cloud has no file a");
    Reply(R"({"call":"activate-overlay-to-web-page","url":"https://store.steampowered.com/app/1"})",
          &client, &plain);
    Reply(R"({"call":"leaderboard-find","name":"B","create":{"sort":"ascending","display":"numeric"}})",
          &client, &plain);
    EXPECT_EQ(client.calls, (std::vector<std::string>{"CloudExists(a)",
                                                      "ActivateOverlayToWebPage(https://store.steampowered.com/app/1)",
                                                      "FindLeaderboard(B,0,0)"}));

    // A page's structure is never copied: 20,000 nested arrays are one bad detail.
    nlohmann::json deep = nlohmann::json::array();
    for (int i = 0; i < 20000; ++i) {
        nlohmann::json outer = nlohmann::json::array();
        outer.push_back(std::move(deep));
        deep = std::move(outer);
    }
    nlohmann::json upload = {{"call", "leaderboard-upload"}, {"board", "1"}, {"score", 1},
                             {"method", "force"}};
    upload["details"] = std::move(deep);
    const SteamAvailability granted{&client, "", EverythingGranted(), 0, EveryFamily()};
    EXPECT_EQ(nlohmann::json::parse(AnswerSteamCall(upload, granted).answer)["error"],
              R"("details" must be a number)");
    const SteamAvailability noKey{&client, "package.json has no \"steam\" key", nullptr, 0, {}};
    EXPECT_EQ(nlohmann::json::parse(AnswerSteamCall(upload, noKey).answer)["error"],
              "package.json has no \"steam\" key");
    EXPECT_EQ(client.calls.size(), 3u);
}
