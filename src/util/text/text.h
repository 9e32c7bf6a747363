#pragma once
// UTF-8 <-> UTF-16 through the system converters. Ill-formed input is not
// rejected: the converter substitutes replacement characters.
#include <string>

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
