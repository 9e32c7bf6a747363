#pragma once
// The composed (NFC) and decomposed (NFD) forms of a UTF-8 text, through the
// system's normaliser: a file named on a Mac keeps decomposed letters, while a
// page asks for them composed, and Windows' file system matches neither to
// the other.
#include <string>
#include <vector>

// The forms of text that differ from it, composed first; none for plain ASCII
// or a text the normaliser refuses.
std::vector<std::string> OtherUnicodeForms(const std::string& text);
