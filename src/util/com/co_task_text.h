#pragma once
// A string the runtime handed out, as UTF-8; one it did not give is empty.
#include <string>

#include "util/com/com_ptr.h"
#include "util/text/text.h"

inline std::string Utf8Of(const CoTaskString& text) {
    return text ? WideToUtf8(text.get()) : std::string();
}
