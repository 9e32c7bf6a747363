// Reads package.json with the executable's own parser, so that packaging
// refuses exactly the manifests that Quorrin.exe would refuse.
// Usage: manifest-check PATH. On success prints the settings packaging needs as
// one JSON object and exits 0; otherwise prints the executable's message and
// the reason and exits 1.
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include <nlohmann/json.hpp>

#include "manifest/manifest.h"
#include "manifest/manifest_rules.h"

namespace {
const char kLoadFailed[] =
    "Failed to load package.json. Check the file is in the same folder as the app.";
const char kParseFailed[] = "Failed to parse package.json. Check the file has valid JSON and "
                            "that all parameters are correct.";

std::string ReadWholeFile(const char* path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The manifest names of the directory-handle positions set in bits.
nlohmann::json HandleNames(uint32_t bits) {
    nlohmann::json names = nlohmann::json::array();
    for (size_t position = 0; position < kDirectoryHandleCount; ++position)
        if ((bits >> position) & 1u)
            names.push_back(kDirectoryHandleNames[position]);
    return names;
}

nlohmann::json Settings(const AppManifest& manifest) {
    return {{"name", manifest.name},
            {"main", manifest.main},
            {"title", manifest.title},
            {"icon", manifest.icon},
            {"enableDevtools", manifest.enableDevtools},
            {"contentMode", manifest.contentMode == ContentMode::Bundle ? "bundle" : "remote"},
            {"distributionMode",
             manifest.distributionMode == DistributionMode::Fixed ? "fixed" : "evergreen"},
            {"directoryHandles", HandleNames(manifest.directoryHandles)},
            {"namedWritableHandles", HandleNames(manifest.writableDirectoryHandles)}};
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: manifest-check PATH/package.json\n";
        return 2;
    }
    // An empty file is refused as unreadable, as the executable does.
    const std::string text = ReadWholeFile(argv[1]);
    if (text.empty()) {
        std::cerr << kLoadFailed << "\n";
        return 1;
    }
    AppManifest manifest;
    try {
        ParseManifest(text, manifest);
    } catch (const std::exception& error) {
        std::cerr << kParseFailed << " (" << error.what() << ")\n";
        return 1;
    }
    std::cout << Settings(manifest).dump() << "\n";
    return 0;
}
