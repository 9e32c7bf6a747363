#include "util/author_log.h"

#include <mutex>

#include "util/log_file.h"
#include "util/log_format.h"
#include "util/long_path.h"
#include "util/text.h"

namespace {
// The one log file of the process, closed when the process ends.
LogFile& TheLog() {
    static LogFile log;
    return log;
}

// Response streams log from the runtime's thread too.
std::mutex& TheLogLock() {
    static std::mutex lock;
    return lock;
}
} // namespace

void OpenAuthorLog(const std::string& folder) {
    const std::wstring longFolder = ToLongPath(Utf8ToWide(folder));
    CreateDirectoryW(longFolder.c_str(), nullptr);
    TheLog().Open(longFolder + L"\\quorrin.log");
}

void LogForAuthor(const std::string& text) {
    const std::lock_guard<std::mutex> hold(TheLogLock());
    TheLog().Write(FormatLogLine(CurrentUtcTime(), text));
}

void LogIfFailed(const char* call, HRESULT result) {
    if (FAILED(result))
        LogForAuthor(std::string(call) + " failed: " + HresultText(result));
}

void CloseAuthorLog() {
    TheLog().Close();
}
