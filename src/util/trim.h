#pragma once
#include <string>

// Removes classic-locale white space (space, \t, \n, \v, \f, \r) from both ends.
// Bytes from 0x80 up are never white space, whatever the locale.
void TrimWhitespace(std::string& text);
