#include <cctype>

#include "content/final_path.h"

bool IsInsideFolder(const std::string& finalPath, const std::string& finalFolder) {
    std::string folder = finalFolder;
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    if (folder.empty() || finalPath.size() <= folder.size() + 1 || finalPath[folder.size()] != '\\')
        return false;
    for (size_t i = 0; i < folder.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(finalPath[i])) !=
            std::tolower(static_cast<unsigned char>(folder[i])))
            return false;
    return true;
}
