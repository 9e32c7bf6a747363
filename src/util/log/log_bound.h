#pragma once
// How the author's log keeps its bound when the file cannot be rotated (another
// program holds it open without delete sharing): lines past the limit are
// dropped, and one line says so. Portable.
#include <cstdint>

enum class LogStep {
    Write,         // the line fits
    Rotate,        // the file becomes the old log first
    NoticeAndDrop, // the notice is written in the line's place
    Drop,
};

// Longer than the notice line, stamp included.
inline constexpr uint64_t kLogNoticeBytes = 256;

class LogBound {
public:
    // What to do with lineBytes more for a file of size bytes. The file never
    // passes twice the size limit, however many copies write to it.
    LogStep Next(uint64_t size, uint64_t lineBytes) const;
    // A rename that failed: no more attempts for the rest of this run.
    void RotationFailed() { rotationFailed_ = true; }
    void NoticeWritten() { noticeWritten_ = true; }

private:
    bool rotationFailed_ = false;
    bool noticeWritten_ = false;
};
