#include "crash/run_facts.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

namespace {
constexpr const char* kFailureKindsBySeverity[] = {"browser", "renderer", "gpu"};

int Severity(const std::string& kind) {
    int rank = 0;
    for (const char* known : kFailureKindsBySeverity) {
        if (kind == known)
            return rank;
        ++rank;
    }
    return rank;
}

// Plain reads of the record's own members: no conversions, nothing thrown.
int64_t NumberOr(const nlohmann::json& object, const char* key, int64_t fallback) {
    const auto found = object.find(key);
    if (found == object.end())
        return fallback;
    if (found->is_number_integer())
        return found->get_ref<const nlohmann::json::number_integer_t&>();
    if (found->is_number_unsigned())
        return static_cast<int64_t>(found->get_ref<const nlohmann::json::number_unsigned_t&>());
    return fallback;
}

std::string TextOr(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get_ref<const std::string&>()
                                                       : std::string();
}
} // namespace

std::string RunFactsJson(const RunFacts& facts) {
    nlohmann::json failures = nlohmann::json::array();
    for (const RunFailure& failure : facts.failures)
        failures.push_back({{"at", failure.at}, {"kind", failure.kind}});
    const nlohmann::json record = {{"started", facts.started},
                                   {"ended", facts.ended},
                                   {"name", facts.name},
                                   {"version", facts.version},
                                   {"windows", facts.windows},
                                   {"runtime", facts.runtime},
                                   {"reportFolder", facts.reportFolder},
                                   {"logStart", facts.logStart},
                                   {"quickCrashes", facts.quickCrashes},
                                   {"failures", failures}};
    return record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<RunFacts> ParseRunFacts(const std::string& text) {
    // As a C string, like package.json: a NUL byte ends the record.
    const nlohmann::json record = nlohmann::json::parse(text.c_str(), nullptr, false);
    if (!record.is_object() || !record.contains("started"))
        return std::nullopt;
    RunFacts facts;
    facts.started = NumberOr(record, "started", 0);
    facts.ended = NumberOr(record, "ended", 0);
    facts.name = TextOr(record, "name");
    facts.version = TextOr(record, "version");
    facts.windows = TextOr(record, "windows");
    facts.runtime = TextOr(record, "runtime");
    facts.reportFolder = TextOr(record, "reportFolder");
    facts.logStart = static_cast<uint64_t>(std::max<int64_t>(NumberOr(record, "logStart", 0), 0));
    facts.quickCrashes = static_cast<int>(
        std::clamp<int64_t>(NumberOr(record, "quickCrashes", 0), 0, kCrashLoopLength));
    const auto failures = record.find("failures");
    if (failures != record.end() && failures->is_array())
        for (const nlohmann::json& failure : *failures)
            if (failure.is_object())
                facts.failures.push_back({NumberOr(failure, "at", 0), TextOr(failure, "kind")});
    return facts;
}

LastRunVerdict JudgeLastRun(const RunFacts& last, std::optional<int64_t> hostDumpAt) {
    LastRunVerdict verdict;
    if (hostDumpAt) {
        verdict.kind = "host";
    } else {
        for (const RunFailure& failure : last.failures)
            if (Severity(failure.kind) < Severity(verdict.kind))
                verdict.kind = failure.kind;
    }
    verdict.crashed = !verdict.kind.empty();
    if (!verdict.crashed)
        return verdict;
    // A page that failed and came back is no crash of the game; one that ended
    // the run, or a host that fell, soon after the start is.
    const int64_t end = hostDumpAt ? *hostDumpAt : last.ended;
    const bool quick = end != 0 && end >= last.started && end - last.started <= kQuickCrashSeconds;
    verdict.quickCrashes = quick ? last.quickCrashes + 1 : 0;
    if (verdict.quickCrashes >= kCrashLoopLength) {
        verdict.crashLoop = true;
        verdict.quickCrashes = 0; // the next box waits for a new loop
    }
    return verdict;
}

std::string ReportArchiveName(const CivilTime& time, int sameSecond) {
    char name[32];
    std::snprintf(name, sizeof(name), "%04d%02d%02d-%02d%02d%02d", time.year % 10000,
                  time.month % 100, time.day % 100, time.hour % 100, time.minute % 100,
                  time.second % 100);
    const std::string suffix = sameSecond > 0 ? "-" + std::to_string(sameSecond % 10) : "";
    return name + suffix + ".zip";
}

bool IsReportArchiveName(const std::string& name) {
    // Two in one second: the second gets "-1" to "-9" before ".zip".
    const char* kShape = name.size() == 21 ? "dddddddd-dddddd-d.zip" : "dddddddd-dddddd.zip";
    if (name.size() != std::char_traits<char>::length(kShape))
        return false;
    for (size_t at = 0; at < name.size(); ++at) {
        const bool digit = name[at] >= '0' && name[at] <= '9';
        if (kShape[at] == 'd' ? !digit : name[at] != kShape[at])
            return false;
    }
    return true;
}

std::vector<std::string> ArchivesToRemove(std::vector<std::string> names, size_t keep) {
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const std::string& name) { return !IsReportArchiveName(name); }),
                names.end());
    std::sort(names.begin(), names.end(), std::greater<>());
    if (names.size() <= keep)
        return {};
    return {names.begin() + static_cast<std::ptrdiff_t>(keep), names.end()};
}

std::string AboutLastRun(const RunFacts& last, const LastRunVerdict& verdict) {
    std::string about = "application: " + last.name;
    about += (last.version.empty() ? "" : " " + last.version) + "\n";
    about += "windows: " + last.windows + "\n";
    about +=
        "runtime: " + (last.runtime.empty() ? std::string("not started") : last.runtime) + "\n";
    about += "started: " + std::to_string(last.started) + "\n";
    about +=
        "ended: " + (last.ended ? std::to_string(last.ended) : std::string("no clean end")) + "\n";
    about += "crashed: " + verdict.kind + "\n";
    for (const RunFailure& failure : last.failures)
        about += "process failure: " + failure.kind + " at " + std::to_string(failure.at) + "\n";
    return about;
}
