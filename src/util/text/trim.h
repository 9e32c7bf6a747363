#pragma once
#include <string>

// Classic-locale white space: space, \t, \n, \v, \f and \r. Bytes from 0x80 up
// are never white space, whatever the locale.
inline bool IsClassicSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Removes classic-locale white space from both ends.
void TrimWhitespace(std::string& text);
