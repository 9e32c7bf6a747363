#pragma once
// The author's log file: appended a whole line at a time, shared with other
// copies of the program, and rotated at its size limit (log_bound.h).
#include <optional>
#include <string>

#include "util/log/log_bound.h"
#include "util/log/log_format.h"
#include "util/scoped_handle.h"

UtcTime CurrentUtcTime();

class LogFile {
public:
    void Open(const std::wstring& path);
    void Close() { handle_.reset(); }
    // One line, "\n" included.
    void Write(const std::string& line);

private:
    bool Append(const std::string& text) const;
    uint64_t Size() const;
    // Whether the path still names the file held open (another copy may have rotated it).
    bool NamesHeldFile() const;
    bool Rotate();

    std::wstring path_;
    std::optional<ScopedHandle> handle_;
    LogBound bound_;
};
