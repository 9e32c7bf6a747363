#pragma once
#include <string>

// "10.0.19045": the version Windows itself reports. GetVersionExW answers what
// the program's manifest claims; ntdll tells the truth.
std::string WindowsVersion();
