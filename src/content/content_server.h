#pragma once
// Answers the browser control's requests under the page origin from the content
// folder: resolves the path, plans the answer and sets it before returning, or,
// for a file that must be decoded first, once a worker has decoded it.
#include <set>
#include <string>

#include <WebView2.h>

#include "content/decoded_files.h"
#include "content/link_check_cache.h"
#include "content/mapped_file_cache.h"
#include "content/response_plan.h"
#include "content/worker_answers.h"
#include "util/com/com_ptr.h"

class ContentServer {
public:
    // contentFolder: the absolute folder served, ending in a backslash.
    // With crossOriginIsolation every answer lets the page be cross-origin isolated;
    // precompressed picks the compressed files served decoded; answerWindow gets
    // kDeliverContentAnswers when a worker has finished one.
    ContentServer(std::string contentFolder, size_t originLength, bool crossOriginIsolation,
                  HWND answerWindow, PrecompressedFiles precompressed = PrecompressedFiles::Auto);
    ContentServer(const ContentServer&) = delete;
    ContentServer& operator=(const ContentServer&) = delete;

    // `environment` (the browser session's) makes the response.
    void OnWebResourceRequested(ICoreWebView2Environment* environment,
                                ICoreWebView2WebResourceRequestedEventArgs* args);

    // Unmaps and closes every cached file, so that other programs may write them.
    void UnmapAll() { mappedFiles_.UnmapAll(); }

    // kDeliverContentAnswers: answers the requests the workers have finished.
    void DeliverFinishedAnswers() { workerAnswers_.DeliverFinished(); }
    // Before the session's web view goes: completes every request still waiting.
    void CompleteWaitingRequests() { workerAnswers_.CompleteAll(); }

private:
    // What a request's path names in the content folder.
    struct Target {
        std::string relativePath; // the key of the content type and the cache
        std::string filePath;
        bool found; // a file, not a folder
        uint64_t size;
    };
    Target Resolve(const std::string& relativePath);
    bool LookUp(Target& target);
    void FindInOtherUnicodeForm(Target& target);
    bool StaysInsideAfterLinks(const std::string& filePath, const FileStamp& stamp);
    com_ptr<IStream> BodyFor(ResponsePlan& plan, const Target& target);
    bool DecodeLater(ICoreWebView2Environment* environment,
                     ICoreWebView2WebResourceRequestedEventArgs* args, DecodedFiles::Decode decode);

    const std::string contentFolder_;
    const size_t originLength_;
    const bool crossOriginIsolation_;
    MappedFileCache mappedFiles_;
    DecodedFiles decodedFiles_;
    LinkCheckCache checkedFiles_;
    std::string finalContentFolder_; // resolved at start, or at the first request after
    std::set<std::string> namesInOtherForms_; // logged once each
    WorkerAnswers workerAnswers_;    // first to go: its workers use the rest
};
