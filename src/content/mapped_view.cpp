#include "content/mapped_view.h"

#include "util/text/long_path.h"
#include "util/text/text.h"

std::shared_ptr<const MappedView> MappedView::Open(const std::string& filePath) {
    ScopedHandle file(CreateFileW(ToLongPath(Utf8ToWide(filePath)).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size))
        return nullptr;
    ScopedHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping)
        return nullptr;
    View view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view)
        return nullptr;
    return std::shared_ptr<const MappedView>(new MappedView(std::move(file), std::move(mapping),
                                                            std::move(view),
                                                            static_cast<uint64_t>(size.QuadPart)));
}
