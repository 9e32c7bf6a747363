#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "crash/run_facts.h"
#include "util/log/log_bound.h"
#include "util/log/log_format.h"
#include "util/log/page_line_limit.h"
#include "webview/edit_menu.h"
#include "webview/process_failure_policy.h"

namespace {
const UtcTime kTime = {2026, 12, 7, 5, 3, 9, 42};
} // namespace

TEST(AuthorLog, LineHasUtcStampAndStaysOneLine) {
    const struct {
        std::string text;
        std::string line;
    } cases[] = {
        {"exit code 0", "2026-12-07T05:03:09.042Z exit code 0\n"},
        {"", "2026-12-07T05:03:09.042Z \n"},
        {"two\r\nlines\tand\x7f", "2026-12-07T05:03:09.042Z two  lines and \n"},
        {std::string("nul\0byte", 8), "2026-12-07T05:03:09.042Z nul byte\n"},
        {"Spiel \xc3\xbc", "2026-12-07T05:03:09.042Z Spiel \xc3\xbc\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatLogLine(kTime, c.text), c.line) << c.text;
}

TEST(AuthorLog, LongEntryIsCutOnACharacterBoundary) {
    const std::string stamp = "2026-12-07T05:03:09.042Z ";
    EXPECT_EQ(FormatLogLine(kTime, std::string(5000, 'a')).size(),
              stamp.size() + kMaxLogEntryBytes + 1);
    // "\xe2\x82\xac" is three bytes: a cut inside it goes back to its start.
    const std::string euros = std::string(kMaxLogEntryBytes - 1, 'a') + "\xe2\x82\xac";
    EXPECT_EQ(FormatLogLine(kTime, euros), stamp + std::string(kMaxLogEntryBytes - 1, 'a') + "\n");
}

TEST(AuthorLog, RotatesBeforePassingOneMebibyte) {
    const struct {
        uint64_t size;
        uint64_t line;
        bool rotates;
    } cases[] = {
        {0, 100, false},
        {0, kLogSizeLimit + 1, false}, // an empty file stays
        {kLogSizeLimit - 100, 100, false},
        {kLogSizeLimit - 100, 101, true},
        {kLogSizeLimit, 1, true},
        {5 * kLogSizeLimit, 0, true}, // a larger old log
        {UINT64_MAX / 2, 10, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LogNeedsRotation(c.size, c.line), c.rotates) << c.size << " + " << c.line;
}

// A file held by another program: one failed rotation, one notice, then only
// what still fits; the file stays under twice the limit.
TEST(AuthorLog, AFileThatCannotBeRotatedKeepsItsBound) {
    constexpr uint64_t kFull = kLogSizeLimit - 10;
    LogBound bound;
    EXPECT_EQ(bound.Next(kFull, 10), LogStep::Write);
    EXPECT_EQ(bound.Next(kFull, 11), LogStep::Rotate);
    bound.RotationFailed();
    EXPECT_EQ(bound.Next(kFull, 11), LogStep::NoticeAndDrop);
    EXPECT_EQ(bound.Next(2 * kLogSizeLimit - kLogNoticeBytes + 1, 11), LogStep::Drop);
    bound.NoticeWritten();
    EXPECT_EQ(bound.Next(kFull + kLogNoticeBytes, 11), LogStep::Drop);
    EXPECT_EQ(bound.Next(100, 10), LogStep::Write); // another copy rotated it meanwhile
    EXPECT_EQ(bound.Next(0, 50), LogStep::Write);
}

// Lines the page causes: 20 a minute, one notice of what was dropped when the
// next minute's first line comes, and one at the end for what is left.
TEST(AuthorLog, PageCausedLinesAreLimitedAndTheDropsCounted) {
    constexpr uint64_t kStart = 5000;
    constexpr uint64_t kMinute = kPageLineWindowMs;
    const struct {
        uint64_t at;
        uint64_t lines;
        uint64_t written;
        std::string notice; // before the first of them
    } steps[] = {
        {kStart, 20, 20, ""},
        {kStart + kMinute - 1, 3, 0, ""},
        {kStart + kMinute, 1, 1, "3 lines the page caused were dropped (at most 20 a minute)"},
        {kStart + kMinute + 10, 20, 19, ""},
        {kStart + 5 * kMinute, 2, 2, "1 line the page caused was dropped (at most 20 a minute)"},
        {kStart + 6 * kMinute, 1, 1, ""},
        {kStart + 6 * kMinute + 1, 25, 19, ""},
    };
    PageLineLimit limit;
    for (const auto& step : steps) {
        uint64_t written = 0;
        for (uint64_t i = 0; i < step.lines; ++i) {
            const PageLineVerdict verdict = limit.Next(step.at);
            EXPECT_EQ(verdict.notice, i == 0 ? step.notice : "") << step.at;
            written += verdict.write ? 1 : 0;
        }
        EXPECT_EQ(written, step.written) << step.at;
    }
    EXPECT_EQ(limit.Finish(), "6 lines the page caused were dropped (at most 20 a minute)");
    EXPECT_EQ(limit.Finish(), "");
}

TEST(AuthorLog, ResultCodesInTheVendorsForm) {
    EXPECT_EQ(HresultText(static_cast<int32_t>(0x80070005)), "0x80070005");
    EXPECT_EQ(HresultText(0), "0x00000000");
    EXPECT_EQ(HresultText(-1), "0xFFFFFFFF");
}

TEST(ProcessFailures, ResponseByKind) {
    const struct {
        int32_t kind;
        FailureResponse response;
        const char* name;
    } cases[] = {
        {0, FailureResponse::RecreateBrowser, "browser process exited"},
        {1, FailureResponse::Reload, "render process exited"},
        {2, FailureResponse::AskPlayer, "render process unresponsive"},
        {3, FailureResponse::LogOnly, "frame render process exited"},
        {4, FailureResponse::LogOnly, "utility process exited"},
        {5, FailureResponse::LogOnly, "sandbox helper process exited"},
        {6, FailureResponse::LogOnly, "GPU process exited"},
        {9, FailureResponse::LogOnly, "unknown process exited"},
        {10, FailureResponse::LogOnly, "process failure of kind 10"},
        {-1, FailureResponse::LogOnly, "process failure of kind -1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResponseToProcessFailure(c.kind), c.response) << c.kind;
        EXPECT_EQ(ProcessFailureKindName(c.kind), c.name);
    }
}

TEST(ProcessFailures, AtMostThreeRestartsInAnySixtySeconds) {
    RestartBudget budget;
    EXPECT_TRUE(budget.TryRestart(1000));
    EXPECT_TRUE(budget.TryRestart(2000));
    EXPECT_TRUE(budget.TryRestart(30000));
    EXPECT_FALSE(budget.TryRestart(60999)); // the first is 59.999 s old
    EXPECT_TRUE(budget.TryRestart(61000));  // now it is 60 s old
    EXPECT_FALSE(budget.TryRestart(61500));
    EXPECT_TRUE(budget.TryRestart(90000));
    // Refusals do not count: long after, a full budget again.
    RestartBudget later;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(later.TryRestart(500));
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(later.TryRestart(600 + i));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(later.TryRestart(70000));
}

// Each step: a hang report, a response of the page, or an answer, at a time.
TEST(ProcessFailures, OneQuestionPerHang) {
    enum Step { Report, Responded, Yes, No };
    const struct {
        Step step;
        uint64_t at;
        bool asks; // for Report
    } steps[] = {
        {Report, 0, true},      {Report, 5000, false},  // open: not asked twice
        {No, 6000, false},      {Report, 11000, false}, // the same hang after No
        {Report, 35999, false}, {Report, 36000, true},  // 30 s after No: asked again
        {No, 37000, false},     {Responded, 40000, false},
        {Report, 41000, true},                         // a new hang once it responded
        {Yes, 42000, false},    {Report, 43000, true}, // after Yes, asked at once
    };
    HangQuestion question;
    for (const auto& s : steps) {
        if (s.step == Report)
            EXPECT_EQ(question.TryAsk(s.at), s.asks) << s.at;
        else if (s.step == Responded)
            question.PageResponded();
        else
            question.Answered(s.step == Yes, s.at);
    }
}

TEST(EditMenu, KeepsOnlyEditingItemsWithTidySeparators) {
    auto names = [](const std::vector<MenuEntry>& entries, bool devtools) {
        const std::vector<bool> keeps = EditMenuKeeps(entries, devtools);
        std::string kept;
        for (size_t i = 0; i < entries.size(); ++i)
            if (keeps[i])
                kept += (entries[i].separator ? std::string("|") : entries[i].name) + " ";
        return kept;
    };
    const MenuEntry sep = {"separator", true};
    const std::vector<MenuEntry> page = {{"back"},   {"forward"}, {"reload"}, sep,
                                         {"saveAs"}, {"print"},   sep,        {"inspectElement"}};
    EXPECT_EQ(names(page, false), "");
    EXPECT_EQ(names(page, true), "inspectElement ");
    const std::vector<MenuEntry> field = {{"spellCheck"},
                                          {"spellCheck"},
                                          sep,
                                          {"emoji"},
                                          sep,
                                          {"cut"},
                                          {"copy"},
                                          {"paste"},
                                          {"pasteAndMatchStyle"},
                                          sep,
                                          sep,
                                          {"selectAll"},
                                          sep,
                                          {"inspectElement"},
                                          sep};
    EXPECT_EQ(names(field, false), "spellCheck spellCheck | cut copy paste | selectAll ");
    EXPECT_EQ(names(field, true),
              "spellCheck spellCheck | cut copy paste | selectAll | inspectElement ");
    EXPECT_EQ(names({sep, {"copy"}, sep}, false), "copy ");
    EXPECT_EQ(names({}, true), "");
    // Names are compared exactly.
    EXPECT_EQ(names({{"Copy"}, {"copyLinkLocation"}, {"custom"}, {""}}, true), "");
}

TEST(LastRun, CrashKindQuickCrashesAndTheLoop) {
    const RunFailure renderer = {105, "renderer"}, browser = {106, "browser"}, gpu = {107, "gpu"};
    const struct {
        int64_t ended;
        std::vector<RunFailure> failures;
        std::optional<int64_t> hostDump;
        int quickBefore;
        std::string kind;
        int quickAfter;
        bool loop;
    } cases[] = {
        {0, {}, std::nullopt, 2, "", 0, false},                  // killed or still running: no crash
        {500, {renderer}, std::nullopt, 0, "renderer", 0, false}, // recovered, played on
        {108, {gpu, renderer, browser}, std::nullopt, 0, "browser", 1, false},
        {0, {renderer}, std::nullopt, 0, "renderer", 0, false}, // no end known: not quick
        {0, {renderer}, 103, 1, "host", 2, false},
        {0, {}, 110, 2, "host", 0, true}, // the third quick crash: the box, and a new count
        {0, {}, 111, 2, "host", 0, false},
        {0, {}, 99, 2, "host", 0, false}, // a clock that went back is no quick crash
    };
    for (const auto& c : cases) {
        RunFacts last;
        last.started = 100;
        last.ended = c.ended;
        last.failures = c.failures;
        last.quickCrashes = c.quickBefore;
        const LastRunVerdict verdict = JudgeLastRun(last, c.hostDump);
        EXPECT_EQ(verdict.crashed, !c.kind.empty()) << c.kind;
        EXPECT_EQ(verdict.kind, c.kind);
        EXPECT_EQ(verdict.quickCrashes, c.quickAfter) << c.kind << " " << c.ended;
        EXPECT_EQ(verdict.crashLoop, c.loop) << c.kind << " " << c.ended;
    }
}

TEST(LastRun, RecordsReadBackAndForeignTextIsNone) {
    RunFacts facts;
    facts.started = 1'800'000'000;
    facts.name = "Spiel \xc3\xbc";
    facts.logStart = 5'000'000'000;
    facts.failures = {{1'800'000'003, "gpu"}};
    const std::optional<RunFacts> read = ParseRunFacts(RunFactsJson(facts));
    ASSERT_TRUE(read);
    EXPECT_EQ(RunFactsJson(*read), RunFactsJson(facts));
    for (const char* foreign : {"", "[]", "{\"ended\":1}", "{\"started\":", "\x00{}"})
        EXPECT_FALSE(ParseRunFacts(foreign)) << foreign;
    const std::optional<RunFacts> odd = ParseRunFacts(
        R"({"started":"x","quickCrashes":1e9,"logStart":-4,"failures":[1,{"kind":2}],"name":[]})");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->started, 0);
    EXPECT_EQ(odd->quickCrashes, 0);
    EXPECT_EQ(odd->logStart, 0u);
    ASSERT_EQ(odd->failures.size(), 1u);
    EXPECT_EQ(odd->failures[0].kind, "");
}

TEST(LastRun, TheNewestFiveArchivesAreKept) {
    EXPECT_EQ(ReportArchiveName({2026, 12, 9, 7, 5, 3}), "20261209-070503.zip");
    EXPECT_EQ(ReportArchiveName({2026, 12, 9, 7, 5, 3}, 2), "20261209-070503-2.zip");
    const std::vector<std::string> names = {
        "20261201-000000.zip", "20261203-000000.zip",  "20261202-000000.zip",
        "20261205-000000.zip", "20261204-000000-1.zip", "20261206-000000.zip",
        "notes.txt",           "20261200-00000.zip",    "run.json",
    };
    EXPECT_EQ(ArchivesToRemove(names, 5), std::vector<std::string>{"20261201-000000.zip"});
    EXPECT_TRUE(ArchivesToRemove(names, 6).empty());
}
