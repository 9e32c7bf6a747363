#include "util/message_box.h"

#include "util/author_log.h"
#include "util/text.h"

void ShowMessage(const std::string& text, const std::string& caption, UINT icon) {
    LogForAuthor("message box: " + text);
    MessageBoxW(nullptr, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(), MB_OK | icon);
}

bool AskYesNo(const std::string& text, const std::string& caption) {
    LogForAuthor("question box: " + text);
    const bool yes = MessageBoxW(nullptr, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(),
                                 MB_YESNO | MB_ICONQUESTION) == IDYES;
    LogForAuthor(yes ? "answer: yes" : "answer: no");
    return yes;
}
