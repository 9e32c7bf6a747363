#include "crash/last_run.h"

#include <algorithm>
#include <optional>

#include <windows.h>

#include "crash/crash_dump.h"
#include "crash/zip_archive.h"
#include "util/text/long_path.h"
#include "util/text/text.h"
#include "util/whole_files.h"

namespace {
constexpr char kLastRunFolder[] = "last-run";
constexpr char kRecordName[] = "run.json";
constexpr char kHostDumpName[] = "host.dmp";
constexpr uint64_t kRecordLimit = 1 << 20;
constexpr uint64_t kLogPartLimit = 1 << 20;
constexpr uint64_t kDumpLimit = uint64_t{256} << 20;
constexpr uint64_t kRuntimeReportsLimit = uint64_t{64} << 20;
constexpr size_t kRuntimeReportsKept = 8;

std::string ReportsFolderOf(const std::string& userDataFolder) {
    return userDataFolder + "\\" + kCrashReportsFolder;
}

std::string LastRunFolderOf(const std::string& userDataFolder) {
    return ReportsFolderOf(userDataFolder) + "\\" + kLastRunFolder;
}

void CreateFolder(const std::string& folder) {
    CreateDirectoryW(ToLongPath(Utf8ToWide(folder)).c_str(), nullptr);
}

void DeleteFileAt(const std::string& path) {
    DeleteFileW(ToLongPath(Utf8ToWide(path)).c_str());
}

// The last run's own lines: from where it began to where this run begins; the
// newest part only when the log was rotated in between or is long.
std::string LastRunLog(const RunFacts& last, const AuthorLogSpan& log) {
    const uint64_t end = log.thisRunStart;
    uint64_t start = last.logStart <= end ? last.logStart : 0;
    if (end - start > kLogPartLimit)
        start = end - kLogPartLimit;
    return ReadWholeFile(log.path, end - start, start).value_or("");
}

// The runtime's reports written since the last run started, newest first.
void AddRuntimeReports(ZipArchive& zip, const RunFacts& last) {
    if (last.reportFolder.empty())
        return;
    std::vector<FolderFile> files = FilesInFolder(last.reportFolder);
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&](const FolderFile& file) { return file.written < last.started; }),
                files.end());
    std::sort(files.begin(), files.end(),
              [](const FolderFile& a, const FolderFile& b) { return a.written > b.written; });
    uint64_t total = 0;
    size_t added = 0;
    for (const FolderFile& file : files) {
        if (added == kRuntimeReportsKept || total + file.size > kRuntimeReportsLimit)
            break;
        if (const auto bytes = ReadWholeFile(last.reportFolder + "\\" + file.name, file.size)) {
            zip.Add("runtime-reports/" + file.name, *bytes);
            total += bytes->size();
            ++added;
        }
    }
}

// The archive's name in crash-reports, or empty when it could not be written.
std::string WriteArchive(const std::string& reportsFolder, const std::string& bytes) {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    const CivilTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    for (int sameSecond = 0; sameSecond <= 9; ++sameSecond) {
        const std::string name = ReportArchiveName(time, sameSecond);
        const std::string path = reportsFolder + "\\" + name;
        if (FileWrittenAt(path))
            continue;
        return ReplaceWholeFile(path, bytes) ? name : std::string();
    }
    return {};
}

void RemoveOldArchives(const std::string& reportsFolder) {
    std::vector<std::string> names;
    for (const FolderFile& file : FilesInFolder(reportsFolder))
        names.push_back(file.name);
    for (const std::string& name : ArchivesToRemove(std::move(names), kArchivesKept))
        DeleteFileAt(reportsFolder + "\\" + name);
}

std::string ArchiveOf(const RunFacts& last, const LastRunVerdict& verdict,
                      const std::optional<std::string>& hostDump, const AuthorLogSpan& log) {
    ZipArchive zip;
    zip.Add("about.txt", AboutLastRun(last, verdict));
    if (hostDump)
        zip.Add(kHostDumpName, *hostDump);
    zip.Add("quorrin.log", LastRunLog(last, log));
    AddRuntimeReports(zip, last);
    return zip.Finish();
}
} // namespace

LastRunReport CollectLastRun(const std::string& userDataFolder, const AuthorLogSpan& log) {
    const std::string folder = LastRunFolderOf(userDataFolder);
    const std::string dumpPath = folder + "\\" + kHostDumpName;
    const std::optional<std::string> record =
        ReadWholeFile(folder + "\\" + kRecordName, kRecordLimit);
    const std::optional<RunFacts> last = record ? ParseRunFacts(*record) : std::nullopt;
    const std::optional<std::string> hostDump = ReadWholeFile(dumpPath, kDumpLimit);
    const bool dumped = hostDump && !hostDump->empty();
    LastRunReport report;
    if (!last && !dumped)
        return report;
    const RunFacts facts = last.value_or(RunFacts{});
    const LastRunVerdict verdict =
        JudgeLastRun(facts, dumped ? FileWrittenAt(dumpPath) : std::nullopt);
    report = {verdict.crashed, verdict.kind, {}, verdict.crashLoop, verdict.quickCrashes};
    if (verdict.crashed) {
        const std::string reports = ReportsFolderOf(userDataFolder);
        const std::string name =
            WriteArchive(reports, ArchiveOf(facts, verdict, dumped ? hostDump : std::nullopt, log));
        if (!name.empty())
            report.archive = std::string(kCrashReportsFolder) + "/" + name;
        RemoveOldArchives(reports);
    }
    for (const FolderFile& file : FilesInFolder(folder))
        DeleteFileAt(folder + "\\" + file.name);
    return report;
}

RunRecord::RunRecord(const std::string& userDataFolder, RunFacts facts)
    : path_(LastRunFolderOf(userDataFolder) + "\\" + kRecordName), facts_(std::move(facts)) {
    CreateFolder(userDataFolder);
    CreateFolder(ReportsFolderOf(userDataFolder));
    CreateFolder(LastRunFolderOf(userDataFolder));
    Save();
    WriteCrashDumpsTo(
        ToLongPath(Utf8ToWide(LastRunFolderOf(userDataFolder) + "\\" + kHostDumpName)));
}

void RunRecord::NoteRuntime(const std::string& version, const std::string& reportFolder) {
    facts_.runtime = version;
    facts_.reportFolder = reportFolder;
    Save();
}

void RunRecord::NoteFailure(const std::string& kind) {
    facts_.failures.push_back({SecondsSince1970(), kind});
    Save();
}

void RunRecord::NoteEnded() {
    facts_.ended = SecondsSince1970();
    Save();
}

void RunRecord::Save() const {
    ReplaceWholeFile(path_, RunFactsJson(facts_));
}
