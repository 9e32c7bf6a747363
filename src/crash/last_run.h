#pragma once
// Crash reports a player can send, kept on the machine: each run keeps its
// record in crash-reports\last-run (and, should it crash, the host's dump
// beside it), and the next start zips what a crashed run left into
// crash-reports\YYYYMMDD-HHMMSS.zip under the user data folder, where the
// page's "user-data" handle reaches it. Nothing is uploaded.
#include <cstdint>
#include <string>

#include "crash/run_facts.h"

inline constexpr char kCrashReportsFolder[] = "crash-reports";
// The archives kept; older ones are removed when a new one is made.
inline constexpr size_t kArchivesKept = 5;

// The author's log and where this run's lines begin in it: the last run's
// lines end there.
struct AuthorLogSpan {
    std::string path;
    uint64_t thisRunStart = 0;
};

// Judges what the last run left in the user data folder, zips it when that run
// crashed, clears it and keeps the newest archives.
LastRunReport CollectLastRun(const std::string& userDataFolder, const AuthorLogSpan& log);

// This run's record, rewritten as the run learns more; a crash from now on
// writes the host's dump beside it.
class RunRecord {
public:
    RunRecord(const std::string& userDataFolder, RunFacts facts);
    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;

    void NoteRuntime(const std::string& version, const std::string& reportFolder);
    void NoteFailure(const std::string& kind);
    void NoteEnded();

private:
    void Save() const;

    const std::string path_;
    RunFacts facts_;
};
