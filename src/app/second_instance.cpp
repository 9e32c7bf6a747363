#include "app/second_instance.h"

#include <shellapi.h>

#include "app/main_window.h"
#include "app/second_instance_message.h"
#include "util/text.h"
#include "webview/velnor_webview.h"

namespace {
// Marks our WM_COPYDATA among any other program's ("QRN2").
constexpr ULONG_PTR kSecondInstanceData = 0x514E5232;
constexpr DWORD kMaximumPayload = 1 << 20;
constexpr DWORD kFirstWindowWaitMs = 5000;
constexpr UINT kSendTimeoutMs = 5000;

bool IsMainWindowOf(HWND window, DWORD processId) {
    wchar_t className[64] = {};
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return IsWindow(window) && owner == processId &&
           GetClassNameW(window, className, ARRAYSIZE(className)) &&
           wcscmp(className, kMainWindowClass) == 0;
}
} // namespace

// The first copy's main window, written once it exists.
struct SingleInstance::Shared {
    volatile LONG64 window;
    volatile LONG processId;
};

SingleInstance::SingleInstance(const std::string& appName) {
    const std::wstring name = L"Local\\" + Utf8ToWide(InstanceObjectName(appName));
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Shared),
                                  name.c_str());
    if (!mapping_)
        return;
    isFirst_ = GetLastError() != ERROR_ALREADY_EXISTS;
    shared_ = static_cast<Shared*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!shared_)
        isFirst_ = true;
}

SingleInstance::~SingleInstance() {
    Release();
}

void SingleInstance::Release() {
    if (shared_)
        UnmapViewOfFile(shared_);
    if (mapping_)
        CloseHandle(mapping_);
    shared_ = nullptr;
    mapping_ = nullptr;
}

void SingleInstance::Publish(HWND mainWindow) {
    if (!shared_ || !isFirst_)
        return;
    InterlockedExchange(&shared_->processId, static_cast<LONG>(GetCurrentProcessId()));
    InterlockedExchange64(&shared_->window, reinterpret_cast<LONG64>(mainWindow));
}

void SingleInstance::SignalFirst(const std::vector<std::string>& arguments) const {
    if (!shared_)
        return;
    const ULONGLONG deadline = GetTickCount64() + kFirstWindowWaitMs;
    while (InterlockedCompareExchange64(&shared_->window, 0, 0) == 0 && GetTickCount64() < deadline)
        Sleep(50);
    HWND window = reinterpret_cast<HWND>(InterlockedCompareExchange64(&shared_->window, 0, 0));
    const auto processId =
        static_cast<DWORD>(InterlockedCompareExchange(&shared_->processId, 0, 0));
    if (!window || !IsMainWindowOf(window, processId))
        return;
    // This start came from the player, so it may hand the foreground on.
    AllowSetForegroundWindow(processId);
    const std::string payload = EncodeArguments(arguments);
    COPYDATASTRUCT data = {kSecondInstanceData, static_cast<DWORD>(payload.size()),
                           const_cast<char*>(payload.data())};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                        SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs, &result);
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

LRESULT AnswerSecondInstance(HWND window, const COPYDATASTRUCT* data) {
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
    if (g_webView)
        g_webView->PostToPage(message);
    return TRUE;
}
