#include "util/message_box.h"

#include "util/text.h"

void ShowMessage(const std::string& text, const std::string& caption, UINT icon) {
    MessageBoxW(nullptr, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(), MB_OK | icon);
}
