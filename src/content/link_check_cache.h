#pragma once
// The files that passed the link check, each with how it looked then, so that
// repeated requests for one file (every range of a media file) do not resolve
// its final path again. A file that looks different is checked anew. Portable.
#include <cstdint>
#include <string>
#include <unordered_map>

// What the file system reports of a path without opening it. Replacing the
// file by another or by a link, or writing it, changes at least one of these.
struct FileStamp {
    uint32_t attributes = 0;
    uint64_t created = 0;
    uint64_t written = 0;
    uint64_t size = 0;
    bool operator==(const FileStamp&) const = default;
};

class LinkCheckCache {
public:
    // True when the path passed with this very stamp; otherwise asks `check`
    // and keeps a pass. A failure forgets the path: it may pass (a file another
    // program held) and is rare.
    template <typename Check>
    bool StaysInside(const std::string& filePath, const FileStamp& stamp, Check check) {
        if (Passed(filePath, stamp))
            return true;
        const bool inside = check();
        Keep(filePath, stamp, inside);
        return inside;
    }

    size_t size() const { return passed_.size(); }

private:
    bool Passed(const std::string& filePath, const FileStamp& stamp) const;
    void Keep(const std::string& filePath, const FileStamp& stamp, bool inside);

    std::unordered_map<std::string, FileStamp> passed_;
};
