#include "util/text/unicode_forms.h"

#include <windows.h>

#include "util/text/text.h"

namespace {
// Empty when the normaliser refuses the text (an unpaired surrogate, say).
std::wstring Normalised(NORM_FORM form, const std::wstring& text) {
    int length = NormalizeString(form, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    // The first answer is an estimate: try again with the size asked for.
    for (int tries = 0; length > 0 && tries < 4; ++tries) {
        std::wstring normalised(static_cast<size_t>(length), L'\0');
        length = NormalizeString(form, text.c_str(), static_cast<int>(text.size()),
                                 normalised.data(), length);
        if (length > 0) {
            normalised.resize(static_cast<size_t>(length));
            return normalised;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            break;
        length = -length;
    }
    return {};
}
} // namespace

std::vector<std::string> OtherUnicodeForms(const std::string& text) {
    std::vector<std::string> forms;
    bool ascii = true;
    for (unsigned char c : text)
        ascii = ascii && c < 0x80;
    if (ascii)
        return forms;
    const std::wstring wide = Utf8ToWide(text);
    for (NORM_FORM form : {NormalizationC, NormalizationD}) {
        const std::wstring normalised = Normalised(form, wide);
        if (normalised.empty() || normalised == wide)
            continue;
        std::string utf8 = WideToUtf8(normalised);
        if (utf8 != text && (forms.empty() || forms.front() != utf8))
            forms.push_back(std::move(utf8));
    }
    return forms;
}
