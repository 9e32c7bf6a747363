// Full screen, size and position commands on a real main window, at the screen
// dpi this test runs at (96 normally, 144 in the high-dpi run).
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include <windows.h>
#include <shobjidl.h>

#include "app/main_window.h"
#include "manifest/manifest.h"
#include "support/main_window_class.h"
#include "window/window_commands.h"

namespace {
SIZE ClientSize(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

RECT WindowRect(HWND window) {
    RECT frame;
    GetWindowRect(window, &frame);
    return frame;
}

bool operator==(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

// The shell's taskbar object, replaced for this process by one that records
// what it is told.
struct TaskbarRecord {
    int created = 0;
    std::vector<std::pair<HWND, BOOL>> marks;
} g_taskbar;

class RecordingTaskbar final : public ITaskbarList2 {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_ITaskbarList || iid == IID_ITaskbarList2) {
            *object = static_cast<ITaskbarList2*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG remaining = --references_;
        if (remaining == 0)
            delete this;
        return remaining;
    }
    HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND window, BOOL on) override {
        g_taskbar.marks.emplace_back(window, on);
        return S_OK;
    }

private:
    ULONG references_ = 1;
};

class RecordingTaskbarFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        ++g_taskbar.created;
        auto* taskbar = new RecordingTaskbar();
        HRESULT result = taskbar->QueryInterface(iid, object);
        taskbar->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
} g_taskbarFactory;

class WindowCommandsOnRealWindow : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        CoRegisterClassObject(CLSID_TaskbarList, &g_taskbarFactory, CLSCTX_INPROC_SERVER,
                              REGCLS_MULTIPLEUSE, &taskbarCookie_);
        g_taskbar = {};
        ASSERT_TRUE(MainWindowClassRegistered());
        manifest_.title = "commands";
        manifest_.width = 640;
        manifest_.height = 480;
        manifest_.resizable = GetParam();
        window_ = CreateMainWindow(GetModuleHandleW(nullptr), manifest_, SystemAwareDpi());
        ASSERT_NE(window_, nullptr);
        ShowWindow(window_, SW_SHOWNOACTIVATE);
        host_ = std::make_unique<WindowCommands>(window_, SystemAwareDpi());
    }
    void TearDown() override {
        host_.reset();
        CoRevokeClassObject(taskbarCookie_);
        DestroyWindow(window_);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }

    AppManifest manifest_;
    HWND window_ = nullptr;
    std::unique_ptr<WindowCommands> host_;
    DWORD taskbarCookie_ = 0;
};

struct Scaled {
    SIZE size801x600;
    POINT positionMinus100x50;
};
const std::map<int, Scaled> kExpectedAtDpi = {
    {96, {{801, 600}, {-100, 50}}},
    {120, {{1002, 750}, {-125, 63}}},
    {144, {{1202, 900}, {-150, 75}}},
};
} // namespace

TEST_P(WindowCommandsOnRealWindow, SizeAndPositionAreScaledPageUnits) {
    const auto expected = kExpectedAtDpi.find(ScreenDpi());
    ASSERT_NE(expected, kExpectedAtDpi.end()) << "unexpected screen dpi " << ScreenDpi();

    host_->SetWindowSize(801, 600);
    EXPECT_EQ(ClientSize(window_).cx, expected->second.size801x600.cx);
    EXPECT_EQ(ClientSize(window_).cy, expected->second.size801x600.cy);
    host_->SetWindowPosition(-100, 50);
    EXPECT_EQ(WindowRect(window_).left, expected->second.positionMinus100x50.x);
    EXPECT_EQ(WindowRect(window_).top, expected->second.positionMinus100x50.y);
    host_->SetWindowPosition(0, 0);
    EXPECT_EQ(WindowRect(window_).left, 0);
    EXPECT_EQ(WindowRect(window_).top, 0);
}

TEST_P(WindowCommandsOnRealWindow, NonPositiveSizesChangeNothing) {
    const RECT before = WindowRect(window_);
    for (auto [width, height] : {std::pair{0, 600}, {-5, 600}, {800, 0}, {800, -1}, {0, 0}})
        host_->SetWindowSize(width, height);
    EXPECT_TRUE(WindowRect(window_) == before);
}

TEST_P(WindowCommandsOnRealWindow, FullScreenFillsTheMonitorAndLeavingRestoresEverything) {
    host_->SetWindowPosition(40, 30);
    const LONG style = GetWindowLongW(window_, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(window_, GWL_EXSTYLE);
    const RECT windowed = WindowRect(window_);

    host_->SetFullScreen(true);
    EXPECT_TRUE(host_->IsFullScreen());
    EXPECT_EQ(GetWindowLongW(window_, GWL_STYLE), style & ~LONG{WS_CAPTION | WS_THICKFRAME});
    EXPECT_EQ(GetWindowLongW(window_, GWL_EXSTYLE), exStyle & ~LONG{0x00020301});
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor);
    EXPECT_TRUE(WindowRect(window_) == monitor.rcMonitor);

    // Ignored while in full screen, and not deferred until after it.
    host_->SetWindowSize(300, 200);
    host_->SetWindowPosition(5, 5);
    host_->SetFullScreen(true);
    EXPECT_TRUE(WindowRect(window_) == monitor.rcMonitor);

    host_->SetFullScreen(false);
    EXPECT_FALSE(host_->IsFullScreen());
    EXPECT_EQ(GetWindowLongW(window_, GWL_STYLE), style);
    EXPECT_EQ(GetWindowLongW(window_, GWL_EXSTYLE), exStyle);
    EXPECT_TRUE(WindowRect(window_) == windowed);
    host_->SetFullScreen(false);
    EXPECT_TRUE(WindowRect(window_) == windowed);

    // The taskbar is made once and told of each change, never of a repeat.
    EXPECT_EQ(g_taskbar.created, 1);
    const std::vector<std::pair<HWND, BOOL>> marks = {{window_, TRUE}, {window_, FALSE}};
    EXPECT_EQ(g_taskbar.marks, marks);
}

TEST_P(WindowCommandsOnRealWindow, SizesBelowTheMinimumGiveTheMinimum) {
    // The window itself has no minimum here: the command keeps its own.
    WindowCommands limited(window_, SystemAwareDpi(), {400, 300});
    limited.SetWindowSize(200, 350);
    EXPECT_EQ(ClientSize(window_).cx, ScaleForDpi(400));
    EXPECT_EQ(ClientSize(window_).cy, ScaleForDpi(350));
    limited.SetWindowSize(500, 1);
    EXPECT_EQ(ClientSize(window_).cx, ScaleForDpi(500));
    EXPECT_EQ(ClientSize(window_).cy, ScaleForDpi(300));
    // Nothing still means nothing, not the minimum.
    limited.SetWindowSize(0, 0);
    EXPECT_EQ(ClientSize(window_).cx, ScaleForDpi(500));
}

INSTANTIATE_TEST_SUITE_P(ResizableAndFixed, WindowCommandsOnRealWindow, testing::Bool());
