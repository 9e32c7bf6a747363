// The keys of a game's window as players meet it: their parsing, the browser
// switches they add, and what a full-screen key does.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "window/fullscreen_keys.h"
#include "manifest/manifest.h"
#include "manifest_parsing.h"
#include "webview/browser_arguments.h"

TEST(PlayerKeys, DefaultsLeaveEverythingAsItWas) {
    const AppManifest m = Parse(R"({"name":"n"})");
    EXPECT_EQ(m.dpiAwareness, DpiAwareness::System);
    EXPECT_EQ(m.show, WindowShow::WhenReady);
    EXPECT_FALSE(m.fullscreenKeys);
    EXPECT_TRUE(m.habits.statusBar && m.habits.swipeNavigation && m.habits.pinchZoom &&
                m.habits.autofill);
    EXPECT_FALSE(m.runInBackground);
    EXPECT_FALSE(m.autoplay);
    EXPECT_EQ(m.gamepads, GamepadSource::Browser);
    EXPECT_EQ(BrowserArguments(m), kWindowsGamingInputOffSwitch);
}

TEST(PlayerKeys, WordsAreReadAndAnythingElseIsRefused) {
    const struct {
        const char* window;
        const char* outcome;
    } cases[] = {
        {R"("dpi-awareness":"system")", "accepted"},
        {R"("dpi-awareness":"per-monitor")", "accepted"},
        {R"("dpi-awareness":"Per-Monitor")", "invalid dpi awareness"},
        {R"("dpi-awareness":"per-monitor-v2")", "invalid dpi awareness"},
        {R"("dpi-awareness":true)", "invalid dpi awareness"},
        {R"("dpi-awareness":null)", "invalid dpi awareness"},
        {R"("show":"when-ready")", "accepted"},
        {R"("show":"at-once")", "accepted"},
        {R"("show":"")", "invalid show"},
        {R"("show":1)", "invalid show"},
        {R"("fullscreen":false)", "accepted"},
        {R"("fullscreen":"false")", "invalid fullscreen"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RejectionOf(std::string(R"({"name":"n","window":{)") + c.window + "}}"),
                  c.outcome)
            << c.window;
    EXPECT_EQ(Parse(R"({"name":"n","window":{"dpi-awareness":"per-monitor"}})").dpiAwareness,
              DpiAwareness::PerMonitor);
    EXPECT_EQ(Parse(R"({"name":"n","window":{"show":"at-once"}})").show, WindowShow::AtOnce);
    // Only in "window": elsewhere they are other keys, ignored.
    EXPECT_EQ(Parse(R"({"name":"n","settings":{"show":"bad","dpi-awareness":1}})").show,
              WindowShow::WhenReady);
}

TEST(PlayerKeys, SwitchesAreLenient) {
    const AppManifest off = Parse(R"({"name":"n","window":{"fullscreen-keys":true},
        "settings":{"status-bar":false,"swipe-navigation":false,"pinch-zoom":false,
                    "autofill":false,"run-in-background":true,"autoplay":true}})");
    EXPECT_TRUE(off.fullscreenKeys);
    EXPECT_FALSE(off.habits.statusBar || off.habits.swipeNavigation || off.habits.pinchZoom ||
                 off.habits.autofill);
    EXPECT_TRUE(off.runInBackground && off.autoplay);
    // Wrong types and wrong sections read as the default.
    const AppManifest typo = Parse(R"({"name":"n","window":{"fullscreen-keys":1,"autoplay":true},
        "settings":{"status-bar":0,"swipe-navigation":"false","pinch-zoom":null,
                    "autofill":[],"run-in-background":"yes","fullscreen-keys":true}})");
    EXPECT_FALSE(typo.fullscreenKeys);
    EXPECT_TRUE(typo.habits.statusBar && typo.habits.swipeNavigation && typo.habits.pinchZoom &&
                typo.habits.autofill);
    EXPECT_FALSE(typo.runInBackground || typo.autoplay);
}

TEST(PlayerKeys, BrowserArgumentsFollowTheManifest) {
    AppManifest m;
    m.chromiumArgs = "--enable-features=A";
    const std::string pads = std::string(" ") + kWindowsGamingInputOffSwitch;
    EXPECT_EQ(BrowserArguments(m), "--enable-features=A" + pads);
    m.autoplay = true;
    EXPECT_EQ(BrowserArguments(m),
              "--enable-features=A --autoplay-policy=no-user-gesture-required" + pads);
    m.chromiumArgs.clear();
    m.runInBackground = true;
    EXPECT_EQ(BrowserArguments(m), "--disable-background-timer-throttling "
                                   "--disable-backgrounding-occluded-windows "
                                   "--disable-renderer-backgrounding "
                                   "--autoplay-policy=no-user-gesture-required" +
                                       pads);
    m = Parse(R"({"name":"n","chromium-args":"--a","settings":{"gpu":"high-performance"}})");
    EXPECT_EQ(BrowserArguments(m), "--a --force_high_performance_gpu" + pads);
    EXPECT_EQ(GpuChoiceText(m), "GPU: the high-performance one asked for (--force_high_performance_gpu)");
    EXPECT_EQ(BrowserArguments(Parse(R"({"name":"n","settings":{"gpu":"low-power"}})")),
              "--force_low_power_gpu" + pads);
    EXPECT_EQ(GpuChoiceText(Parse(R"({"name":"n","settings":{"gpu":"default"}})")), "");
    for (const char* gpu : {R"("discrete")", "true", R"("High-Performance")"})
        EXPECT_EQ(RejectionOf(std::string(R"({"name":"n","settings":{"gpu":)") + gpu + "}}"),
                  "invalid gpu")
            << gpu;
}

TEST(PlayerKeys, GamepadsAreTheBrowsersOrTheHosts) {
    EXPECT_EQ(Parse(R"({"name":"n","settings":{"gamepads":"host"}})").gamepads, GamepadSource::Host);
    EXPECT_EQ(Parse(R"({"name":"n","settings":{"gamepads":"browser"}})").gamepads,
              GamepadSource::Browser);
    EXPECT_EQ(Parse(R"({"name":"n","window":{"gamepads":"host"}})").gamepads,
              GamepadSource::Browser)
        << "only in \"settings\"";
    for (const char* value : {R"("Host")", R"("xinput")", "true", "null", R"("")"})
        EXPECT_EQ(RejectionOf(std::string(R"({"name":"n","settings":{"gamepads":)") + value + "}}"),
                  "invalid gamepads")
            << value;
}

TEST(FullScreenKeys, WhatEachKeyDoes) {
    constexpr uint32_t kReturn = 0x0D, kEscape = 0x1B, kF11 = 0x7A, kF12 = 0x7B;
    using A = FullScreenKeyAction;
    using O = FullScreenOrigin;
    const struct {
        FullScreenKey key;
        bool fullScreen;
        FullScreenOrigin origin;
        FullScreenKeyAction action;
    } cases[] = {
        {{kF11, true, false, false}, false, O::Application, A::Toggle},
        {{kF11, true, false, false}, true, O::Application, A::Toggle},
        {{kF11, false, false, false}, false, O::Application, A::None}, // the release
        {{kF11, true, true, false}, false, O::Application, A::None},   // held down
        {{kReturn, true, false, true}, false, O::Application, A::Toggle},
        {{kReturn, true, false, true}, true, O::Key, A::Toggle},
        {{kReturn, true, false, false}, false, O::Application, A::None}, // Enter alone
        {{kReturn, true, true, true}, false, O::Application, A::None},
        {{kEscape, true, false, false}, true, O::Key, A::Leave},
        {{kEscape, true, false, false}, true, O::PageElement, A::Leave},
        {{kEscape, true, false, false}, true, O::Application, A::None},
        {{kEscape, true, false, false}, false, O::Key, A::None},
        {{kEscape, true, true, false}, true, O::Key, A::None},
        {{kEscape, false, false, false}, true, O::Key, A::None},
        {{kF12, true, false, false}, true, O::Key, A::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideFullScreenKey(c.key, c.fullScreen, c.origin), c.action)
            << "key " << c.key.virtualKey << " pressed " << c.key.pressed << " repeat "
            << c.key.repeat << " alt " << c.key.altHeld << " full " << c.fullScreen << " origin "
            << static_cast<int>(c.origin);
}

TEST(PlayerKeys, CloseHandshakeIsAnIntegerUpToTenSeconds) {
    const auto handshake = [](const std::string& value) {
        return RejectionOf(R"({"name":"n","window":{"close-handshake-ms":)" + value + "}}");
    };
    for (const char* value : {"0", "10000"})
        EXPECT_EQ(handshake(value), "accepted") << value;
    for (const char* value : {"10001", "-1", "2.0", R"("500")", "true", "null", "1e30",
                              "18446744073709551615"})
        EXPECT_EQ(handshake(value), "invalid close handshake") << value;
    EXPECT_EQ(Parse(R"({"name":"n"})").closeHandshakeMs, 0);
    EXPECT_EQ(Parse(R"({"name":"n","window":{"close-handshake-ms":1500}})").closeHandshakeMs, 1500);
}
