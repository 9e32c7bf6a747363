#include "content/final_path.h"

#include <windows.h>

#include "util/text/long_path.h"
#include "util/scoped_handle.h"
#include "util/text/text.h"

std::string FinalPathOf(const std::string& path) {
    // No access asked for: only the name is wanted. Folders need backup semantics.
    const ScopedHandle file(CreateFileW(ToLongPath(Utf8ToWide(path)).c_str(), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                        nullptr));
    if (!file)
        return {};
    std::wstring finalPath(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = GetFinalPathNameByHandleW(file.get(), finalPath.data(),
                                                       static_cast<DWORD>(finalPath.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0)
            return {};
        if (length < finalPath.size()) {
            finalPath.resize(length);
            return WideToUtf8(StripLongPathPrefix(finalPath));
        }
        finalPath.assign(length, L'\0'); // the length asked for includes the NUL
    }
    return {};
}
