#include "util/message_box.h"

#include "util/log/author_log.h"
#include "util/text/text.h"

void ShowMessage(const std::string& text, const std::string& caption, UINT icon, HWND owner) {
    LogForAuthor("message box: " + text);
    MessageBoxW(owner, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(), MB_OK | icon);
}

bool AskYesNo(const std::string& text, const std::string& caption, HWND owner) {
    LogForAuthor("question box: " + text);
    const bool yes = MessageBoxW(owner, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(),
                                 MB_YESNO | MB_ICONQUESTION) == IDYES;
    LogForAuthor(yes ? "answer: yes" : "answer: no");
    return yes;
}
