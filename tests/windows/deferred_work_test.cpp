// Work a runtime callback defers: it runs from the message loop, in order,
// never at the time it is posted.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include <windows.h>
#include <WebView2.h>

#include "util/com/com_callback.h"
#include "webview/deferred_work.h"

namespace {
DeferredWork* g_work = nullptr;

LRESULT CALLBACK RunsDeferredWork(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunDeferredWork && g_work) {
        g_work->RunNext();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = RunsDeferredWork;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"DeferredWorkTest";
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}

void DispatchPending() {
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
        DispatchMessageW(&message);
}

TEST(DeferredWork, RunsFromTheLoopInOrderAndNeverWhenPosted) {
    HWND window = MakeWindow();
    ASSERT_NE(window, nullptr);
    DeferredWork work(window);
    g_work = &work;
    std::vector<std::string> ran;
    work.Post("first", [&] {
        ran.push_back("first");
        // Posted from deferred work (a box's loop may run the next piece): after it.
        work.Post("third", [&] { ran.push_back("third"); });
    });
    work.Post("second", [&] { ran.push_back("second"); });
    EXPECT_TRUE(ran.empty());
    DispatchPending();
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "second", "third"}));

    // A window already gone: nothing runs, nothing stays queued.
    DestroyWindow(window);
    work.Post("late", [&] { ran.push_back("late"); });
    DispatchPending();
    EXPECT_EQ(ran.size(), 3u);
    g_work = nullptr;
}

// A box's own loop dispatches the window's messages while its piece runs.
TEST(DeferredWork, APieceQueuedDuringAnotherPiecesLoopWaitsForIt) {
    HWND window = MakeWindow();
    ASSERT_NE(window, nullptr);
    DeferredWork work(window);
    g_work = &work;
    std::vector<std::string> ran;
    work.Post("box", [&] {
        work.Post("queued meanwhile", [&] { ran.push_back("queued meanwhile"); });
        DispatchPending();
        ran.push_back("box closed");
        throw std::bad_alloc();
    });
    work.Post("after", [&] { ran.push_back("after"); });
    DispatchPending();
    EXPECT_EQ(ran, (std::vector<std::string>{"box closed", "after", "queued meanwhile"}));
    DestroyWindow(window);
    g_work = nullptr;
}

TEST(Callback, WhatAHandlerThrowsNeverReachesTheRuntime) {
    const auto handler = MakeCallback<ICoreWebView2DOMContentLoadedEventHandler>(
        [](ICoreWebView2*, ICoreWebView2DOMContentLoadedEventArgs*) { throw std::bad_alloc(); });
    EXPECT_EQ(handler->Invoke(nullptr, nullptr), S_OK);
}
} // namespace
