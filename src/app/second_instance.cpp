#include "app/second_instance.h"

#include <shellapi.h>

#include "app/main_window.h"
#include "app/second_instance_message.h"
#include "util/log/author_log.h"
#include "util/text/files.h"
#include "util/text/text.h"
#include "window/window_browser.h"

namespace {
// Marks our WM_COPYDATA among any other program's ("QRN2").
constexpr ULONG_PTR kSecondInstanceData = 0x514E5232;
constexpr DWORD kMaximumPayload = 1 << 20;
// How long a later start waits for the first copy's window (it may still be
// checking or installing the runtime), and for a process to be named at all.
constexpr ULONGLONG kFirstWindowWaitMs = 10000;
constexpr ULONGLONG kProcessNamedWaitMs = 2000;
constexpr DWORD kPollMs = 50;
constexpr UINT kSendTimeoutMs = 5000;

bool IsMainWindowOf(HWND window, DWORD processId) {
    wchar_t className[64] = {};
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return IsWindow(window) && owner == processId &&
           GetClassNameW(window, className, ARRAYSIZE(className)) &&
           wcscmp(className, kMainWindowClass) == 0;
}

void LogForeignHolder(const std::string& why) {
    LogForAuthor("single instance: the name is held by " + why +
                 ", not a copy of this program; starting as a first copy");
}
} // namespace

// Written by the first copy: its process at once, its main window once it exists.
struct SingleInstance::Shared {
    volatile LONG64 window;
    volatile LONG processId;
};

SingleInstance::SingleInstance(const std::string& appName) {
    const std::wstring name = L"Local\\" + Utf8ToWide(InstanceObjectName(appName));
    ScopedHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(Shared), name.c_str()));
    if (!mapping) {
        LogForeignHolder("an object this program cannot open (error " +
                         std::to_string(GetLastError()) + ")");
        return;
    }
    isFirst_ = GetLastError() != ERROR_ALREADY_EXISTS;
    // A view is at least a page, so the few bytes read here lie inside it
    // whatever size another program gave the mapping.
    ScopedView view(MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!view) {
        LogForeignHolder("a mapping this program cannot map (error " +
                         std::to_string(GetLastError()) + ")");
        isFirst_ = true;
        return;
    }
    claim_.emplace(Claim{std::move(mapping), std::move(view)});
    if (isFirst_)
        InterlockedExchange(&shared()->processId, static_cast<LONG>(GetCurrentProcessId()));
}

SingleInstance::~SingleInstance() {
    Release();
}

SingleInstance::Shared* SingleInstance::shared() const {
    return claim_ ? static_cast<Shared*>(claim_->view.get()) : nullptr;
}

void SingleInstance::Release() {
    claim_.reset();
}

void SingleInstance::Publish(HWND mainWindow) {
    if (!shared() || !isFirst_)
        return;
    InterlockedExchange(&shared()->processId, static_cast<LONG>(GetCurrentProcessId()));
    InterlockedExchange64(&shared()->window, reinterpret_cast<LONG64>(mainWindow));
}

bool SingleInstance::DeferToFirstCopy(const std::vector<std::string>& arguments) {
    if (isFirst_ || !shared())
        return false;
    const ULONGLONG started = GetTickCount64();
    for (;;) {
        const auto processId =
            static_cast<DWORD>(InterlockedCompareExchange(&shared()->processId, 0, 0));
        HWND window = reinterpret_cast<HWND>(InterlockedCompareExchange64(&shared()->window, 0, 0));
        const ULONGLONG waited = GetTickCount64() - started;
        if (processId && !RunsThisProgram(processId)) {
            LogForeignHolder("process " + std::to_string(processId) + " (" +
                             PathForAuthorLog(ProcessImagePath(processId)) + ")");
            break;
        }
        if (processId && window) {
            if (IsMainWindowOf(window, processId))
                return Forward(window, processId, arguments);
            LogForeignHolder("a window that is not this program's main window");
            break;
        }
        if (!processId && waited >= kProcessNamedWaitMs) {
            LogForeignHolder("a program that names no process");
            break;
        }
        if (waited >= kFirstWindowWaitMs) {
            LogForAuthor("single instance: the first copy (process " + std::to_string(processId) +
                         ") has shown no window after 10 s; this start ends");
            return true;
        }
        Sleep(kPollMs);
    }
    // Not ours to publish in: this copy runs without being found by later starts.
    claim_.reset();
    return false;
}

bool SingleInstance::Forward(HWND window, DWORD processId,
                             const std::vector<std::string>& arguments) const {
    // This start came from the player, so it may hand the foreground on.
    AllowSetForegroundWindow(processId);
    const std::string payload = EncodeArguments(arguments);
    COPYDATASTRUCT data = {kSecondInstanceData, static_cast<DWORD>(payload.size()),
                           const_cast<char*>(payload.data())};
    DWORD_PTR result = 0;
    const bool answered =
        SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                            SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs, &result);
    LogForAuthor("single instance: " +
                 std::string(answered && result ? "handed the arguments to"
                                                : "no answer from the window of") +
                 " the first copy (process " + std::to_string(processId) + "); this start ends");
    return true;
}

std::vector<std::string> CommandLineArguments() {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; words && i < count; ++i)
        arguments.push_back(WideToUtf8(words[i]));
    LocalFree(words);
    return arguments;
}

LRESULT AnswerSecondInstance(HWND window, WindowBrowser* browser, const COPYDATASTRUCT* data) {
    if (!data || data->dwData != kSecondInstanceData || data->cbData > kMaximumPayload ||
        (data->cbData && !data->lpData))
        return FALSE;
    const std::string payload =
        data->cbData ? std::string(static_cast<const char*>(data->lpData), data->cbData) : "";
    const std::string message = SecondInstanceMessage(payload);
    if (message.empty())
        return FALSE;
    // A window still hidden has not shown its page yet; it appears when the page loads.
    if (IsWindowVisible(window)) {
        if (IsIconic(window))
            ShowWindow(window, SW_RESTORE);
        SetForegroundWindow(window);
    }
    if (browser)
        browser->PostToPage(message);
    return TRUE;
}
