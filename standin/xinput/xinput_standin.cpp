// A stand-in for xinput1_4.dll, placed in the test prefix's System32 and chosen
// over Wine's own with WINEDLLOVERRIDES=xinput1_4=n, driven by the tests
// through files in the program's folder:
//   xinput-standin.pads   (written by the test, renamed into place) a line
//       "seq N AT" (AT: when it was written, ms since 1970), then one line per
//       connected pad:
//       "INDEX BUTTONS LEFT_TRIGGER RIGHT_TRIGGER LX LY RX RY"
//   xinput-standin.log    JSON lines: each XInputSetState, and each new "seq"
//       the first time a reading of it is handed out, with slot 0's count then
//       and the ms since it was written
//   xinput-standin.count  "TOTAL SLOT0": XInputGetState calls so far, rewritten in place
#include <windows.h>

#include <xinput.h>

#include <cstdio>
#include <string>

namespace {
struct Pads {
    long long seq = 0;
    double writtenMs = 0;
    bool connected[XUSER_MAX_COUNT] = {};
    XINPUT_GAMEPAD gamepad[XUSER_MAX_COUNT] = {};
};

CRITICAL_SECTION g_lock;
unsigned long long g_calls = 0, g_slot0Calls = 0;
long long g_lastServed = 0;
DWORD g_packet = 0;
HANDLE g_countFile = INVALID_HANDLE_VALUE;

std::wstring ProgramFile(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring file(path, length);
    return file.substr(0, file.find_last_of(L'\\') + 1) + name;
}

std::string ReadWhole(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    char buffer[4096];
    DWORD read = 0;
    ReadFile(file, buffer, sizeof(buffer) - 1, &read, nullptr);
    CloseHandle(file);
    return std::string(buffer, read);
}

// The same clock as the test's Date.now().
double NowMs() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const ULONGLONG ticks = (ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime;
    return (ticks - 116444736000000000ULL) / 10000.0;
}

Pads ReadPads() {
    Pads pads;
    const std::string text = ReadWhole(ProgramFile(L"xinput-standin.pads"));
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end == std::string::npos ? end : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        int index, buttons, left, right, lx, ly, rx, ry;
        if (std::sscanf(line.c_str(), "seq %lld %lf", &pads.seq, &pads.writtenMs) >= 1)
            continue;
        if (std::sscanf(line.c_str(), "%d %d %d %d %d %d %d %d", &index, &buttons, &left, &right,
                        &lx, &ly, &rx, &ry) != 8 ||
            index < 0 || index >= XUSER_MAX_COUNT)
            continue;
        pads.connected[index] = true;
        pads.gamepad[index] = {static_cast<WORD>(buttons), static_cast<BYTE>(left),
                               static_cast<BYTE>(right), static_cast<SHORT>(lx),
                               static_cast<SHORT>(ly), static_cast<SHORT>(rx),
                               static_cast<SHORT>(ry)};
    }
    return pads;
}

void AppendLog(const std::string& line) {
    HANDLE file = CreateFileW(ProgramFile(L"xinput-standin.log").c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// Fixed width, written over itself: a reader sees the old count or the new.
void WriteCount() {
    if (g_countFile == INVALID_HANDLE_VALUE)
        g_countFile = CreateFileW(ProgramFile(L"xinput-standin.count").c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  CREATE_ALWAYS, 0, nullptr);
    if (g_countFile == INVALID_HANDLE_VALUE)
        return;
    char text[64];
    const int length = std::snprintf(text, sizeof(text), "%20llu %20llu\n", g_calls, g_slot0Calls);
    OVERLAPPED start = {};
    DWORD written = 0;
    WriteFile(g_countFile, text, static_cast<DWORD>(length), &written, &start);
}
} // namespace

extern "C" {
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH)
        InitializeCriticalSection(&g_lock);
    return TRUE;
}

__declspec(dllexport) DWORD WINAPI XInputGetState(DWORD index, XINPUT_STATE* state) {
    EnterCriticalSection(&g_lock);
    ++g_calls;
    if (index == 0)
        ++g_slot0Calls;
    WriteCount();
    const Pads pads = ReadPads();
    if (pads.seq != g_lastServed) {
        g_lastServed = pads.seq;
        ++g_packet;
        AppendLog("{\"served\":" + std::to_string(pads.seq) +
                  ",\"slot0\":" + std::to_string(g_slot0Calls) +
                  ",\"ageMs\":" + std::to_string(NowMs() - pads.writtenMs) + "}");
    }
    DWORD result = ERROR_DEVICE_NOT_CONNECTED;
    if (index < XUSER_MAX_COUNT && state && pads.connected[index]) {
        state->dwPacketNumber = g_packet;
        state->Gamepad = pads.gamepad[index];
        result = ERROR_SUCCESS;
    }
    LeaveCriticalSection(&g_lock);
    return result;
}

__declspec(dllexport) DWORD WINAPI XInputSetState(DWORD index, XINPUT_VIBRATION* vibration) {
    if (!vibration)
        return ERROR_BAD_ARGUMENTS;
    EnterCriticalSection(&g_lock);
    AppendLog("{\"call\":\"XInputSetState\",\"args\":[" + std::to_string(index) + "," +
              std::to_string(vibration->wLeftMotorSpeed) + "," +
              std::to_string(vibration->wRightMotorSpeed) + "]}");
    const bool connected = index < XUSER_MAX_COUNT && ReadPads().connected[index];
    LeaveCriticalSection(&g_lock);
    return connected ? ERROR_SUCCESS : ERROR_DEVICE_NOT_CONNECTED;
}

__declspec(dllexport) DWORD WINAPI XInputGetCapabilities(DWORD index, DWORD,
                                                         XINPUT_CAPABILITIES* capabilities) {
    if (!capabilities || index >= XUSER_MAX_COUNT || !ReadPads().connected[index])
        return ERROR_DEVICE_NOT_CONNECTED;
    *capabilities = {};
    capabilities->Type = XINPUT_DEVTYPE_GAMEPAD;
    capabilities->SubType = XINPUT_DEVSUBTYPE_GAMEPAD;
    return ERROR_SUCCESS;
}

__declspec(dllexport) void WINAPI XInputEnable(BOOL) {}
}
