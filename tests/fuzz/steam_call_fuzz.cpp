// The page's "steam" calls: whatever page script sends, every answer is one
// JSON steam-result whose id is the one sent, and nothing reaches the Steam
// library that is not checked (text within its limit, well-formed UTF-8 without
// NUL, https addresses only, positive app ids, one safe cloud file name, at
// most 100 MiB, Steam's own leaderboard values and keyboard modes). A call that
// waits for Steam is answered from any bytes given as its result, echoing its
// id. The same bytes as a focused field's report open one keyboard at most.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "fuzz_check.h"
#include "manifest/manifest.h"
#include "steam/steam_answer.h"
#include "steam/steam_call.h"
#include "steam/steam_client.h"
#include "steam/steam_deck.h"
#include "steam/steam_families.h"
#include "steam/steam_results.h"

namespace {
void CheckText(const std::string& text, bool mayBeEmpty = false) {
    FUZZ_REQUIRE(mayBeEmpty || !text.empty(), "no empty name reaches Steam");
    FUZZ_REQUIRE(text.size() <= kSteamTextLimit, "no text over 1024 bytes reaches Steam");
    FUZZ_REQUIRE(IsWellFormedUtf8(text) && text.find('\0') == std::string::npos,
                 "only well-formed UTF-8 without NUL reaches Steam");
}

// Checks every argument and counts the calls that reached it.
class CheckingClient final : public SteamClient {
public:
    int calls = 0;
    SteamPlayer Player() override { return {1, "\xff", "english", false, false}; }
    bool SetAchievement(const std::string& n) override { return Checked(n); }
    bool ClearAchievement(const std::string& n) override { return Checked(n); }
    std::optional<bool> GetAchievement(const std::string& n) override { return Checked(n); }
    bool SetStatInt(const std::string& n, int32_t) override { return Checked(n); }
    bool SetStatFloat(const std::string& n, float v) override {
        FUZZ_REQUIRE(v == v, "no NaN reaches Steam");
        return Checked(n);
    }
    std::optional<int32_t> GetStatInt(const std::string& n) override { return Checked(n); }
    std::optional<float> GetStatFloat(const std::string& n) override {
        Checked(n);
        return std::nullopt;
    }
    bool StoreStats() override { return ++calls; }
    bool SetRichPresence(const std::string& k, const std::string& v) override {
        CheckText(v, true);
        return Checked(k);
    }
    bool IsDlcInstalled(uint32_t appId) override {
        FUZZ_REQUIRE(appId > 0, "only positive app ids reach Steam");
        return ++calls;
    }
    void ActivateOverlay(const std::string& d) override { Checked(d); }
    void ActivateOverlayToWebPage(const std::string& url) override {
        Checked(url);
        std::string scheme = url.substr(0, 8);
        for (char& c : scheme)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        FUZZ_REQUIRE(scheme == "https://" && url.size() > 8 && url[8] != '/',
                     "only https addresses with a host reach the overlay");
        for (unsigned char c : url)
            FUZZ_REQUIRE(c > 0x20 && c != 0x7F, "no blank or control character in an address");
    }

    SteamCloudState CloudState() override { return {true, true, 10, 5}; }
    bool CloudWrite(const std::string& f, const std::string& bytes) override {
        FUZZ_REQUIRE(bytes.size() <= kSteamCloudFileLimit, "no write over 100 MiB reaches Steam");
        return CheckedFile(f);
    }
    std::optional<std::string> CloudRead(const std::string& f) override {
        CheckedFile(f);
        return std::string("\xff");
    }
    bool CloudDelete(const std::string& f) override { return CheckedFile(f); }
    bool CloudExists(const std::string& f) override {
        CheckFileName(f);
        return true; // asked before a read: not counted as the call
    }
    std::optional<int64_t> CloudTime(const std::string& f) override {
        CheckFileName(f);
        return 0;
    }
    std::vector<SteamCloudFile> CloudFiles() override {
        ++calls;
        return {{"a", 1}};
    }
    uint64_t FindLeaderboard(const std::string& n, int32_t sort, int32_t display) override {
        FUZZ_REQUIRE((sort == 0) == (display == 0) && sort >= 0 && sort <= 2 && display <= 3,
                     "only Steam's sort and display values reach it");
        return Checked(n) ? 5 : 0;
    }
    uint64_t UploadLeaderboardScore(uint64_t board, int32_t method, int32_t,
                                    const std::vector<int32_t>& details) override {
        FUZZ_REQUIRE(board != 0 && (method == 1 || method == 2) && details.size() <= 64,
                     "only a handle, a method and at most 64 details reach Steam");
        return ++calls;
    }
    uint64_t DownloadLeaderboardEntries(uint64_t board, int32_t range, int32_t start,
                                        int32_t end) override {
        FUZZ_REQUIRE(board != 0 && range >= 0 && range <= 2, "only a handle and a range");
        FUZZ_REQUIRE(range == 2 || (int64_t{end} - start >= 0 && int64_t{end} - start < 1000),
                     "at most 1000 entries are asked for");
        return ++calls;
    }
    std::optional<SteamLeaderboardEntry> DownloadedLeaderboardEntry(uint64_t,
                                                                    int32_t index) override {
        FUZZ_REQUIRE(index >= 0 && index < kSteamLeaderboardEntriesLimit,
                     "only entries a call may ask for are read");
        return SteamLeaderboardEntry{1, index, -index, std::vector<int32_t>(index % 65, 7)};
    }
    std::optional<std::string> PersonaNameOf(uint64_t) override { return std::nullopt; }
    uint32_t RequestWebApiTicket(const std::string& identity) override {
        CheckText(identity, true);
        FUZZ_REQUIRE(identity.size() <= 64, "an identity of at most 64 bytes");
        return ++calls;
    }
    bool NeedsFloatingKeyboard() override { return true; }
    bool ShowFloatingKeyboard(int32_t mode, const SteamScreenRect& field) override {
        FUZZ_REQUIRE(mode >= 0 && mode <= 3, "only Steam's keyboard modes reach it");
        FUZZ_REQUIRE(field.width >= 0 && field.height >= 0, "no negative field size reaches Steam");
        return ++calls;
    }

private:
    static void CheckFileName(const std::string& f) {
        FUZZ_REQUIRE(IsSafeCloudFileName(f) && f.size() < 260 &&
                         f.find_first_of("/\\:") == std::string::npos && f != "." && f != "..",
                     "only one safe file name reaches Steam Cloud");
    }
    bool CheckedFile(const std::string& f) {
        CheckFileName(f);
        return ++calls;
    }
    bool Checked(const std::string& text) {
        CheckText(text);
        ++calls;
        return calls % 2;
    }
};

void CheckResult(const nlohmann::json& result) {
    FUZZ_REQUIRE(result.is_object() && result["type"] == "steam-result", "every text is answered");
    FUZZ_REQUIRE(result["ok"].is_boolean(), "ok is a boolean");
    const bool ok = result["ok"].get<bool>();
    FUZZ_REQUIRE(ok == result["error"].is_null(), "an error exactly when not ok");
    FUZZ_REQUIRE(ok || (result["value"].is_null() && !result["error"].empty()),
                 "a failure has a text and no value");
}

// The same bytes as the result Steam brings back for a call that waits.
void CheckWaitAnswered(const SteamWait& wait, const std::string& bytes, SteamClient& client) {
    const std::string answer =
        wait.what == SteamWait::For::Ticket
            ? [&] {
                  GetTicketForWebApiResponseLayout response = {};
                  std::memcpy(&response, bytes.data(), std::min(bytes.size(), sizeof(response)));
                  return AnswerTicket(wait, response);
              }()
            : AnswerCallResult(wait, bytes, client);
    const nlohmann::json result = nlohmann::json::parse(answer, nullptr, false);
    CheckResult(result);
    FUZZ_REQUIRE(result["id"] == wait.id, "a result answers the call of its handle");
}

// Every power granted, so that every call can reach the library.
const SteamSettings* EverythingGranted() {
    static const SteamSettings settings = [] {
        SteamSettings granted;
        granted.appId = 480;
        granted.overlayHosts = {"example.com", "a"};
        granted.cloud = SteamCloudAccess::ReadWrite;
        granted.leaderboardsCreate = true;
        granted.authIdentities = {"", "a"};
        return granted;
    }();
    return &settings;
}

void CheckAnswer(const std::string& text, SteamClient* client) {
    const nlohmann::json sent = nlohmann::json::parse(text, nullptr, false);
    if (sent.is_discarded())
        return; // the bridge drops it before any Steam call is read
    // A library with every family: each call's own rules are what is fuzzed.
    static const SteamFamilies every([](std::string_view) { return true; });
    const SteamReply reply =
        AnswerSteamCall(sent, {client, "unavailable", EverythingGranted(), 0, every});
    FUZZ_REQUIRE(reply.answer.empty() == reply.wait.has_value(), "answered now or waiting");
    if (reply.wait) {
        FUZZ_REQUIRE(client && reply.wait->handle != 0, "only a started call waits");
        CheckWaitAnswered(*reply.wait, text, *client);
        return;
    }
    const nlohmann::json result = nlohmann::json::parse(reply.answer, nullptr, false);
    CheckResult(result);
    const bool ok = result["ok"].get<bool>();
    FUZZ_REQUIRE(!ok || (sent.is_object() && result["id"] == sent.value("id", nlohmann::json())),
                 "an answered call echoes its id as sent");
    FUZZ_REQUIRE(client || !ok || result["call"] == "status",
                 "only status succeeds while Steam is unavailable");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckingClient client;
    CheckAnswer(text, &client);
    const int reached = client.calls;
    const nlohmann::json sent = nlohmann::json::parse(text, nullptr, false);
    const SteamCall call = sent.is_discarded() ? SteamCall{} : ParseSteamCall(sent);
    FUZZ_REQUIRE(call.kind != SteamCall::Kind::Refused || reached == 0,
                 "a refused call reaches no library");
    FUZZ_REQUIRE(reached <= 1, "one call at most reaches the library");
    // Unavailable: nothing to call, and still an answer.
    CheckAnswer(text, nullptr);
    if (!sent.is_discarded()) {
        CheckingClient keyboard;
        ShowKeyboardForFocusedField(sent, keyboard, {INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN});
        FUZZ_REQUIRE(keyboard.calls <= 1, "a focused field opens one keyboard at most");
    }
    return 0;
}
