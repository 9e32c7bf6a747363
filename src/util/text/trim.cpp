#include "util/text/trim.h"

void TrimWhitespace(std::string& text) {
    while (!text.empty() && IsClassicSpace(text.back()))
        text.pop_back();
    size_t first = 0;
    while (first < text.size() && IsClassicSpace(text[first]))
        ++first;
    text.erase(0, first);
}
