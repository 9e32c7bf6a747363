// What the agent asks of the stand-in: raise an event, describe the windows, or
// close the main window as a user would.
#include <map>
#include <utility>
#include <vector>

#include "agent_fields.h"
#include "body_streams.h"
#include "browser_window.h"
#include "objects.h"

#include <commctrl.h>
#include <psapi.h>

namespace {
std::string TextOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return ToUtf8(text);
}

std::string ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return ToUtf8(name);
}

BOOL CALLBACK CollectOwnWindow(HWND window, LPARAM context) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId())
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

std::vector<HWND> OwnTopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectOwnWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Before a controller exists, the host's window is its one top-level window
// that is not a dialog.
HWND MainWindow() {
    if (Controller* controller = CurrentController())
        return controller->parent();
    for (HWND window : OwnTopLevelWindows())
        if (ClassOf(window) != "#32770")
            return window;
    return nullptr;
}

// What a person does to the main window from outside: minimise or restore it
// (its button, the taskbar), or give its window the focus (Alt+Tab back to it).
void ShowMainWindow(const std::string& command, Json& reply) {
    static const std::map<std::string, int> commands = {
        {"minimize", SW_MINIMIZE}, {"restore", SW_RESTORE}, {"maximize", SW_MAXIMIZE}};
    HWND window = MainWindow();
    if (command == "focus") {
        reply["done"] = window != nullptr;
        if (window)
            SetFocus(window);
        return;
    }
    auto found = commands.find(command);
    if (found == commands.end())
        throw AgentMessageError("unknown window command " + Quoted(command));
    reply["done"] = window != nullptr;
    if (window)
        ShowWindow(window, found->second);
}

BOOL CALLBACK CollectChild(HWND child, LPARAM context) {
    reinterpret_cast<std::vector<HWND>*>(context)->push_back(child);
    return TRUE;
}

// Which standard icon a message box shows: shared icons are the same handle
// throughout this process.
std::string IconKind(HICON icon) {
    const std::pair<const wchar_t*, const char*> kinds[] = {{IDI_ERROR, "error"},
                                                            {IDI_INFORMATION, "information"},
                                                            {IDI_WARNING, "warning"},
                                                            {IDI_QUESTION, "question"}};
    for (const auto& [id, name] : kinds)
        if (icon == LoadIconW(nullptr, id))
            return name;
    return icon ? "other" : "none";
}

Json DescribeDialog(HWND dialog) {
    std::vector<HWND> children;
    EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
    Json buttons = Json::array();
    std::string text;
    std::string icon = "none";
    for (HWND child : children) {
        if (!IsWindowVisible(child))
            continue;
        const std::string className = ClassOf(child);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (className == "Button")
            buttons.push_back(TextOf(child));
        else if (className == "Static" && (style & SS_TYPEMASK) == SS_ICON)
            icon = IconKind(reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)));
        else if (className == "Static" && !TextOf(child).empty())
            text = TextOf(child);
    }
    // The owner: a box without one falls behind a full-screen window.
    const HWND owner = GetWindow(dialog, GW_OWNER);
    return {{"caption", TextOf(dialog)},
            {"text", text},
            {"buttons", buttons},
            {"icon", icon},
            {"owner", owner ? Json(reinterpret_cast<uintptr_t>(owner)) : Json(nullptr)}};
}

// The UI thread's dpi awareness: 0 unaware, 1 system, 2 per monitor; -1 unknown.
int DpiAwarenessNow() {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    using Current = DPI_AWARENESS_CONTEXT(WINAPI*)();
    using Awareness = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
    auto current = reinterpret_cast<Current>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    auto awareness = reinterpret_cast<Awareness>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    return current && awareness ? static_cast<int>(awareness(current())) : -1;
}

Json DescribeWindow(HWND window) {
    if (!window)
        return nullptr;
    RECT frame, client;
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    POINT clientOrigin = {0, 0}; // the client area's top left on the screen
    ClientToScreen(window, &clientOrigin);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return {{"handle", reinterpret_cast<uintptr_t>(window)},
            {"caption", TextOf(window)},
            {"className", ClassOf(window)},
            {"visible", IsWindowVisible(window) != FALSE},
            {"style", static_cast<uint32_t>(GetWindowLongW(window, GWL_STYLE))},
            {"exStyle", static_cast<uint32_t>(GetWindowLongW(window, GWL_EXSTYLE))},
            {"window", ToJson(frame)},
            {"client", ToJson(client)},
            {"clientOrigin", {{"x", clientOrigin.x}, {"y", clientOrigin.y}}},
            {"monitor", ToJson(monitor.rcMonitor)},
            {"dpi", dpi},
            {"dpiAwareness", DpiAwarenessNow()},
            {"icon", GetClassLongPtrW(window, GCLP_HICON) != 0},
            {"focused", GetFocus() == window},
            {"foreground", GetForegroundWindow() == window}};
}

// The process's memory, in bytes: current and peak working set and private bytes.
Json DescribeMemory() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    // Commit charge: the process's private bytes (Wine leaves PrivateUsage at 0).
    return {{"workingSet", counters.WorkingSetSize},
            {"peakWorkingSet", counters.PeakWorkingSetSize},
            {"privateBytes", counters.PagefileUsage},
            {"peakPrivateBytes", counters.PeakPagefileUsage}};
}

// A top-level window with its child controls; progress bars with their position.
Json DescribeWithChildren(HWND window) {
    Json description = DescribeWindow(window);
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    Json controls = Json::array();
    for (HWND child : children) {
        RECT frame;
        GetWindowRect(child, &frame);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&frame), 2);
        Json control = {{"className", ClassOf(child)},
                        {"rect", ToJson(frame)},
                        {"style", static_cast<uint32_t>(GetWindowLongW(child, GWL_STYLE))}};
        if (ClassOf(child) == "msctls_progress32") {
            control["position"] = SendMessageW(child, PBM_GETPOS, 0, 0);
            control["rangeHigh"] = SendMessageW(child, PBM_GETRANGE, FALSE, 0);
        }
        controls.push_back(control);
    }
    description["children"] = controls;
    return description;
}

// The browser window, with the cursor the UI thread shows over it.
Json DescribeBrowserWindow(HWND window) {
    Json description = DescribeWindow(window);
    description["cursor"] = ShownCursorName();
    return description;
}

Json DescribeWindows() {
    Controller* controller = CurrentController();
    Json dialogs = Json::array();
    Json all = Json::array();
    for (HWND window : OwnTopLevelWindows()) {
        if (ClassOf(window) == "#32770" && IsWindowVisible(window))
            dialogs.push_back(DescribeDialog(window));
        all.push_back(DescribeWithChildren(window));
    }
    return {{"main", DescribeWindow(MainWindow())},
            {"browser",
             controller ? DescribeBrowserWindow(controller->browserWindow()) : Json(nullptr)},
            {"dialogs", dialogs},
            {"all", all}};
}

// Clicks a button of the first visible message box, as a user would.
bool PressDialogButton(const std::string& label) {
    for (HWND window : OwnTopLevelWindows()) {
        if (ClassOf(window) != "#32770" || !IsWindowVisible(window))
            continue;
        std::vector<HWND> children;
        EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
        for (HWND child : children)
            if (ClassOf(child) == "Button" && IsWindowVisible(child) && TextOf(child) == label) {
                PostMessageW(child, BM_CLICK, 0, 0);
                return true;
            }
    }
    return false;
}
std::function<void()>& HeldEnvironmentCompletion() {
    static std::function<void()> completion;
    return completion;
}
} // namespace

namespace {
// Reports each position a progress bar of this thread is given, so that a test
// sees the whole course of a download, not only where the bar happens to be.
LRESULT CALLBACK WatchProgressBars(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == PBM_SETPOS &&
        ClassOf(message->hwnd) == "msctls_progress32")
        SendToAgent({{"type", "progress"}, {"position", static_cast<int64_t>(message->wParam)}});
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
} // namespace

void WatchProgressBarsOnThisThread() {
    SetWindowsHookExW(WH_CALLWNDPROC, WatchProgressBars, nullptr, GetCurrentThreadId());
}

void HoldEnvironmentCompletion(std::function<void()> completion) {
    HeldEnvironmentCompletion() = std::move(completion);
}

namespace {
// What one request asks for, added to its result. Throws AgentMessageError when
// the request is malformed.
void Answer(const Json& request, Json& reply) {
    const std::string type = RequiredString(request, "type");
    if (type == "raise") {
        const std::string event = RequiredString(request, "event");
        const Json args = ObjectField(request, "args");
        Controller* controller = CurrentController();
        // Held for the event, as the runtime holds its objects while a handler
        // runs: a host may let go of a failed browser inside ProcessFailed.
        const Ref<Controller> held(controller);
        if (!controller || !controller->webView())
            reply["error"] = "no web view";
        else
            try {
                reply.update(controller->webView()->Raise(event, args));
            } catch (const AgentMessageError& error) {
                throw AgentMessageError(event + ": " + error.what());
            }
    } else if (type == "query") {
        const std::string what = StringField(request, "what", "window");
        if (what == "objects")
            reply["live"] = LiveObjects();
        else if (what == "memory")
            reply["memory"] = DescribeMemory();
        else if (what == "window")
            reply.update(DescribeWindows());
        else
            throw AgentMessageError("unknown query " + Quoted(what));
    } else if (type == "close") {
        // "wait": close at once and say whether the window is gone, for a window
        // whose closing blocks the UI thread right after (the installer's does).
        const bool wait = BoolField(request, "wait", false);
        if (HWND window = MainWindow(); window && wait) {
            SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            reply["closed"] = !IsWindow(window);
        } else if (window) {
            PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
    } else if (type == "complete-environment") {
        reply["completed"] = static_cast<bool>(HeldEnvironmentCompletion());
        if (auto completion = std::exchange(HeldEnvironmentCompletion(), nullptr))
            PostToUiThread(completion);
    } else if (type == "browser-exited") {
        reply["raised"] = BrowserProcessesExited();
    } else if (type == "set-window-pos") {
        // Moves or sizes the main window, as the user would by dragging it.
        const int x = IntegerField(request, "x", 0), y = IntegerField(request, "y", 0);
        const int width = IntegerField(request, "width", 0);
        const int height = IntegerField(request, "height", 0);
        HWND window = MainWindow();
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (!request.contains("width"))
            flags |= SWP_NOSIZE;
        if (!request.contains("x"))
            flags |= SWP_NOMOVE;
        reply["done"] = window && SetWindowPos(window, nullptr, x, y, width, height, flags);
    } else if (type == "dpi-changed") {
        // What Windows sends when the window reaches a monitor of another scale.
        RECT suggested = {IntegerField(request, "left", 0), IntegerField(request, "top", 0),
                          IntegerField(request, "right", 0), IntegerField(request, "bottom", 0)};
        const WPARAM dpi = IntegerField(request, "dpi", 96);
        HWND window = MainWindow();
        reply["done"] = window != nullptr;
        if (window)
            SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                         reinterpret_cast<LPARAM>(&suggested));
    } else if (type == "show-window") {
        ShowMainWindow(StringField(request, "command", ""), reply);
    } else if (type == "read-body") {
        reply.update(ReadBodyStream(request));
    } else if (type == "close-body") {
        reply.update(CloseBodyStream(request));
    } else if (type == "press") {
        reply["pressed"] = PressDialogButton(StringField(request, "button", "OK"));
    } else {
        throw AgentMessageError("unknown request " + Quoted(type));
    }
}
} // namespace

namespace {
struct Replying {
    Json id;
    bool later = false;
};
Replying* g_replying = nullptr; // the request being answered, on the UI thread
} // namespace

std::function<void(Json)> ReplyLater() {
    if (!g_replying)
        return nullptr;
    g_replying->later = true;
    return [id = g_replying->id](Json reply) {
        reply["type"] = "result";
        reply["id"] = id;
        SendToAgent(reply);
    };
}

void HandleAgentRequest(const Json& request) {
    const Json* id = Member(request, "id");
    Json reply = {{"type", "result"}, {"id", id ? *id : Json(nullptr)}};
    Replying replying{reply["id"]};
    Replying* const outer = std::exchange(g_replying, &replying);
    try {
        // A script dialog is answered once a person has answered it.
        if (const Json* type = Member(request, "type"); type && *type == "script-dialog") {
            g_replying = outer;
            return ShowScriptDialog(request, MainWindow());
        }
        Answer(request, reply);
    } catch (const std::exception& error) {
        // A malformed request changes nothing in the host; the agent learns why.
        reply["error"] = error.what();
    }
    g_replying = outer;
    if (!replying.later)
        SendToAgent(reply);
}
