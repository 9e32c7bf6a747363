#include "content/mapped_file_cache.h"

#include "util/long_path.h"
#include "util/text.h"

const unsigned char* MappedFileCache::GetView(const std::string& relativePath,
                                              const std::string& filePath) {
    auto cached = files_.find(relativePath);
    if (cached != files_.end())
        return static_cast<const unsigned char*>(cached->second.view);

    HANDLE file =
        CreateFileW(ToLongPath(Utf8ToWide(filePath)).c_str(), GENERIC_READ, FILE_SHARE_READ,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping) {
        CloseHandle(file);
        return nullptr;
    }
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (!view) {
        CloseHandle(mapping);
        CloseHandle(file);
        return nullptr;
    }
    files_.emplace(relativePath, MappedFile{file, mapping, view});
    return static_cast<const unsigned char*>(view);
}

void MappedFileCache::UnmapAll() {
    for (const auto& [relativePath, mapped] : files_) {
        UnmapViewOfFile(mapped.view);
        CloseHandle(mapped.mapping);
        CloseHandle(mapped.file);
    }
    files_.clear();
}
