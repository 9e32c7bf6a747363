#pragma once
#include <string>

#include <windows.h>

// An icon made from any image file GDI+ decodes; null on any failure.
// GDI+ must be started.
HICON LoadIconFromImageFile(const std::string& path);
