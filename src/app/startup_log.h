#pragma once
// The first lines of the author's log: what ran, where and how.
#include <string>

struct AppManifest;

// The program's version string, as the log gives it.
inline constexpr char kQuorrinVersion[] = "1.0.0";

void LogStartup(const AppManifest& manifest, const std::string& applicationFolder);
