#include "send_input.h"

#include <cstdio>
#include <cwchar>

#include "capture.h"

ULONGLONG DeadlineMilliseconds();

namespace {
// Input that Wine refuses as a whole (none inserted: blocked for the moment) is
// sent again until the deadline; a partial insertion is a failure, since sending
// it again would repeat what went in.
bool Send(std::vector<INPUT> inputs) {
    const ULONGLONG deadline = GetTickCount64() + DeadlineMilliseconds();
    for (;;) {
        const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
        if (sent == inputs.size())
            return true;
        if (sent != 0 || GetTickCount64() >= deadline) {
            std::fprintf(stderr, "SendInput took %u of %zu events (error %lu)\n", sent,
                         inputs.size(), GetLastError());
            return false;
        }
        Sleep(10);
    }
}

// Brings the window's top-level window to the front, so keys go to it.
void Activate(HWND window) {
    HWND top = GetAncestor(window, GA_ROOT);
    if (GetForegroundWindow() != top)
        ActivateAndWait(top);
}

INPUT MouseAt(POINT client, HWND window, DWORD flags, DWORD data = 0) {
    POINT screen = client;
    ClientToScreen(window, &screen);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    input.mi.mouseData = data;
    return input;
}

INPUT Key(WORD virtualKey, WORD scanCode, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = scanCode;
    input.ki.dwFlags = flags;
    return input;
}

WORD ModifierKey(const std::wstring& name) {
    if (name == L"ctrl")
        return VK_CONTROL;
    if (name == L"alt")
        return VK_MENU;
    return VK_SHIFT;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (to.QuadPart - from.QuadPart) * 1000.0 / frequency.QuadPart;
}
} // namespace

bool Click(HWND window, POINT client, int times) {
    Activate(window);
    std::vector<INPUT> inputs = {MouseAt(client, window, MOUSEEVENTF_MOVE)};
    for (int i = 0; i < times; ++i) {
        inputs.push_back(MouseAt(client, window, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN));
        inputs.push_back(MouseAt(client, window, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP));
    }
    return Send(inputs);
}

// The harness's one deadline, QUORRIN_DEADLINE_MS, as the tests run it.
ULONGLONG DeadlineMilliseconds() {
    wchar_t text[32] = {};
    const DWORD length = GetEnvironmentVariableW(L"QUORRIN_DEADLINE_MS", text, 32);
    const ULONGLONG value = length > 0 && length < 32 ? _wcstoui64(text, nullptr, 10) : 0;
    return value > 0 ? value : 20000;
}

// SetForegroundWindow only queues the activation to the window's thread; input
// sent before that thread handles it finds no focus there and is dropped. A
// message sent after it is answered once the activation (and the focus the
// window moves on it) is done. Wine refused the activation itself once under
// load, at once and silently: it is asked again until the deadline, and says why.
bool ActivateAndWait(HWND window) {
    const ULONGLONG timeout = DeadlineMilliseconds();
    const ULONGLONG deadline = GetTickCount64() + timeout;
    while (!SetForegroundWindow(window)) {
        const DWORD error = GetLastError();
        if (GetTickCount64() >= deadline) {
            std::fprintf(stderr, "SetForegroundWindow refused for %llu ms (error %lu, window %s)\n",
                         timeout, error,
                         IsWindowVisible(window) ? "visible"
                         : IsWindow(window)      ? "hidden"
                                                 : "gone");
            return false;
        }
        Sleep(10);
    }
    DWORD_PTR ignored = 0;
    if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(timeout),
                            &ignored))
        return true;
    std::fprintf(stderr, "the window's thread did not answer within %llu ms\n", timeout);
    return false;
}

// Waits, up to the deadline, until a window of `window`'s thread holds the mouse capture.
bool WaitForCapture(HWND window) {
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    const ULONGLONG timeout = DeadlineMilliseconds();
    const ULONGLONG deadline = GetTickCount64() + timeout;
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    while (!(GetGUIThreadInfo(thread, &info) && info.hwndCapture)) {
        if (GetTickCount64() > deadline) {
            std::fprintf(stderr, "the window did not take the mouse capture within %llu ms\n",
                         timeout);
            return false;
        }
        Sleep(1);
    }
    return true;
}

bool Press(HWND window, POINT client) {
    Activate(window);
    // Windows routes each mouse message when it is queued: moves outside the
    // window go to it only once it has taken the capture.
    return Send({MouseAt(client, window, MOUSEEVENTF_MOVE),
                 MouseAt(client, window, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN)}) &&
           WaitForCapture(window);
}

bool MoveTo(HWND window, POINT client) {
    return Send({MouseAt(client, window, MOUSEEVENTF_MOVE)});
}

bool Release(HWND window, POINT client) {
    return Send({MouseAt(client, window, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP)});
}

bool PointAt(HWND window, POINT client) {
    Activate(window);
    return Send({MouseAt(client, window, MOUSEEVENTF_MOVE)});
}

bool Wheel(HWND window, POINT client, int delta) {
    Activate(window);
    return Send(
        {MouseAt(client, window, MOUSEEVENTF_MOVE),
         MouseAt(client, window, MOUSEEVENTF_MOVE | MOUSEEVENTF_WHEEL, static_cast<DWORD>(delta))});
}

bool TypeText(HWND window, const std::wstring& text) {
    Activate(window);
    std::vector<INPUT> inputs;
    for (wchar_t unit : text) {
        inputs.push_back(Key(0, unit, KEYEVENTF_UNICODE));
        inputs.push_back(Key(0, unit, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
    }
    return Send(inputs);
}

bool PressKey(HWND window, unsigned virtualKey, const std::vector<std::wstring>& modifiers) {
    Activate(window);
    std::vector<INPUT> inputs;
    for (const std::wstring& name : modifiers)
        inputs.push_back(Key(ModifierKey(name), MapVirtualKeyW(ModifierKey(name), 0), 0));
    const WORD key = static_cast<WORD>(virtualKey);
    inputs.push_back(Key(key, static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)), 0));
    inputs.push_back(
        Key(key, static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)), KEYEVENTF_KEYUP));
    for (auto name = modifiers.rbegin(); name != modifiers.rend(); ++name)
        inputs.push_back(
            Key(ModifierKey(*name), MapVirtualKeyW(ModifierKey(*name), 0), KEYEVENTF_KEYUP));
    return Send(inputs);
}

std::vector<double> ClickToPixelChange(HWND window, POINT at, POINT probe, int rounds) {
    std::vector<double> latencies;
    for (int round = 0; round < rounds; ++round) {
        const uint32_t before = ClientPixel(window, probe);
        LARGE_INTEGER start, now;
        QueryPerformanceCounter(&start);
        Click(window, at, 1);
        double elapsed = -1;
        do {
            QueryPerformanceCounter(&now);
            if (ClientPixel(window, probe) != before) {
                elapsed = Milliseconds(start, now);
                break;
            }
            Sleep(1);
        } while (Milliseconds(start, now) < 2000);
        latencies.push_back(elapsed);
        Sleep(100); // lets the page settle before the next click
    }
    return latencies;
}
