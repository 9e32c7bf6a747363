#include "util/trim.h"

namespace {
bool IsClassicSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
} // namespace

void TrimWhitespace(std::string& text) {
    while (!text.empty() && IsClassicSpace(text.back()))
        text.pop_back();
    size_t first = 0;
    while (first < text.size() && IsClassicSpace(text[first]))
        ++first;
    text.erase(0, first);
}
