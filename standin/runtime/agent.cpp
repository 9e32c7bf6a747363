#include "agent.h"

#include "agent_fields.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "browser_window.h"
#include "frames.h"

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {
constexpr UINT kRunQueuedWork = WM_APP + 1;
constexpr DWORD kConfigDeadlineMs = 30000;

struct AgentState {
    std::once_flag connectOnce;
    AgentConfig config;
    SOCKET socket = INVALID_SOCKET;
    std::mutex sendLock;
    std::mutex queueLock;
    std::deque<std::function<void()>> queue;
    HWND dispatcher = nullptr;
    AgentRequestHandler requestHandler;
    std::string pending; // bytes received after the last full line
    size_t searched = 0; // how much of them holds no line feed
};

AgentState& State() {
    static AgentState* state = new AgentState(); // lives until process exit
    return *state;
}

LRESULT CALLBACK DispatcherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kRunQueuedWork)
        return DefWindowProcW(window, message, wParam, lParam);
    std::function<void()> work;
    {
        std::lock_guard<std::mutex> lock(State().queueLock);
        if (State().queue.empty())
            return 0;
        work = std::move(State().queue.front());
        State().queue.pop_front();
    }
    work();
    return 0;
}

// A message-only window on the UI thread: posted work reaches the host's own
// message loop, as the real runtime's callbacks do.
void CreateDispatcher() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DispatcherProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"WebView2StandinDispatcher";
    RegisterClassW(&windowClass);
    State().dispatcher = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0,
                                         HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
}

bool ReadLine(std::string& line, DWORD timeoutMs) {
    AgentState& state = State();
    for (;;) {
        // Only what arrived since the last search is searched: a long line costs
        // its length once, not once per piece.
        size_t end = state.pending.find('\n', state.searched);
        if (end != std::string::npos) {
            line = state.pending.substr(0, end);
            state.pending.erase(0, end + 1);
            state.searched = 0;
            return true;
        }
        state.searched = state.pending.size();
        if (timeoutMs != INFINITE) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(state.socket, &readable);
            timeval wait = {static_cast<long>(timeoutMs / 1000),
                            static_cast<long>(timeoutMs % 1000) * 1000};
            if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
                return false;
        }
        char buffer[65536];
        int received = recv(state.socket, buffer, sizeof(buffer), 0);
        if (received <= 0)
            return false;
        state.pending.append(buffer, received);
    }
}

// Either of the two results: an HRESULT, or null for a null object.
void ReadResult(const Json& message, const char* name, long& result, bool& null) {
    const Json* value = Member(message, name);
    null = value && value->is_null();
    result = value && !null ? IntegerField(message, name, 0L) : 0;
}

void ApplyConfig(const Json& message) {
    AgentConfig& config = State().config;
    config.settings3 = BoolField(message, "settings3", true);
    config.settings6 = BoolField(message, "settings6", true);
    config.environment14 = BoolField(message, "environment14", true);
    config.webview2_2 = BoolField(message, "webview2_2", true);
    config.webview2_22 = BoolField(message, "webview2_22", true);
    config.webview2_23 = BoolField(message, "webview2_23", true);
    config.controller2 = BoolField(message, "controller2", true);
    config.controller3 = BoolField(message, "controller3", true);
    ReadResult(message, "environmentResult", config.environmentResult, config.environmentNull);
    ReadResult(message, "controllerResult", config.controllerResult, config.controllerNull);
    config.holdEnvironment = BoolField(message, "holdEnvironment", false);
    config.reportCalls = BoolField(message, "reportCalls", true);
    config.browserExitFromAgent = BoolField(message, "browserExitFromAgent", false);
}

// A line the link cannot take as a message: the agent hears why, with no id to
// answer to, and the link reads on.
void ReportMalformedLine(const std::string& line, const std::string& problem) {
    constexpr size_t kQuoted = 200;
    SendToAgent(
        {{"type", "result"}, {"id", nullptr}, {"error", problem + ": " + line.substr(0, kQuoted)}});
}

// The line as a JSON object, or nothing (reported) when it is not one.
std::optional<Json> ParseLine(const std::string& line) {
    Json message = Json::parse(line, nullptr, false);
    if (message.is_discarded())
        ReportMalformedLine(line, "not JSON");
    else if (!message.is_object())
        ReportMalformedLine(line, "not a JSON object");
    else
        return message;
    return std::nullopt;
}

void Enqueue(std::function<void()> work) {
    {
        std::lock_guard<std::mutex> lock(State().queueLock);
        State().queue.push_back(std::move(work));
    }
    PostMessageW(State().dispatcher, kRunQueuedWork, 0, 0);
}

void QueueRequest(Json request) {
    Enqueue([request = std::move(request)] {
        if (State().requestHandler)
            State().requestHandler(request);
    });
}

void ReadRequests() {
    std::string line;
    while (ReadLine(line, INFINITE)) {
        std::optional<Json> request = ParseLine(line);
        // Frames and the cursor are taken here, not on the UI thread, so that
        // input keeps flowing.
        if (request && !TakeFrameMessage(*request) && !TakeCursorMessage(*request))
            QueueRequest(std::move(*request));
    }
}

SOCKET ConnectTo(const std::string& address) {
    size_t colon = address.rfind(':');
    if (colon == std::string::npos)
        return INVALID_SOCKET;
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(address.substr(0, colon).c_str(), address.substr(colon + 1).c_str(), &hints,
                    &found) != 0)
        return INVALID_SOCKET;
    SOCKET socket = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    if (socket != INVALID_SOCKET && connect(socket, found->ai_addr, (int)found->ai_addrlen) != 0) {
        closesocket(socket);
        socket = INVALID_SOCKET;
    }
    // Every message is one small line: without this, Nagle's algorithm holds
    // each one back until the agent's delayed acknowledgement, 40 ms a round trip.
    const BOOL noDelay = TRUE;
    if (socket != INVALID_SOCKET)
        setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
                   sizeof(noDelay));
    freeaddrinfo(found);
    return socket;
}

void Connect() {
    CreateDispatcher();
    char address[256] = {};
    if (!GetEnvironmentVariableA("WEBVIEW2_STANDIN_AGENT", address, sizeof(address)))
        return;
    State().socket = ConnectTo(address);
    if (State().socket == INVALID_SOCKET)
        return;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX); // the browser's device scale is dpi / 96
    ReleaseDC(nullptr, screen);
    SendToAgent({{"type", "hello"}, {"pid", GetCurrentProcessId()}, {"dpi", dpi}});
    std::string line;
    std::vector<Json> early; // requests that came before the config, answered after it
    const ULONGLONG deadline = GetTickCount64() + kConfigDeadlineMs;
    while (GetTickCount64() < deadline && ReadLine(line, kConfigDeadlineMs)) {
        std::optional<Json> message = ParseLine(line);
        if (!message)
            continue;
        const Json* type = Member(*message, "type");
        if (type && *type == "config") {
            try {
                ApplyConfig(*message);
            } catch (const AgentMessageError& error) {
                // What was read so far counts; the rest keeps its defaults.
                ReportMalformedLine(line, std::string("config: ") + error.what());
            }
            break;
        }
        early.push_back(std::move(*message));
    }
    for (Json& request : early)
        QueueRequest(std::move(request));
    std::thread(ReadRequests).detach();
}
} // namespace

const AgentConfig& Config() {
    std::call_once(State().connectOnce, Connect);
    return State().config;
}

void SendToAgent(const Json& message) {
    AgentState& state = State();
    if (state.socket == INVALID_SOCKET)
        return;
    // Invalid UTF-8 from the host must not stop the report.
    std::string line = message.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
    std::lock_guard<std::mutex> lock(state.sendLock);
    for (size_t sent = 0; sent < line.size();) {
        int count = send(state.socket, line.data() + sent, static_cast<int>(line.size() - sent), 0);
        if (count <= 0)
            return;
        sent += count;
    }
}

void PostToUiThread(std::function<void()> work) {
    Config();
    Enqueue(std::move(work));
}

void SetAgentRequestHandler(AgentRequestHandler handler) {
    State().requestHandler = std::move(handler);
}
