#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "steam/steam_answer.h"
#include "steam/steam_call.h"
#include "steam/steam_client.h"
#include "steam/steam_families.h"
#include "steam_recording_client.h"

namespace {
nlohmann::json Answer(const std::string& text, SteamClient* client, std::string reason = "",
                      SteamFamilies families = EveryFamily()) {
    return nlohmann::json::parse(AnswerSteamCall(nlohmann::json::parse(text),
                                                 {client, reason, EverythingGranted(), 0, families})
                                     .answer);
}
const std::vector<std::string> kEveryFamily = {"core",  "stats",        "friends", "apps",
                                               "cloud", "leaderboards", "tickets", "utils",
                                               "screenshots"};
} // namespace

TEST(SteamCall, WellFormedCallsReachSteamWithTheirArguments) {
    struct Case {
        const char* message;
        const char* call;
        nlohmann::json value;
    } cases[] = {
        {R"({"call":"set-achievement","name":"ACH_WIN"})", "SetAchievement(ACH_WIN)", nullptr},
        {R"({"call":"clear-achievement","name":"ACH_WIN"})", "ClearAchievement(ACH_WIN)", nullptr},
        {R"({"call":"get-achievement","name":"ACH_WIN"})", "GetAchievement(ACH_WIN)", true},
        {R"({"call":"set-stat","name":"wins","value":-3,"kind":"int"})", "SetStatInt(wins,-3)",
         nullptr},
        {R"({"call":"set-stat","name":"wins","value":7.0,"kind":"int"})", "SetStatInt(wins,7)",
         nullptr},
        {R"({"call":"set-stat","name":"km","value":1.5,"kind":"float"})",
         "SetStatFloat(km,1.500000)", nullptr},
        {R"({"call":"get-stat","name":"wins","kind":"int"})", "GetStatInt(wins)", -7},
        {R"({"call":"get-stat","name":"km","kind":"float"})", "GetStatFloat(km)", 2.5},
        {R"({"call":"store-stats"})", "StoreStats()", nullptr},
        {R"({"call":"set-rich-presence","key":"status","value":""})", "SetRichPresence(status,)",
         nullptr},
        {R"({"call":"is-dlc-installed","appId":4294967295})", "IsDlcInstalled(4294967295)", true},
        {R"({"call":"activate-overlay","dialog":"achievements"})", "ActivateOverlay(achievements)",
         nullptr},
        {R"({"call":"activate-overlay-to-web-page","url":"HTTPS://example.com/a b"})", nullptr,
         nullptr},
        {R"({"call":"activate-overlay-to-web-page","url":"https://example.com/?q=1"})",
         "ActivateOverlayToWebPage(https://example.com/?q=1)", nullptr},
    };
    for (const Case& c : cases) {
        RecordingClient client;
        const nlohmann::json answer = Answer(c.message, &client);
        EXPECT_EQ(answer["type"], "steam-result") << c.message;
        EXPECT_EQ(answer["call"], nlohmann::json::parse(c.message)["call"]) << c.message;
        if (!c.call) {
            EXPECT_EQ(answer["ok"], false) << c.message;
            EXPECT_TRUE(client.calls.empty()) << c.message;
            continue;
        }
        EXPECT_EQ(answer["ok"], true) << c.message;
        EXPECT_EQ(answer["error"], nullptr) << c.message;
        EXPECT_EQ(answer["value"], c.value) << c.message;
        EXPECT_EQ(client.calls, std::vector<std::string>{c.call}) << c.message;
    }
}

TEST(SteamCall, BadInputIsRefusedWithoutCallingSteam) {
    const std::string longName(1025, 'a');
    const std::string refused[] = {
        R"({"call":"unknown"})",
        R"({"call":"Set-Achievement","name":"a"})",
        R"({"call":["status"]})",
        R"({"id":1})",
        R"({"call":"set-achievement"})",
        R"({"call":"set-achievement","name":""})",
        R"({"call":"set-achievement","name":7})",
        R"({"call":"set-achievement","name":"a\u0000b"})",
        R"({"call":"set-achievement","name":")" + longName + R"("})",
        R"({"call":"set-stat","name":"s","value":1})",
        R"({"call":"set-stat","name":"s","value":"1","kind":"int"})",
        R"({"call":"set-stat","name":"s","value":1.5,"kind":"int"})",
        R"({"call":"set-stat","name":"s","value":2147483648,"kind":"int"})",
        R"({"call":"set-stat","name":"s","value":1e39,"kind":"float"})",
        R"({"call":"set-stat","name":"s","value":1,"kind":"double"})",
        R"({"call":"get-stat","name":"s"})",
        R"({"call":"set-rich-presence","key":"","value":"v"})",
        R"({"call":"set-rich-presence","key":"k"})",
        R"({"call":"is-dlc-installed","appId":0})",
        R"({"call":"is-dlc-installed","appId":4294967296})",
        R"({"call":"is-dlc-installed","appId":"480"})",
        R"({"call":"activate-overlay","dialog":""})",
        R"({"call":"activate-overlay-to-web-page","url":"http://example.com/"})",
        R"({"call":"activate-overlay-to-web-page","url":"javascript:run"})",
        R"({"call":"activate-overlay-to-web-page","url":"https:///path"})",
        R"({"call":"activate-overlay-to-web-page","url":"https://"})",
        R"({"call":"activate-overlay-to-web-page","url":"https://a.com/\nb"})",
        R"({"call":"status","id":)" + std::string(40, '[') + std::string(40, ']') + "}",
        "[]",
        // Copying or writing a value recurses once a level: nesting this deep is never echoed.
        R"({"call":)" + std::string(100000, '[') + std::string(100000, ']') + "}",
        R"({"call":"status","id":)" + std::string(100000, '[') + std::string(100000, ']') + "}",
    };
    for (const std::string& message : refused) {
        RecordingClient client;
        const nlohmann::json answer = Answer(message, &client);
        EXPECT_EQ(answer["ok"], false) << message;
        EXPECT_EQ(answer["value"], nullptr) << message;
        EXPECT_TRUE(answer["error"].is_string() && !answer["error"].empty()) << message;
        EXPECT_TRUE(client.calls.empty()) << message;
    }
    RecordingClient client;
    EXPECT_EQ(Answer(R"({"call":"set-achievement","name":")" + longName.substr(1) + R"("})",
                     &client)["ok"],
              true)
        << "1,024 bytes are allowed";
}

TEST(SteamCall, IdIsANumberOrShortStringEchoedAsGiven) {
    RecordingClient client;
    const std::string longest = '"' + std::string(256, 'i') + '"';
    for (const std::string id : {"1", R"("a")", "null", "-0.5", longest.c_str()}) {
        const nlohmann::json answer = Answer(R"({"call":"store-stats","id":)" + id + "}", &client);
        EXPECT_EQ(answer["id"], nlohmann::json::parse(id)) << id;
    }
    EXPECT_EQ(Answer(R"({"call":"store-stats"})", &client)["id"], nullptr);
    EXPECT_EQ(client.calls.size(), 6u);
    const std::string tooLong = '"' + std::string(257, 'i') + '"';
    for (const std::string id : {R"({"n":1})", "[1]", "true", tooLong.c_str()}) {
        const nlohmann::json answer = Answer(R"({"call":"store-stats","id":)" + id + "}", &client);
        EXPECT_EQ(answer["error"], R"("id" must be a number or a string of at most 256 bytes)");
        EXPECT_EQ(answer["id"], nullptr);
    }
    EXPECT_EQ(client.calls.size(), 6u) << "a malformed id reaches no library";
}

TEST(SteamCall, RefusalsByTheLibraryAreErrors) {
    RecordingClient client;
    client.accepts = false;
    client.achieved.reset();
    for (const char* message :
         {R"({"call":"set-achievement","name":"x"})", R"({"call":"get-achievement","name":"x"})",
          R"({"call":"get-stat","name":"x","kind":"int"})", R"({"call":"store-stats"})"}) {
        const nlohmann::json answer = Answer(message, &client);
        EXPECT_EQ(answer["ok"], false) << message;
        EXPECT_TRUE(answer["error"].is_string()) << message;
    }
    EXPECT_EQ(Answer(R"({"call":"is-dlc-installed","appId":5})", &client)["value"], false);
}

TEST(SteamCall, UnavailableSteamAnswersWithItsReasonAndStatusSaysWhy) {
    const nlohmann::json refused = Answer(R"({"call":"store-stats","id":3})", nullptr, "no client");
    EXPECT_EQ(refused["ok"], false);
    EXPECT_EQ(refused["error"], "no client");
    EXPECT_EQ(refused["id"], 3);
    const nlohmann::json status = Answer(R"({"call":"status"})", nullptr, "no client", {});
    EXPECT_EQ(status["ok"], true);
    EXPECT_EQ(status["value"],
              nlohmann::json::parse(R"({"available":false,"reason":"no client","appId":480,
                "steamId":null,"personaName":null,"language":null,"steamDeck":false,
                "overlayEnabled":false,"cloud":{"enabledForAccount":false,"enabledForApp":false},
                "families":[]})"));
}

TEST(SteamCall, StatusOfAnAvailableSteam) {
    RecordingClient client;
    const nlohmann::json status = Answer(R"({"call":"status"})", &client);
    nlohmann::json expected = nlohmann::json::parse(R"({"available":true,"reason":null,"appId":480,
                "steamId":"76561197960287930","personaName":"Ann","language":"german",
                "steamDeck":true,"overlayEnabled":true,
                "cloud":{"enabledForAccount":true,"enabledForApp":false}})");
    expected["families"] = kEveryFamily;
    EXPECT_EQ(status["value"], expected);
}

TEST(SteamCall, OverlayEvent) {
    EXPECT_EQ(SteamOverlayEvent(true), R"({"active":true,"event":"overlay","type":"steam-event"})");
}

TEST(SteamCall, Utf8Check) {
    EXPECT_TRUE(IsWellFormedUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"));
    for (const char* bad : {"\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                            "\xC3", "\xF5\x80\x80\x80"})
        EXPECT_FALSE(IsWellFormedUtf8(bad)) << bad;
}

namespace {
// A library with every export the family table names but the absent ones.
SteamFamilies Without(std::vector<std::string_view> absent) {
    return SteamFamilies([absent](std::string_view name) {
        return std::find(absent.begin(), absent.end(), name) == absent.end();
    });
}
nlohmann::json EveryFamilyBut(std::vector<std::string> lacking) {
    nlohmann::json families = nlohmann::json::array();
    for (const auto& name : kEveryFamily)
        if (std::find(lacking.begin(), lacking.end(), name) == lacking.end())
            families.push_back(name);
    return families;
}
} // namespace

TEST(SteamFamilies, EachLibraryOffersTheFamiliesItHasEveryExportOf) {
    struct Case {
        std::vector<std::string_view> absent;
        std::vector<std::string> lacking; // the first one lacks missing
        std::string missing;
    } cases[] = {
        {{"SteamAPI_SteamApps_v008"}, {}, ""}, // the newest SDK
        {{"SteamAPI_SteamApps_v009", "SteamAPI_SteamUserStats_v013", "SteamAPI_SteamFriends_v018",
          "SteamAPI_SteamUser_v023", "SteamAPI_InitFlat"}, {}, ""}, // older interface versions
        {{"SteamAPI_SteamApps_v009", "SteamAPI_SteamApps_v008"}, {"apps"},
         "SteamAPI_SteamApps_v009"},
        {{"SteamAPI_ISteamRemoteStorage_GetFileTimestamp"}, {"cloud"},
         "SteamAPI_ISteamRemoteStorage_GetFileTimestamp"},
        {{"SteamAPI_ISteamUser_GetAuthTicketForWebApi"}, {"tickets"},
         "SteamAPI_ISteamUser_GetAuthTicketForWebApi"},
        {{"SteamAPI_SteamUserStats_v013", "SteamAPI_SteamUserStats_v012",
          "SteamAPI_SteamUserStats_v011"},
         {"stats", "leaderboards"}, "SteamAPI_SteamUserStats_v013"},
        {{"SteamAPI_InitFlat", "SteamAPI_InitSafe"}, kEveryFamily, "SteamAPI_InitFlat"},
    };
    for (const Case& c : cases) {
        const SteamFamilies families = Without(c.absent);
        EXPECT_EQ(nlohmann::json(families.Names()), EveryFamilyBut(c.lacking)) << c.absent[0];
        for (const SteamFamilyRow& row : SteamFamilyTable())
            if (!c.lacking.empty() && row.name == c.lacking[0]) {
                EXPECT_EQ(families.Missing(row.family), c.missing);
            }
    }
}

TEST(SteamFamilies, EachCallNeedsItsFamily) {
    using K = SteamCall::Kind;
    using F = SteamFamily;
    const std::pair<K, F> cases[] = {
        {K::Status, F::Core}, {K::StoreStats, F::Stats}, {K::SetRichPresence, F::Friends},
        {K::IsDlcInstalled, F::Apps}, {K::CloudList, F::Cloud},
        {K::LeaderboardEntries, F::Leaderboards}, {K::AuthTicket, F::Tickets}};
    for (const auto& [kind, family] : cases)
        EXPECT_EQ(FamilyOf(kind), family) << static_cast<int>(kind);
}

TEST(SteamCall, ACallOfAFamilyTheLibraryLacksNamesTheExportAndReachesNoLibrary) {
    RecordingClient client;
    const SteamFamilies families = Without({"SteamAPI_SteamRemoteStorage_v016"});
    const nlohmann::json refused = Answer(R"({"call":"cloud-list"})", &client, "", families);
    EXPECT_EQ(refused["ok"], false);
    EXPECT_EQ(refused["error"], "steam_api64.dll has no export SteamAPI_SteamRemoteStorage_v016");
    const nlohmann::json status = Answer(R"({"call":"status"})", &client, "", families);
    EXPECT_EQ(status["value"]["families"], EveryFamilyBut({"cloud"}));
    EXPECT_EQ(status["value"]["cloud"]["enabledForAccount"], false);
    EXPECT_TRUE(client.calls.empty());
    EXPECT_EQ(Answer(R"({"call":"store-stats"})", &client, "", families)["ok"], true);
}
