#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "app/host_owners.h"
#include "app/main_window.h"
#include "manifest/manifest.h"
#include "support/main_window_class.h"
#include "webview/deferred_work.h"
#include "window/window_browser.h"
#include "window/window_commands.h"

namespace {
HINSTANCE Instance() {
    return GetModuleHandleW(nullptr);
}

void RegisterClassOnce() {
    ASSERT_TRUE(MainWindowClassRegistered());
}

HWND MakeWindow(bool resizable, int width = 640, int height = 480) {
    AppManifest manifest;
    manifest.title = "Titel \xE2\x82\xAC";
    manifest.width = width;
    manifest.height = height;
    manifest.resizable = resizable;
    return CreateMainWindow(Instance(), manifest, SystemAwareDpi());
}

// Every menu loop a key starts runs inside DispatchMessage; this timer fires in
// it, notes it and ends it, so a regression fails instead of hanging.
bool g_sawMenuMode = false;
void CALLBACK EndMenuMode(HWND, UINT, UINT_PTR, DWORD) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetCurrentThreadId(), &info);
    if (info.flags & (GUI_INMENUMODE | GUI_SYSTEMMENUMODE | GUI_POPUPMENUMODE)) {
        g_sawMenuMode = true;
        EndMenu();
    }
}

void DispatchPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

struct KeyEvent {
    UINT message;
    WPARAM key;
    LPARAM flags;
};
using KeySequence = std::vector<KeyEvent>;

// Keys as the keyboard driver reports them: Alt pressed and released alone, F10
// pressed and released, and Alt held with a character.
constexpr LPARAM kAltContext = 1 << 29;
constexpr LPARAM kKeyRelease = (LPARAM{1} << 31) | (LPARAM{1} << 30);
constexpr KeyEvent kAltDown = {WM_SYSKEYDOWN, VK_MENU, 0x00380001 | kAltContext};
const KeySequence kAltAlone = {kAltDown,
                               {WM_SYSKEYUP, VK_MENU, 0x00380001 | kAltContext | kKeyRelease}};
const KeySequence kF10Alone = {{WM_SYSKEYDOWN, VK_F10, 0x00440001},
                               {WM_SYSKEYUP, VK_F10, 0x00440001 | kKeyRelease}};
const KeySequence kAltF = {kAltDown, {WM_SYSCHAR, 'f', 0x00210001 | kAltContext}};
const KeySequence kAltSpace = {kAltDown, {WM_SYSCHAR, ' ', 0x00390001 | kAltContext}};

bool KeysEnterMenuMode(HWND window, const KeySequence& keys) {
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    DispatchPending();
    g_sawMenuMode = false;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, EndMenuMode);
    for (const KeyEvent& key : keys)
        PostMessageW(window, key.message, key.key, key.flags);
    DispatchPending();
    KillTimer(nullptr, timer);
    return g_sawMenuMode;
}

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakePlainWindow() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = PlainWindowProc;
    windowClass.hInstance = Instance();
    windowClass.lpszClassName = L"PlainTestWindow";
    static ATOM atom = RegisterClassExW(&windowClass);
    return CreateWindowExW(0, MAKEINTATOM(atom), L"plain", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                           nullptr, nullptr, Instance(), nullptr);
}

// Counts what the window asks of the browser, and holds every close.
class CountingBrowser final : public WindowBrowser {
public:
    int calls = 0;
    bool HoldClose() override { return ++calls, true; }
    void OnMainWindowMoved() override { ++calls; }
    void OnMainWindowSized(bool) override { ++calls; }
    void OnMainWindowActivated() override { ++calls; }
    void OnMainWindowActiveChanged(bool) override { ++calls; }
    void OnMainWindowDpiChanged(int) override { ++calls; }
    void RunDeferredWork() override { ++calls; }
    void DeliverContentAnswers() override { ++calls; }
    bool IsFullScreen() const override { return false; }
    void PostToPage(const std::string&) override { ++calls; }
};

SIZE ClientSizeOf(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

LONG StyleWithoutClipSiblings(HWND window) {
    // The system adds WS_CLIPSIBLINGS to every top-level window.
    return GetWindowLongW(window, GWL_STYLE) & ~WS_CLIPSIBLINGS;
}
} // namespace

TEST(MainWindow, ClassIsRegisteredAsDescribed) {
    RegisterClassOnce();
    WNDCLASSEXW info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetClassInfoExW(Instance(), kMainWindowClass, &info));
    EXPECT_EQ(info.style, UINT{CS_HREDRAW | CS_VREDRAW});
    EXPECT_EQ(info.lpfnWndProc, &MainWindowProc);
    EXPECT_EQ(info.hCursor, LoadCursorW(nullptr, IDC_ARROW));
    // The manifest's background colour, white by default.
    LOGBRUSH brush = {};
    ASSERT_EQ(GetObjectW(info.hbrBackground, sizeof(brush), &brush), int{sizeof(brush)});
    EXPECT_EQ(brush.lbStyle, UINT{BS_SOLID});
    EXPECT_EQ(brush.lbColor, RGB(255, 255, 255));
    EXPECT_EQ(info.cbClsExtra, 0);
    EXPECT_EQ(info.cbWndExtra, 0);
}

TEST(MainWindow, StyleAndClientSizeFollowTheManifest) {
    RegisterClassOnce();
    struct Case {
        bool resizable;
        LONG style;
    } cases[] = {{true, 0x00CF0000}, {false, 0x00CA0000}};
    for (const Case& c : cases) {
        HWND window = MakeWindow(c.resizable, 640, 480);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(StyleWithoutClipSiblings(window), c.style);
        EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
        EXPECT_FALSE(IsWindowVisible(window));
        RECT client;
        GetClientRect(window, &client);
        EXPECT_EQ(client.right, ScaleForDpi(640));
        EXPECT_EQ(client.bottom, ScaleForDpi(480));
        wchar_t title[64];
        GetWindowTextW(window, title, 64);
        EXPECT_STREQ(title, L"Titel \x20AC");
        DestroyWindow(window);
    }
    DispatchPending();
}

TEST(MainWindow, StyleAndClientSizeKeepTheMinimum) {
    RegisterClassOnce();
    for (bool resizable : {true, false}) {
        AppManifest manifest;
        manifest.width = 300;
        manifest.height = 500;
        manifest.minWidth = 400;
        manifest.minHeight = 250;
        manifest.resizable = resizable;
        HWND window = CreateMainWindow(Instance(), manifest, SystemAwareDpi());
        ASSERT_NE(window, nullptr);
        RECT client;
        GetClientRect(window, &client);
        EXPECT_EQ(client.right, ScaleForDpi(400)) << "the first size is at least the minimum";
        EXPECT_EQ(client.bottom, ScaleForDpi(500));
        SetWindowPos(window, nullptr, 0, 0, 50, 40, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetClientRect(window, &client);
        EXPECT_EQ(client.right, ScaleForDpi(400)) << "a smaller size gives the minimum";
        EXPECT_EQ(client.bottom, ScaleForDpi(250));
        DestroyWindow(window);
    }
    // The next window without a minimum may be as small as the system lets it.
    HWND window = MakeWindow(true, 640, 480);
    SetWindowPos(window, nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_LT(client.right, ScaleForDpi(400));
    DestroyWindow(window);
    DispatchPending();
}

TEST(MainWindow, KeyboardNeverEntersTheWindowMenu) {
    RegisterClassOnce();
    HWND plain = MakePlainWindow();
    ASSERT_TRUE(KeysEnterMenuMode(plain, kAltAlone)) << "the probe must see a default menu loop";
    DestroyWindow(plain);

    HWND window = MakeWindow(true);
    EXPECT_FALSE(KeysEnterMenuMode(window, kAltAlone));
    EXPECT_FALSE(KeysEnterMenuMode(window, kF10Alone));
    EXPECT_FALSE(KeysEnterMenuMode(window, kAltF));
    EXPECT_FALSE(KeysEnterMenuMode(window, kAltSpace));
    DestroyWindow(window);
    DispatchPending();
}

TEST(MainWindow, OtherSystemCommandsTakeTheirDefaultCourse) {
    RegisterClassOnce();
    HWND window = MakeWindow(true);
    ShowWindow(window, SW_SHOW);
    SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(window));
    SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(window));
    SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window));
    MSG quit = {};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

TEST(MainWindow, ReachesTheBrowserOnlyWhileLinked) {
    RegisterClassOnce();
    HWND window = MakeWindow(true);
    CountingBrowser browser;
    const auto sendSizeWorkAndClose = [window] {
        SendMessageW(window, WM_SIZE, SIZE_RESTORED, 0);
        SendMessageW(window, kRunDeferredWork, 0, 0);
        SendMessageW(window, WM_CLOSE, 0, 0);
    };
    {
        const WindowBrowserLink link(window, browser);
        sendSizeWorkAndClose();
        EXPECT_EQ(browser.calls, 3);
        ASSERT_TRUE(IsWindow(window)) << "the browser held the close";
    }
    EXPECT_EQ(MainWindowStateOf(window)->browser, nullptr);
    sendSizeWorkAndClose();
    EXPECT_EQ(browser.calls, 3) << "an unlinked window asks nothing";
    EXPECT_FALSE(IsWindow(window)) << "without a browser the close goes through";
    DispatchPending();
}

// Sizes follow the dpi start-up chose, never a screen reading of their own.
TEST(MainWindow, SizesComeFromTheDpiChosenAtStartUp) {
    RegisterClassOnce();
    const DpiChoice doubled(false, 192);
    AppManifest manifest;
    manifest.width = 200;
    manifest.height = 150;
    manifest.minWidth = 160;
    manifest.minHeight = 100;
    HWND window = CreateMainWindow(Instance(), manifest, doubled);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ClientSizeOf(window).cx, 400);
    EXPECT_EQ(ClientSizeOf(window).cy, 300);
    SetWindowPos(window, nullptr, 0, 0, 50, 40, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(ClientSizeOf(window).cx, 320) << "the minimum at the chosen dpi";
    EXPECT_EQ(ClientSizeOf(window).cy, 200);
    WindowCommands commands(window, doubled);
    commands.SetWindowSize(250, 120);
    EXPECT_EQ(ClientSizeOf(window).cx, 500);
    EXPECT_EQ(ClientSizeOf(window).cy, 240);
    DestroyWindow(window);
    DispatchPending();
}
