#include "util/log/author_log.h"

#include "util/log/log_file.h"
#include "util/log/log_format.h"
#include "util/log/page_line_limit.h"
#include "util/text/long_path.h"
#include "util/text/text.h"

namespace {
// The one log file of the process, closed when the process ends. Lines come
// from the UI thread and, rarely, from an extension's own thread.
struct SharedLog {
    LogFile file;
    PageLineLimit pageLines;
    SRWLOCK lock = SRWLOCK_INIT;
};

SharedLog& TheLog() {
    static SharedLog log;
    return log;
}

// Holds the log for one call.
class LockedLog {
public:
    LockedLog() : log_(TheLog()) { AcquireSRWLockExclusive(&log_.lock); }
    ~LockedLog() { ReleaseSRWLockExclusive(&log_.lock); }
    LockedLog(const LockedLog&) = delete;
    LockedLog& operator=(const LockedLog&) = delete;
    LogFile* operator->() { return &log_.file; }
    PageLineLimit& pageLines() { return log_.pageLines; }

private:
    SharedLog& log_;
};
} // namespace

void OpenAuthorLog(const std::string& folder) {
    const std::wstring longFolder = ToLongPath(Utf8ToWide(folder));
    CreateDirectoryW(longFolder.c_str(), nullptr);
    LockedLog()->Open(longFolder + L"\\" + Utf8ToWide(kAuthorLogFileName));
}

void LogForAuthor(const std::string& text) {
    const std::string line = FormatLogLine(CurrentUtcTime(), text);
    LockedLog()->Write(line);
}

void LogPageCausedLine(const std::string& text) {
    const std::string line = FormatLogLine(CurrentUtcTime(), text);
    LockedLog log;
    const PageLineVerdict verdict = log.pageLines().Next(GetTickCount64());
    if (!verdict.notice.empty())
        log->Write(FormatLogLine(CurrentUtcTime(), verdict.notice));
    if (verdict.write)
        log->Write(line);
}

void LogIfFailed(const char* call, HRESULT result) {
    if (FAILED(result))
        LogForAuthor(std::string(call) + " failed: " + HresultText(result));
}

void LogHandlerFailure(std::exception_ptr failure) noexcept {
    try {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& error) {
            LogForAuthor(std::string("an event handler failed: ") + error.what());
        } catch (...) {
            LogForAuthor("an event handler failed");
        }
    } catch (...) {
        // Out of memory for the line itself: nothing more can be said.
    }
}

void CloseAuthorLog() {
    LockedLog log;
    if (const std::string notice = log.pageLines().Finish(); !notice.empty())
        log->Write(FormatLogLine(CurrentUtcTime(), notice));
    log->Close();
}
