#include "util/author_log.h"

#include "util/log_format.h"
#include "util/long_path.h"
#include "util/text.h"

namespace {
// The one log file of the process, closed when the process ends.
class LogFile {
public:
    ~LogFile() { Close(); }
    void Open(const std::wstring& path) {
        Close();
        path_ = path;
        handle_ = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    void Close() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    void Write(const std::string& line) {
        if (handle_ == INVALID_HANDLE_VALUE)
            return;
        LARGE_INTEGER size = {};
        GetFileSizeEx(handle_, &size);
        if (LogNeedsRotation(static_cast<uint64_t>(size.QuadPart), line.size()))
            Rotate();
        DWORD written = 0;
        if (handle_ != INVALID_HANDLE_VALUE)
            WriteFile(handle_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }

private:
    // One old file is kept; when it cannot be replaced the log goes on as it is.
    void Rotate() {
        Close();
        MoveFileExW(path_.c_str(), (path_ + L".1").c_str(), MOVEFILE_REPLACE_EXISTING);
        Open(path_);
    }
    std::wstring path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

LogFile& TheLog() {
    static LogFile log;
    return log;
}

UtcTime Now() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    return {now.wYear,   now.wMonth,  now.wDay,         now.wHour,
            now.wMinute, now.wSecond, now.wMilliseconds};
}
} // namespace

void OpenAuthorLog(const std::string& folder) {
    const std::wstring longFolder = ToLongPath(Utf8ToWide(folder));
    CreateDirectoryW(longFolder.c_str(), nullptr);
    TheLog().Open(longFolder + L"\\quorrin.log");
}

void LogForAuthor(const std::string& text) {
    TheLog().Write(FormatLogLine(Now(), text));
}

void LogIfFailed(const char* call, HRESULT result) {
    if (FAILED(result))
        LogForAuthor(std::string(call) + " failed: " + HresultText(result));
}

void CloseAuthorLog() {
    TheLog().Close();
}
