#include <gtest/gtest.h>

#include <string>

#include "bootstrap/download_progress.h"
#include "window/dpi_scale.h"
#include "util/text/json_lookup.h"
#include "util/text/long_path.h"
#include "util/text/trim.h"

TEST(LongPath, ToLongPath) {
    struct Case {
        const wchar_t* input;
        const wchar_t* expected;
    } cases[] = {
        {L"C:/app/www/index.html", L"\\\\?\\C:\\app\\www\\index.html"},
        {L"\\\\?\\C:\\a", L"\\\\?\\C:\\a"},
        {L"\\\\?\\C:/a", L"\\\\?\\C:\\a"},
        {L"C:\\", L"C:\\"},
        {L"a/b", L"a\\b"},
        {L"", L""},
        {L"C:\\x", L"\\\\?\\C:\\x"},
        // A program folder on a share.
        {L"\\\\server\\share\\game\\", L"\\\\?\\UNC\\server\\share\\game\\"},
        {L"//server/share/a", L"\\\\?\\UNC\\server\\share\\a"},
        {L"\\\\?\\UNC\\server\\a", L"\\\\?\\UNC\\server\\a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToLongPath(c.input), c.expected);
}

TEST(LongPath, StripLongPathPrefix) {
    EXPECT_EQ(StripLongPathPrefix(L"\\\\?\\C:\\a"), L"C:\\a");
    EXPECT_EQ(StripLongPathPrefix(L"C:\\a"), L"C:\\a");
    EXPECT_EQ(StripLongPathPrefix(L"\\\\?"), L"\\\\?");
    EXPECT_EQ(StripLongPathPrefix(L"\\\\?\\"), L"");
    EXPECT_EQ(StripLongPathPrefix(L"\\\\?\\UNC\\server\\share\\x"), L"\\\\server\\share\\x");
}

TEST(TrimWhitespace, RemovesClassicWhiteSpaceAtBothEnds) {
    struct Case {
        std::string input;
        std::string expected;
    } cases[] = {
        {"  bytes=0-\t\r", "bytes=0-"},
        {" \t\n\v\f\r", ""},
        {"", ""},
        {"a b", "a b"},
        {"\xA0x\xA0", "\xA0x\xA0"}, // no-break space in Latin-1 is not white space
        {"\x85y", "\x85y"},
        {std::string("\0z", 2), std::string("\0z", 2)},
    };
    for (Case& c : cases) {
        TrimWhitespace(c.input);
        EXPECT_EQ(c.input, c.expected);
    }
}

TEST(ScaleLength, RoundsUpInSinglePrecision) {
    struct Case {
        int dpi;
        int32_t length;
        int32_t expected;
    } cases[] = {
        {96, 1024, 1024},
        {96, 0, 0},
        {120, 300, 375},
        {120, 90, 113},
        {120, 1001, 1252},
        {120, 1024, 1280},
        {120, 768, 960},
        {144, 768, 1152},
        {144, 1024, 1536},
        {144, -100, -150},
        {120, -3, -3},
        {144, 2000000000, INT32_MAX},
        {144, INT32_MIN, INT32_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScaleLength(c.length, DpiScaleFactor(c.dpi)), c.expected)
            << c.length << " at " << c.dpi;
}

TEST(JsonLookup, IntAcceptsEveryNumberKind) {
    auto object = nlohmann::json::parse(
        R"({"f":2.9,"n":-2.9,"big":4294967297,"neg":-7,"s":"5","b":true,"null":null})");
    EXPECT_EQ(JsonIntOr(object, "f", 9), 2);
    EXPECT_EQ(JsonIntOr(object, "n", 9), -2);
    EXPECT_EQ(JsonIntOr(object, "big", 9), 1);
    EXPECT_EQ(JsonIntOr(object, "neg", 9), -7);
    EXPECT_EQ(JsonIntOr(object, "s", 9), 9);
    EXPECT_EQ(JsonIntOr(object, "b", 9), 9);
    EXPECT_EQ(JsonIntOr(object, "null", 9), 9);
    EXPECT_EQ(JsonIntOr(object, "missing", 9), 9);
}

TEST(JsonLookup, StringAndBoolNeedTheirOwnTypes) {
    auto object = nlohmann::json::parse(R"({"one":1,"arr":["x"],"t":true,"s":"x"})");
    EXPECT_TRUE(JsonBoolOr(object, "one", true));
    EXPECT_FALSE(JsonBoolOr(object, "one", false));
    EXPECT_TRUE(JsonBoolOr(object, "t", false));
    EXPECT_EQ(JsonStringOr(object, "arr", "d"), "d");
    EXPECT_EQ(JsonStringOr(object, "s", "d"), "x");
}

TEST(JsonLookup, NonObjectsGiveDefaultsAndAreNotChanged) {
    for (const char* text : {"null", "[1,2]", "\"text\"", "3"}) {
        const nlohmann::json value = nlohmann::json::parse(text);
        EXPECT_EQ(JsonStringOr(value, "k", "d"), "d") << text;
        EXPECT_EQ(JsonIntOr(value, "k", 4), 4) << text;
        EXPECT_TRUE(JsonBoolOr(value, "k", true)) << text;
    }
    nlohmann::json object = nlohmann::json::object();
    JsonStringOr(object, "k", "d");
    JsonIntOr(object, "k", 1);
    EXPECT_TRUE(object.empty());
}

TEST(DownloadPercent, TruncatedInSinglePrecisionAndNothingWithoutATotal) {
    EXPECT_EQ(DownloadPercent(0, 1000), 0);
    EXPECT_EQ(DownloadPercent(999, 1000), 99);
    EXPECT_EQ(DownloadPercent(1000, 1000), 100);
    EXPECT_EQ(DownloadPercent(1, 3), 33);
    EXPECT_EQ(DownloadPercent(2000, 1000), 200);
    EXPECT_EQ(DownloadPercent(4294967295UL, 1), INT32_MAX);
    EXPECT_EQ(DownloadPercent(500, 0), -1);
}
