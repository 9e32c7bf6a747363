#pragma once
// Scratch folders and files for Windows-side tests. Paths are UTF-8 with
// backslashes; folders end in a backslash, as the host keeps them.
#include <string>
#include <string_view>

class TempFolder {
public:
    // A new, empty folder below the user's temporary folder.
    explicit TempFolder(std::string_view label = "quorrin");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Creates the file (and its folders), replacing any old content.
void WriteFileBytes(const std::string& path, std::string_view bytes);

// Creates every folder on the way to path (which ends in a backslash).
void CreateFolders(const std::string& path);

// A 16 by 16 opaque PNG image, and the colour of its pixel (x, y) as 0xRRGGBB:
// red 255, green 16 * x, blue 16 * y.
std::string_view TinyPng();
unsigned TinyPngPixel(int x, int y);
