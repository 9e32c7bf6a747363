#include "content/mapped_view.h"

#include "util/long_path.h"
#include "util/text.h"

std::shared_ptr<const MappedView> MappedView::Open(const std::string& filePath) {
    HANDLE file =
        CreateFileW(ToLongPath(Utf8ToWide(filePath)).c_str(), GENERIC_READ, FILE_SHARE_READ,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    LARGE_INTEGER size{};
    HANDLE mapping = GetFileSizeEx(file, &size)
                         ? CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr)
                         : nullptr;
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
    return std::shared_ptr<const MappedView>(
        new MappedView(file, mapping, view, static_cast<uint64_t>(size.QuadPart)));
}

MappedView::~MappedView() {
    UnmapViewOfFile(view_);
    CloseHandle(mapping_);
    CloseHandle(file_);
}
