#include "util/log/log_file.h"

namespace {
constexpr char kDroppingNotice[] =
    "the log cannot be rotated (another program holds it open); later lines of this run "
    "are dropped";
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool SameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION first = {}, second = {};
    return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}
} // namespace

UtcTime CurrentUtcTime() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    return {now.wYear,   now.wMonth,  now.wDay,         now.wHour,
            now.wMinute, now.wSecond, now.wMilliseconds};
}

void LogFile::Open(const std::wstring& path) {
    path_ = path;
    // Appending only: each write lands whole at the end, even with another copy writing.
    handle_.emplace(CreateFileW(path.c_str(), FILE_APPEND_DATA, kShareAll, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!*handle_)
        handle_.reset();
}

void LogFile::Write(const std::string& line) {
    if (!handle_)
        return;
    LogStep step = bound_.Next(Size(), line.size());
    if (step != LogStep::Write && !NamesHeldFile()) {
        Open(path_);
        step = bound_.Next(Size(), line.size());
    }
    if (step == LogStep::Rotate) {
        if (Rotate())
            step = LogStep::Write;
        else {
            bound_.RotationFailed();
            step = bound_.Next(Size(), line.size());
        }
    }
    if (step == LogStep::NoticeAndDrop) {
        Append(FormatLogLine(CurrentUtcTime(), kDroppingNotice));
        bound_.NoticeWritten();
    } else if (step == LogStep::Write) {
        Append(line);
    }
}

bool LogFile::Append(const std::string& text) const {
    DWORD written = 0;
    return handle_ && WriteFile(handle_->get(), text.data(), static_cast<DWORD>(text.size()),
                                &written, nullptr);
}

uint64_t LogFile::Size() const {
    LARGE_INTEGER size = {};
    return handle_ && GetFileSizeEx(handle_->get(), &size) ? static_cast<uint64_t>(size.QuadPart)
                                                           : 0;
}

bool LogFile::NamesHeldFile() const {
    const ScopedHandle named(CreateFileW(path_.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return named && handle_ && SameFile(named.get(), handle_->get());
}

// One old file is kept. Whether or not the rename works, the log goes on at its path.
bool LogFile::Rotate() {
    Close();
    const bool renamed =
        MoveFileExW(path_.c_str(), (path_ + L".1").c_str(), MOVEFILE_REPLACE_EXISTING);
    Open(path_);
    return renamed;
}
