#pragma once
// What a run leaves for the next one to judge: when it started and ended, what
// it ran, which browser processes failed, and how many quick crashes came
// before it. The next start reads it with the host's own dump, if any, and
// decides whether the last run crashed and whether the crashes have become a
// loop. Portable.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct RunFailure {
    int64_t at = 0;   // seconds since 1970
    std::string kind; // "browser", "renderer" or "gpu"
};

struct RunFacts {
    int64_t started = 0;
    int64_t ended = 0; // 0 while running, and after a crash
    std::string name, version, windows, runtime;
    std::string reportFolder; // the runtime's crash reports, once it said where
    uint64_t logStart = 0;    // where this run's lines begin in the author's log
    int quickCrashes = 0;     // crashes in a row, each soon after its start, before this run
    std::vector<RunFailure> failures;
};

std::string RunFactsJson(const RunFacts& facts);
// Nothing for text that is not a record (a torn or foreign file).
std::optional<RunFacts> ParseRunFacts(const std::string& text);

// A crash that ends a run this soon after its start counts toward a loop.
inline constexpr int64_t kQuickCrashSeconds = 10;
// This many quick crashes in a row show the player where the reports are.
inline constexpr int kCrashLoopLength = 3;

struct LastRunVerdict {
    bool crashed = false;
    std::string kind;     // "host", "browser", "renderer" or "gpu"
    int quickCrashes = 0; // to carry into the new run's record
    bool crashLoop = false;
};

// hostDumpAt: when the host's own dump was written, if it left one.
LastRunVerdict JudgeLastRun(const RunFacts& last, std::optional<int64_t> hostDumpAt);

// What the next start found, for the log, the page and the player.
struct LastRunReport {
    bool crashed = false;
    std::string kind;    // "host", "browser", "renderer" or "gpu"
    std::string archive; // "crash-reports/….zip", from the user data folder; empty if none was made
    bool crashLoop = false;
    int quickCrashes = 0; // carried into this run's record
};

struct CivilTime {
    int year, month, day, hour, minute, second;
};
// "crash-reports" names its zips by the time they were made: YYYYMMDD-HHMMSS.zip,
// or YYYYMMDD-HHMMSS-N.zip (N from 1 to 9) for a later one in the same second.
std::string ReportArchiveName(const CivilTime& time, int sameSecond = 0);
bool IsReportArchiveName(const std::string& name);
// The archives beyond the newest `keep`, by name (names sort by time).
std::vector<std::string> ArchivesToRemove(std::vector<std::string> names, size_t keep);

// The zip's about.txt: what ran, where, and how it ended.
std::string AboutLastRun(const RunFacts& last, const LastRunVerdict& verdict);
