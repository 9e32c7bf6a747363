// The content server on its own: a request object in, a response out, with no
// controller and no runtime behind it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include <windows.h>

#include "content/content_server.h"
#include "support/fake_webview2.h"
#include "support/temp_folder.h"
#include "util/log/author_log.h"
#include "util/text/text.h"

namespace {
class ContentServerAlone : public testing::Test {
protected:
    void SetUp() override {
        WriteFileBytes(root_.path() + "canary.txt", "CANARY-ABOVE");
        WriteFileBytes(app_ + "canary.txt", "CANARY-BESIDE");
        WriteFileBytes(app_ + "www\\index.html", "<p>hello</p>");
        std::string media;
        for (int i = 0; i < 1000; ++i)
            media += static_cast<char>('a' + i % 26);
        WriteFileBytes(app_ + "www\\media\\clip.bin", media);
        WriteFileBytes(app_ + "www\\sub\\index.html", "<p>sub</p>");
    }

    void TearDown() override {
        environment_.reset();
        ExpectEveryFakeReferenceReleased();
    }

    const FakeResponse* Request(const std::wstring& path,
                                std::optional<std::wstring> range = std::nullopt) {
        FakeResourceRequestedArgs args;
        args.request.uri = L"https://app.localhost/" + path;
        args.request.headers.range = std::move(range);
        server_.OnWebResourceRequested(environment_.get(), &args);
        if (!args.response)
            return nullptr;
        EXPECT_EQ(args.response, &fakeEnvironment_.responses.back());
        return &fakeEnvironment_.responses.back();
    }

    TempFolder root_{"content-server"};
    std::string app_ = root_.path() + "app\\";
    FakeEnvironment fakeEnvironment_;
    com_ptr<ICoreWebView2Environment> environment_ =
        com_ptr<ICoreWebView2Environment>::copy_from(&fakeEnvironment_);
    ContentServer server_{app_ + "www\\", 22, false, nullptr};
};

TEST_F(ContentServerAlone, AnswersFilesAndRangesFromTheContentFolder) {
    const FakeResponse* page = Request(L"index.html");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->body, "<p>hello</p>");
    EXPECT_NE(page->headers.find("Content-Type: text/html"), std::string::npos) << page->headers;

    const FakeResponse* part = Request(L"media/clip.bin", L"bytes=26-51");
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->status, 206);
    EXPECT_EQ(part->body, "abcdefghijklmnopqrstuvwxyz");
    EXPECT_NE(part->headers.find("Content-Range: bytes 26-51/1000"), std::string::npos)
        << part->headers;

    const FakeResponse* beyond = Request(L"media/clip.bin", L"bytes=1000-");
    ASSERT_NE(beyond, nullptr);
    EXPECT_EQ(beyond->status, 416);
}

TEST_F(ContentServerAlone, FoldersAskedForAsFoldersAreTheirIndexPages) {
    for (const wchar_t* path : {L"", L"?start=1", L"sub/", L"sub/#top", L"sub%2F"}) {
        const FakeResponse* page = Request(path);
        ASSERT_NE(page, nullptr) << WideToUtf8(path);
        EXPECT_EQ(page->status, 200) << WideToUtf8(path);
        EXPECT_NE(page->headers.find("Content-Type: text/html"), std::string::npos);
    }
    EXPECT_EQ(Request(L"")->body, "<p>hello</p>");
    EXPECT_EQ(Request(L"sub/")->body, "<p>sub</p>");
    EXPECT_EQ(Request(L"sub/", L"bytes=1-2")->body, "p>");
    for (const wchar_t* path : {L"sub", L"media", L"media/", L"sub?x=/", L"sub%5C"}) {
        const FakeResponse* answer = Request(path);
        ASSERT_NE(answer, nullptr) << WideToUtf8(path);
        EXPECT_EQ(answer->status, 404) << WideToUtf8(path);
    }
}

TEST_F(ContentServerAlone, QueriesAndFragmentsAreNotPartOfTheName) {
    EXPECT_EQ(Request(L"index.html?v=2")->body, "<p>hello</p>");
    EXPECT_EQ(Request(L"index.html#top?x")->body, "<p>hello</p>");
    EXPECT_EQ(Request(L"media/clip.bin?v=1", L"bytes=0-2")->body, "abc");
    EXPECT_EQ(Request(L"index.html%3Fv=2")->status, 404);
}

TEST_F(ContentServerAlone, AFileThatCannotBeOpenedIsAnswered500WithItsOwnHeaders) {
    const std::wstring clip = Utf8ToWide(app_ + "www\\media\\clip.bin");
    HANDLE locked = CreateFileW(clip.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    for (const std::optional<std::wstring>& range :
         {std::optional<std::wstring>(), std::optional<std::wstring>(L"bytes=0-"),
          std::optional<std::wstring>(L"bytes=5-9")}) {
        const FakeResponse* answer = Request(L"media/clip.bin", range);
        ASSERT_NE(answer, nullptr);
        EXPECT_EQ(answer->status, 500);
        EXPECT_EQ(answer->headers, "Cache-Control: no-store\nContent-Type: text/plain; "
                                   "charset=utf-8\nContent-Length: 19");
        EXPECT_EQ(answer->body, "File cannot be read");
    }
    CloseHandle(locked);
    EXPECT_EQ(Request(L"media/clip.bin", L"bytes=5-9")->body, "fghij");
}

TEST_F(ContentServerAlone, NothingOutsideTheContentFolderIsServed) {
    for (const wchar_t* path : {L"../canary.txt", L"..%2Fcanary.txt", L"%2e%2e/%2e%2e/canary.txt",
                                L"..\\canary.txt", L"missing.html"}) {
        const FakeResponse* answer = Request(path);
        ASSERT_NE(answer, nullptr) << WideToUtf8(path);
        EXPECT_EQ(answer->status, 404) << WideToUtf8(path);
        EXPECT_EQ(answer->body, "File not found") << WideToUtf8(path);
    }
}

TEST_F(ContentServerAlone, UnmapAllLetsOtherProgramsWriteTheFiles) {
    const std::wstring clip = Utf8ToWide(app_ + "www\\media\\clip.bin");
    ASSERT_EQ(Request(L"media/clip.bin", L"bytes=0-9")->status, 206);
    HANDLE held = CreateFileW(clip.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(held, INVALID_HANDLE_VALUE) << "the mapped file should still be open";
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);

    server_.UnmapAll();
    HANDLE writable =
        CreateFileW(clip.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writable, INVALID_HANDLE_VALUE);
    if (writable != INVALID_HANDLE_VALUE)
        CloseHandle(writable);
}

// Nothing better can be done than say so: the request then goes to the network.
TEST_F(ContentServerAlone, AResponseTheRuntimeRefusesIsLoggedAndNotSet) {
    const std::string logFolder = root_.path() + "log";
    OpenAuthorLog(logFolder);
    fakeEnvironment_.refusal = E_OUTOFMEMORY;
    FakeResourceRequestedArgs args;
    args.request.uri = L"https://app.localhost/index.html";
    server_.OnWebResourceRequested(environment_.get(), &args);
    CloseAuthorLog();
    EXPECT_EQ(args.response, nullptr);
    std::ifstream log(logFolder + "\\quorrin.log");
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("CreateWebResourceResponse failed: 0x8007000E"), std::string::npos) << text;
}

TEST_F(ContentServerAlone, ARequestWithoutItsRequestObjectIsLeftAlone) {
    FakeResourceRequestedArgs args;
    args.hasRequest = false;
    server_.OnWebResourceRequested(environment_.get(), &args);
    EXPECT_EQ(args.response, nullptr);
    EXPECT_TRUE(fakeEnvironment_.responses.empty());
}
} // namespace
