#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "steam/steam_answer.h"
#include "steam/steam_deck.h"
#include "steam_recording_client.h"

namespace {
const SteamPageOnScreen kPage = {8, 30, 100, 50}; // control in the client area; client on screen

nlohmann::json Answer(const std::string& text, RecordingClient& client) {
    SteamAvailability steam{&client, "", EverythingGranted(), 0, EveryFamily()};
    steam.locatePage = [] { return kPage; };
    return nlohmann::json::parse(AnswerSteamCall(nlohmann::json::parse(text), steam).answer);
}

std::string Shown(int mode, int x, int y, int width, int height) {
    return "ShowFloatingKeyboard(" + std::to_string(mode) + "," + std::to_string(x) + "," +
           std::to_string(y) + "," + std::to_string(width) + "," + std::to_string(height) + ")";
}
} // namespace

TEST(SteamDeck, PageRectanglesBecomeScreenPixels) {
    struct Case {
        SteamPageRect field;
        SteamPageOnScreen page;
        SteamScreenRect screen;
    } cases[] = {
        {{10, 20, 300, 40, 1}, {}, {10, 20, 300, 40}},
        {{10, 20, 300, 40, 1}, {8, 30, 100, 50}, {118, 100, 300, 40}},
        {{10.4, 20, 100, 30, 1.5}, {0, 0, 100, 50}, {116, 80, 150, 45}},
        {{-10.5, 0.25, 0, 0, 2}, {0, 0, -1920, 0}, {-1941, 1, 0, 0}}, // a monitor on the left
        {{1e6, 1e6, 1e6, 1e6, 16},
         {0, 0, INT_MAX, INT_MIN},
         {INT_MAX, INT_MIN + 16000000, 16000000, 16000000}},
    };
    for (const Case& c : cases) {
        const SteamScreenRect screen = KeyboardRectOnScreen(c.field, c.page);
        EXPECT_EQ(std::vector<int>({screen.x, screen.y, screen.width, screen.height}),
                  std::vector<int>({c.screen.x, c.screen.y, c.screen.width, c.screen.height}))
            << c.field.x << "," << c.field.y << " at " << c.field.devicePixelRatio;
    }
}

TEST(SteamDeck, ShowTextInputOpensTheKeyboardWithItsModeAndField) {
    struct Case {
        const char* message;
        std::string call;
    } cases[] = {
        {R"({"call":"show-text-input"})", Shown(0, 0, 0, 0, 0)},
        {R"({"call":"show-text-input","mode":"multi-line","x":10,"y":20,"width":300,"height":40,
             "devicePixelRatio":2})",
         Shown(1, 128, 120, 600, 80)},
        {R"({"call":"show-text-input","mode":"numeric","x":0,"y":0,"width":50,"height":20})",
         Shown(3, 108, 80, 50, 20)},
        {R"({"call":"show-text-input","mode":"email"})", Shown(2, 0, 0, 0, 0)},
    };
    for (const Case& c : cases) {
        RecordingClient client;
        const nlohmann::json answer = Answer(c.message, client);
        EXPECT_EQ(answer["ok"], true) << c.message;
        EXPECT_EQ(client.calls, std::vector<std::string>{c.call}) << c.message;
    }
}

TEST(SteamDeck, ShowTextInputRefusesBadFieldsAndAnswersWhyNot) {
    struct Case {
        const char* message;
        const char* error;
    } cases[] = {
        {R"({"call":"show-text-input","mode":"big"})",
         R"("mode" must be "single-line", "multi-line", "email" or "numeric")"},
        {R"({"call":"show-text-input","x":1,"y":2})",
         R"(give all of "x", "y", "width" and "height", or none)"},
        {R"({"call":"show-text-input","x":1,"y":2,"width":-1,"height":4})",
         R"("width" must be a number from 0 to 1000000)"},
        {R"({"call":"show-text-input","x":"1","y":2,"width":3,"height":4})",
         R"("x" must be a number from -1000000 to 1000000)"},
        {R"({"call":"show-text-input","x":1,"y":2e7,"width":3,"height":4})",
         R"("y" must be a number from -1000000 to 1000000)"},
        {R"({"call":"show-text-input","x":1,"y":2,"width":3,"height":4,"devicePixelRatio":0})",
         R"("devicePixelRatio" must be more than 0)"},
        {R"({"call":"show-text-input","x":1,"y":2,"width":3,"height":4,"devicePixelRatio":17})",
         R"("devicePixelRatio" must be a number from 0 to 16)"},
    };
    for (const Case& c : cases) {
        RecordingClient client;
        const nlohmann::json answer = Answer(c.message, client);
        EXPECT_EQ(answer["ok"], false) << c.message;
        EXPECT_EQ(answer["error"], c.error) << c.message;
        EXPECT_TRUE(client.calls.empty()) << c.message;
    }
    RecordingClient elsewhere;
    elsewhere.deckOrBigPicture = false;
    EXPECT_EQ(Answer(R"({"call":"show-text-input"})", elsewhere)["error"],
              "Steam's keyboard is only for a Steam Deck or Big Picture");
    EXPECT_TRUE(elsewhere.calls.empty());
    RecordingClient refusing;
    refusing.accepts = false;
    EXPECT_EQ(Answer(R"({"call":"show-text-input"})", refusing)["error"],
              "Steam refused show-text-input");
}

TEST(SteamDeck, AFocusedFieldOpensTheKeyboardOnlyOnADeckAndOnlyWhenWellFormed) {
    const std::string good =
        R"({"type":"text-field-focused","mode":"multi-line","x":10,"y":20,"width":300,)"
        R"("height":40,"devicePixelRatio":1.25})";
    RecordingClient client;
    ShowKeyboardForFocusedField(nlohmann::json::parse(good), client, kPage);
    EXPECT_EQ(client.calls, std::vector<std::string>{Shown(1, 121, 105, 375, 50)});
    const char* bad[] = {
        R"({"type":"text-field-focused","mode":"single-line","y":20,"width":3,"height":4})",
        R"({"type":"text-field-focused","mode":"side","x":1,"y":2,"width":3,"height":4})",
        R"({"type":"text-field-focused","x":1,"y":2,"width":3,"height":null})",
        R"({"type":"text-field-focused","x":1,"y":2,"width":3,"height":4,"devicePixelRatio":-1})",
        R"({"type":"text-field-focused","x":[1],"y":2,"width":3,"height":4})",
        R"("text-field-focused")",
    };
    for (const char* message : bad) {
        RecordingClient ignoring;
        ShowKeyboardForFocusedField(nlohmann::json::parse(message), ignoring, kPage);
        EXPECT_TRUE(ignoring.calls.empty()) << message;
    }
    RecordingClient elsewhere;
    elsewhere.deckOrBigPicture = false;
    ShowKeyboardForFocusedField(nlohmann::json::parse(good), elsewhere, kPage);
    EXPECT_TRUE(elsewhere.calls.empty());
}

TEST(SteamDeck, DismissedEvent) {
    EXPECT_EQ(SteamTextInputDismissedEvent(),
              R"({"event":"text-input-dismissed","type":"steam-event"})");
}
