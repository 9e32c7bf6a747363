#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "content/byte_range.h"
#include "content/content_types.h"
#include "content/link_check_cache.h"
#include "content/request_path.h"
#include "content/response_plan.h"

TEST(LookupContentType, ByLastDotLowerCased) {
    struct Case {
        const char* path;
        const char* type;
    } cases[] = {
        {"index.html", "text/html; charset=utf-8"},
        {"INDEX.HTML", "text/html; charset=utf-8"},
        {"movie.MP4", "video/mp4"},
        {"LICENSE", "application/octet-stream"},
        {"", "application/octet-stream"},
        {"file.", "application/octet-stream"},
        {"docs.old/readme", "application/octet-stream"},
        {"archive.tar.gz", "application/octet-stream"},
        {"font.woff", "application/font-woff"},
        {"font.woff2", "font/woff2"},
        {"data.json", "application/json; charset=utf-8"},
        {"data.scon", "application/json"},
        {"anim.scml", "text/xml"},
        {"app.mjs", "application/javascript; charset=utf-8"},
        {"a.b/app.JS", "application/javascript; charset=utf-8"},
        {"song.opus", "audio/ogg; codecs=opus"},
        {"page.html?v=2", "application/octet-stream"},
        {"caf\xC3\xA9.\xC3\x89XE", "application/octet-stream"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LookupContentType(c.path), c.type) << c.path;
}

TEST(ParseByteRange, FormsOfTheHeader) {
    using R = std::optional<ByteRange>;
    struct Case {
        const char* value;
        uint64_t size;
        R expected;
    } cases[] = {
        {"bytes=0-", 1000, ByteRange{0, 999}},
        {"bytes=0-0", 1000, ByteRange{0, 0}},
        {"bytes=100-199", 1000, ByteRange{100, 199}},
        {"bytes=-100", 1000, ByteRange{900, 999}},
        {"bytes=-1000", 1000, ByteRange{0, 999}},
        {"bytes=-1001", 1000, ByteRange{0, 999}},
        {"bytes=-2000", 1000, ByteRange{0, 999}},
        {"bytes=--5", 1000, std::nullopt},
        {"bytes=-0", 1000, std::nullopt},
        {"bytes=-+0", 1000, std::nullopt},
        {"bytes=-1", 1, ByteRange{0, 0}},
        {"bytes=500-2000", 1000, ByteRange{500, 999}},
        {"bytes=999-2147483647", 1000, ByteRange{999, 999}},
        {"bytes=1000-2000", 1000, std::nullopt},
        {"bytes=1000-", 1000, std::nullopt},
        {"bytes=999-", 1000, ByteRange{999, 999}},
        {"bytes=200-100", 1000, std::nullopt},
        {"bytes=0-99,200-299", 1000, ByteRange{0, 99}},
        {"Bytes=0-10", 1000, std::nullopt},
        {"bytes 0-10", 1000, std::nullopt},
        {"bytes=5", 1000, std::nullopt},
        {"bytes=", 1000, std::nullopt},
        {"bytes=-", 1000, std::nullopt},
        {"bytes=x-5", 1000, std::nullopt},
        {"bytes=5-x", 1000, std::nullopt},
        {"bytes=0-0", 0, std::nullopt},
        {"bytes=0-", 1, ByteRange{0, 0}},
        {"bytes= 10-20", 1000, ByteRange{10, 20}},
        {"bytes=+10-+20", 1000, ByteRange{10, 20}},
        {"bytes=1--5", 1000, std::nullopt},
        {"bytes=2147483647-", 4294967296, ByteRange{2147483647, 4294967295}},
        {"bytes=2147483648-", 4294967296, std::nullopt},
        {"bytes=-2147483649", 1000, std::nullopt},
        {"bytes=-2147483647", 1000, ByteRange{0, 999}},
        {"bytes=99999999999999999999-", 1000, std::nullopt},
        {"bytes=0-9abc", 1000, ByteRange{0, 9}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseByteRange(c.value, c.size), c.expected) << c.value << " of " << c.size;
}

TEST(RelativePathFromUri, DecodesEscapesAsUtf8AndEndsAtTheQueryOrFragment) {
    const size_t origin = 22;
    const std::string app = "https://app.localhost/";
    struct Case {
        std::string uri;
        std::string expected;
    } cases[] = {
        {app + "index.html", "index.html"},
        {app, ""},
        {app + "media/My%20Song.mp3", "media/My Song.mp3"},
        {app + "price%E2%82%AC.txt", "price\xE2\x82\xAC.txt"},
        {app + "index.html?v=2#top", "index.html"},
        {app + "index.html?v=2", "index.html"},
        {app + "a.mjs?x#y", "a.mjs"},
        {app + "game.js#v=1?x", "game.js"},
        {app + "?v=2", ""},
        {app + "my%20game.js?name=a%20b", "my game.js"},
        {app + "what%3F.txt?x", "what?.txt"},
        {app + "hash%23.txt", "hash#.txt"},
        {app + "%2e%2e?/../x", ".."},
        {app + "sub%5Cpage.html", "sub\\page.html"},
        {app + "..%2Fpackage.json", "../package.json"},
        {app + "%2e%2e/x", "../x"},
        {app + "bad%FF.txt", "bad\xEF\xBF\xBD.txt"},
        {app + "half%E2%82.txt", "half\xEF\xBF\xBD\xEF\xBF\xBD.txt"},
        {app + "100%.txt", "100%.txt"},
        {app + "%zz%4", "%zz%4"},
        {app + "nul%00.txt", std::string("nul\0.txt", 8)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RelativePathFromUri(c.uri, origin), c.expected) << c.uri;
}

TEST(RelativePathFromUri, LongTextsAreLeftUndecodedFrom2048Units) {
    const std::string app = "https://app.localhost/";
    // 2,045 + "%20" decodes to 2,046 units; 2,047 units still fit with the terminator.
    std::string fits = std::string(2046, 'a') + "%20";
    EXPECT_EQ(RelativePathFromUri(app + fits, 22), std::string(2046, 'a') + " ");
    std::string tooLong = std::string(2047, 'a') + "%20";
    EXPECT_EQ(RelativePathFromUri(app + tooLong, 22), tooLong);
    // A euro sign is one UTF-16 unit however many bytes it takes.
    std::string euros;
    for (int i = 0; i < 2047; ++i)
        euros += "%E2%82%AC";
    EXPECT_EQ(RelativePathFromUri(app + euros, 22).size(), 2047u * 3);
}

TEST(RelativePathFromUri, TheLengthLimitCountsOnlyThePath) {
    const std::string app = "https://app.localhost/";
    const std::string path = std::string(2046, 'a') + "%20";
    EXPECT_EQ(RelativePathFromUri(app + path + "?" + std::string(5000, 'q'), 22),
              std::string(2046, 'a') + " ");
}

TEST(FolderIndexPath, OnlyAnEmptyPathOrOneEndingInASlash) {
    using P = std::optional<std::string>;
    struct Case {
        const char* folder;
        P index;
    } cases[] = {
        {"", P("index.html")},           {"sub/", P("sub/index.html")},
        {"a/b/", P("a/b/index.html")},   {"sub", std::nullopt},
        {"sub\\", std::nullopt},         {"media", std::nullopt},
        {"sub//", P("sub//index.html")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FolderIndexPath(c.folder), c.index) << c.folder;
}

TEST(StaysInContentFolder, RejectsDotSegmentsColonsAndNul) {
    for (const char* path : {"", "index.html", "a/b/c.js", "a.b/..c/...", "x..y", "sub\\page.html",
                             ".hidden", "..data"})
        EXPECT_TRUE(StaysInContentFolder(path)) << path;
    for (const std::string& path : std::initializer_list<std::string>{
             "..", "../package.json", "a/../../x", "a\\..\\x", ".", "./x", "a/./b", "a/..",
             "x/..\\y", "index.html::$DATA", "C:/windows/win.ini", std::string("a\0b", 3)})
        EXPECT_FALSE(StaysInContentFolder(path)) << path;
}

TEST(ContentFilePath, TurnsSlashesIntoBackslashes) {
    EXPECT_EQ(ContentFilePath("C:\\app\\www\\", "media/My Song.mp3"),
              "C:\\app\\www\\media\\My Song.mp3");
    EXPECT_EQ(ContentFilePath("C:\\app\\www\\", ""), "C:\\app\\www\\");
}

TEST(PlanResponse, HeaderBlocksOfEachOutcome) {
    auto block = [](const ResponsePlan& plan) { return JoinHeaderLines(plan.headers); };
    ResponsePlan missing = PlanResponse(false, "gone.html", 0, std::string("bytes=0-"));
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.reason, "Not Found");
    EXPECT_EQ(block(missing), "Cache-Control: no-store");
    EXPECT_EQ(missing.text, "File not found");

    ResponsePlan whole = PlanResponse(true, "index.html", 1234, std::nullopt);
    EXPECT_EQ(whole.status, 200);
    EXPECT_EQ(block(whole), "Cache-Control: no-store\nContent-Type: text/html; charset=utf-8\n"
                            "Accept-Ranges: bytes\nContent-Length: 1234");
    EXPECT_EQ(whole.body, BodySource::WholeFile);

    ResponsePlan all = PlanResponse(true, "a.mp3", 1000, std::string("bytes=0-"));
    EXPECT_EQ(all.status, 206);
    EXPECT_EQ(block(all),
              "Cache-Control: no-store\nContent-Type: audio/mpeg\nAccept-Ranges: bytes\n"
              "Content-Range: bytes 0-999/1000\nContent-Length: 1000");
    EXPECT_EQ(all.body, BodySource::WholeFile);

    ResponsePlan part = PlanResponse(true, "a.mp3", 1000, std::string("bytes=100-199"));
    EXPECT_EQ(part.reason, "Partial Content");
    EXPECT_EQ(part.body, BodySource::FileRange);
    EXPECT_EQ(part.first, 100u);
    EXPECT_EQ(part.length, 100u);

    ResponsePlan clamped = PlanResponse(true, "a.mp3", 1000, std::string("bytes=500-2000"));
    EXPECT_EQ(clamped.status, 206);
    EXPECT_EQ(clamped.headers[3], "Content-Range: bytes 500-999/1000");
    EXPECT_EQ(clamped.headers[4], "Content-Length: 500");
    ResponsePlan longSuffix = PlanResponse(true, "a.mp3", 1000, std::string("bytes=-2000"));
    EXPECT_EQ(longSuffix.headers[3], "Content-Range: bytes 0-999/1000");
    EXPECT_EQ(longSuffix.body, BodySource::WholeFile);

    for (const char* unsatisfiable : {"bytes=1000-", "bytes=1000-2000", "bytes=-0", "bytes=x-5"}) {
        ResponsePlan refused = PlanResponse(true, "a.mp3", 1000, std::string(unsatisfiable));
        EXPECT_EQ(refused.status, 416) << unsatisfiable;
        EXPECT_EQ(refused.reason, "Range Not Satisfiable");
        EXPECT_EQ(block(refused), "Cache-Control: no-store\nContent-Type: audio/mpeg\n"
                                  "Accept-Ranges: bytes\nContent-Range: bytes */1000")
            << unsatisfiable;
        EXPECT_EQ(refused.body, BodySource::None);
    }
    EXPECT_EQ(PlanResponse(true, "e.txt", 0, std::string("bytes=0-")).headers.back(),
              "Content-Range: bytes */0");

    ResponsePlan folder = PlanResponse(true, "", 0, std::nullopt);
    EXPECT_EQ(block(folder), "Cache-Control: no-store\nContent-Type: application/octet-stream\n"
                             "Accept-Ranges: bytes\nContent-Length: 0");
}

TEST(PlanResponse, FilesOf2GiBOrMoreAreRefusedClearly) {
    ResponsePlan whole = PlanResponse(true, "big.mp4", uint64_t{1} << 31, std::nullopt);
    EXPECT_EQ(whole.status, 500);
    EXPECT_EQ(whole.text, "File too large");
    EXPECT_EQ(JoinHeaderLines(whole.headers), "Cache-Control: no-store");
    ResponsePlan ranged = PlanResponse(true, "big.mp4", uint64_t{3} << 30, std::string("bytes=0-"));
    EXPECT_EQ(ranged.status, 416);
    EXPECT_EQ(ranged.headers.back(), "Accept-Ranges: bytes") << "no size it could not serve";
    ResponsePlan largest = PlanResponse(true, "big.mp4", 0x7FFFFFFF, std::nullopt);
    EXPECT_EQ(largest.headers.back(), "Content-Length: 2147483647");
}

TEST(PlanResponse, AnUnreadableFileIs500WithHeadersOfItsOwnText) {
    const ResponsePlan failed = UnreadableFileAnswer();
    EXPECT_EQ(failed.status, 500);
    EXPECT_EQ(failed.reason, "Internal Server Error");
    EXPECT_EQ(failed.body, BodySource::Text);
    EXPECT_EQ(failed.text, "File cannot be read");
    EXPECT_EQ(JoinHeaderLines(failed.headers), "Cache-Control: no-store\n"
                                               "Content-Type: text/plain; charset=utf-8\n"
                                               "Content-Length: 19");
}

TEST(PlanResponse, CrossOriginIsolationFollowsEveryAnswersOwnLines) {
    const std::string isolation = "\nCross-Origin-Opener-Policy: same-origin\n"
                                  "Cross-Origin-Embedder-Policy: require-corp\n"
                                  "Cross-Origin-Resource-Policy: same-origin";
    struct Case {
        int status;
        ResponsePlan plan;
    } cases[] = {
        {200, PlanResponse(true, "index.html", 10, std::nullopt)},
        {206, PlanResponse(true, "a.wasm", 10, std::string("bytes=2-5"))},
        {404, PlanResponse(false, "gone.js", 0, std::nullopt)},
        {416, PlanResponse(true, "a.wasm", 10, std::string("bytes=10-"))},
        {500, PlanResponse(true, "big.mp4", uint64_t{1} << 31, std::nullopt)},
        {500, UnreadableFileAnswer()},
    };
    for (Case& c : cases) {
        ASSERT_EQ(c.plan.status, c.status);
        const std::string own = JoinHeaderLines(c.plan.headers);
        const std::string body = c.plan.text;
        AddCrossOriginIsolation(c.plan);
        EXPECT_EQ(JoinHeaderLines(c.plan.headers), own + isolation) << c.status;
        EXPECT_EQ(c.plan.status, c.status);
        EXPECT_EQ(c.plan.text, body);
    }
}

TEST(LinkCheckCache, AFileIsCheckedOnceWhileItLooksTheSame) {
    LinkCheckCache cache;
    int checks = 0;
    const auto check = [&](bool inside) { return [&checks, inside] { return ++checks, inside; }; };
    const FileStamp stamp{0x20, 100, 200, 1024};
    EXPECT_TRUE(cache.StaysInside("www\\clip.bin", stamp, check(true)));
    EXPECT_TRUE(cache.StaysInside("www\\clip.bin", stamp, check(true)));
    EXPECT_EQ(checks, 1);
    // Replaced by a link (attributes), by another file (times), or written (size).
    for (const FileStamp changed :
         {FileStamp{0x420, 100, 200, 1024}, FileStamp{0x20, 101, 200, 1024},
          FileStamp{0x20, 100, 201, 1024}, FileStamp{0x20, 100, 200, 26}}) {
        const int before = checks;
        EXPECT_FALSE(cache.StaysInside("www\\clip.bin", changed, check(false)));
        EXPECT_EQ(checks, before + 1);
    }
    // A failure forgets the pass: the old stamp is checked again.
    EXPECT_TRUE(cache.StaysInside("www\\clip.bin", stamp, check(true)));
    EXPECT_EQ(checks, 6);
}

TEST(LinkCheckCache, StaysBoundedWhateverPathsAreAskedFor) {
    LinkCheckCache cache;
    for (int i = 0; i < 10000; ++i)
        cache.StaysInside("www\\" + std::to_string(i), FileStamp{}, [] { return true; });
    EXPECT_LE(cache.size(), 4096u);
    EXPECT_GT(cache.size(), 0u);
}
