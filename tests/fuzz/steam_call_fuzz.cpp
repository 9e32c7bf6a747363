// The page's "steam" calls: whatever page script sends, every answer is one
// JSON steam-result whose id is the one sent, and nothing reaches the Steam
// library that is not checked (text within its limit, well-formed UTF-8 without
// NUL, https addresses only, positive app ids).
#include <cctype>
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "fuzz_check.h"
#include "steam/steam_answer.h"
#include "steam/steam_call.h"
#include "steam/steam_client.h"

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

private:
    bool Checked(const std::string& text) {
        CheckText(text);
        ++calls;
        return calls % 2;
    }
};

void CheckAnswer(const std::string& text, SteamClient* client) {
    const nlohmann::json sent = nlohmann::json::parse(text, nullptr, false);
    const nlohmann::json result =
        nlohmann::json::parse(AnswerSteamCall(text, {client, "unavailable", 480}), nullptr, false);
    FUZZ_REQUIRE(result.is_object() && result["type"] == "steam-result", "every text is answered");
    FUZZ_REQUIRE(result["ok"].is_boolean(), "ok is a boolean");
    const bool ok = result["ok"].get<bool>();
    FUZZ_REQUIRE(ok == result["error"].is_null(), "an error exactly when not ok");
    FUZZ_REQUIRE(ok || (result["value"].is_null() && !result["error"].empty()),
                 "a failure has a text and no value");
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
    return 0;
}
