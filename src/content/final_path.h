#pragma once
// Where a path really leads once links and junctions are followed.
#include <string>

// The path's final form with every link resolved (UTF-8, without a "\\?\"
// prefix); empty when it cannot be opened.
std::string FinalPathOf(const std::string& path);

// The final path lies inside the final folder (ASCII case folded, as Windows
// compares): "C:\www2\x" is not inside "C:\www". Portable.
bool IsInsideFolder(const std::string& finalPath, const std::string& finalFolder);
