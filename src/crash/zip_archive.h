#pragma once
// A zip archive built in memory, its entries stored as they are: what a crash
// report holds (minidumps, a log, a few lines of text) is small, and any tool
// a player or an author has opens it. Portable.
#include <cstdint>
#include <string>

class ZipArchive {
public:
    // name uses "/" between folders; dosTime and dosDate as the format keeps them.
    void Add(const std::string& name, const std::string& bytes, uint16_t dosTime = 0,
             uint16_t dosDate = (1 << 5) | 1);
    // The whole archive: the entries, their directory and its end record.
    std::string Finish() const;

private:
    std::string entries_;
    std::string directory_;
    uint16_t count_ = 0;
};
