// controller_host: the browser control alone, in a window of its own, for what
// the stand-in runtime does that Quorrin never asks of it (hiding the control,
// handling accelerator keys).
//   controller_host URL [VK...]  navigates there, marks the accelerator keys VK
//                         (hexadecimal) handled, prints "window HWND" once the
//                         control exists, then follows commands on standard
//                         input, one a line: "hide" and "show" (put_IsVisible),
//                         each answered with "done COMMAND", and "hide-elsewhere"
//                         (put_IsVisible from the input thread, against the
//                         runtime's rules), answered with "result HRESULT";
//                         ends at end of input.
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <set>
#include <thread>

#include "util/com/com_callback.h"

namespace {
constexpr UINT kCommand = WM_APP + 1; // wParam: 1 show, 0 hide
com_ptr<ICoreWebView2Environment> g_environment;
com_ptr<ICoreWebView2Controller> g_controller;
std::set<UINT> g_handledKeys;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCommand && g_controller) {
        g_controller->put_IsVisible(wParam ? TRUE : FALSE);
        std::printf("done %s\n", wParam ? "show" : "hide");
        std::fflush(stdout);
        return 0;
    }
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateHostWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"ControllerHost";
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, windowClass.lpszClassName, L"Controller host",
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 480, 360, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

void CreateController(HWND window, const std::wstring& url) {
    auto controllerCreated =
        MakeCallback<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
            [window, url](HRESULT, ICoreWebView2Controller* controller) {
                g_controller = com_ptr<ICoreWebView2Controller>::copy_from(controller);
                AddHandler(g_controller.get(), &ICoreWebView2Controller::add_AcceleratorKeyPressed,
                           [](ICoreWebView2Controller*,
                              ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
                               UINT key = 0;
                               args->get_VirtualKey(&key);
                               if (g_handledKeys.count(key))
                                   args->put_Handled(TRUE);
                           });
                RECT client;
                GetClientRect(window, &client);
                g_controller->put_Bounds(client);
                com_ptr<ICoreWebView2> webView;
                g_controller->get_CoreWebView2(webView.put());
                webView->Navigate(url.c_str());
                std::printf("window %llu\n",
                            static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
                std::fflush(stdout);
            });
    auto environmentCreated =
        MakeCallback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
            [window, controllerCreated](HRESULT, ICoreWebView2Environment* environment) {
                g_environment = com_ptr<ICoreWebView2Environment>::copy_from(environment);
                g_environment->CreateCoreWebView2Controller(window, controllerCreated.get());
            });
    CreateCoreWebView2EnvironmentWithOptions(nullptr, nullptr, nullptr, environmentCreated.get());
}

// Standard input, on its own thread; each command goes to the window's thread.
void ReadCommands(HWND window) {
    for (std::string line; std::getline(std::cin, line);) {
        if (line == "show" || line == "hide")
            PostMessageW(window, kCommand, line == "show", 0);
        if (line == "hide-elsewhere") {
            const HRESULT result = g_controller->put_IsVisible(FALSE);
            std::printf("result 0x%08lX\n", static_cast<unsigned long>(result));
            std::fflush(stdout);
        }
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: controller_host URL [VK...]\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i)
        g_handledKeys.insert(static_cast<UINT>(std::wcstoul(argv[i], nullptr, 16)));
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HWND window = CreateHostWindow();
    CreateController(window, argv[1]);
    std::thread(ReadCommands, window).detach();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    g_controller = nullptr;
    g_environment = nullptr;
    return 0;
}
