// The runtime's default script dialogs: alert, confirm and prompt shown as modal
// windows over the host's window, answered by a person (or a test pressing
// their buttons), the answer going back to the agent. Each runs on a thread of
// its own, so the host's UI thread never runs a message loop for it.
#include <thread>
#include <vector>

#include "agent_fields.h"
#include "objects.h"

namespace {
constexpr WORD kPromptEdit = 100;
constexpr WORD kPromptMessage = 101;

struct PromptState {
    std::wstring message;
    std::wstring text;
};

void AppendText(std::vector<WORD>& words, const std::wstring& text) {
    words.insert(words.end(), text.begin(), text.end());
    words.push_back(0);
}

void AppendItem(std::vector<WORD>& words, DWORD style, short x, short y, short cx, short cy,
                WORD id, WORD classAtom, const std::wstring& text) {
    if (words.size() % 2)
        words.push_back(0); // items start on a DWORD
    const DWORD fullStyle = style | WS_CHILD | WS_VISIBLE;
    words.insert(words.end(), {LOWORD(fullStyle), HIWORD(fullStyle), 0, 0, static_cast<WORD>(x),
                               static_cast<WORD>(y), static_cast<WORD>(cx), static_cast<WORD>(cy),
                               id, 0xFFFF, classAtom});
    AppendText(words, text);
    words.push_back(0); // no creation data
}

// A dialog template of a message, a text box and OK and Cancel.
std::vector<WORD> PromptTemplate(const std::wstring& caption) {
    std::vector<WORD> words;
    const DWORD style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    words.insert(words.end(), {LOWORD(style), HIWORD(style), 0, 0, 4, 0, 0, 240, 80, 0, 0});
    AppendText(words, caption);
    words.push_back(9);
    AppendText(words, L"Segoe UI");
    AppendItem(words, SS_LEFT, 7, 7, 226, 24, kPromptMessage, 0x0082, L"");
    AppendItem(words, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 34, 226, 14, kPromptEdit, 0x0081,
               L"");
    AppendItem(words, BS_DEFPUSHBUTTON | WS_TABSTOP, 128, 56, 50, 14, IDOK, 0x0080, L"OK");
    AppendItem(words, BS_PUSHBUTTON | WS_TABSTOP, 183, 56, 50, 14, IDCANCEL, 0x0080, L"Cancel");
    return words;
}

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<PromptState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        state = reinterpret_cast<PromptState*>(lParam);
        SetDlgItemTextW(dialog, kPromptMessage, state->message.c_str());
        SetDlgItemTextW(dialog, kPromptEdit, state->text.c_str());
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        if (LOWORD(wParam) == IDOK) {
            wchar_t text[4096] = {};
            GetDlgItemTextW(dialog, kPromptEdit, text, 4096);
            state->text = text;
        }
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

// {accepted, text}: what the person answered.
Json RunDialog(HWND owner, const std::string& kind, const std::wstring& caption,
               const std::wstring& message, const std::wstring& defaultText) {
    if (kind == "prompt") {
        PromptState state{message, defaultText};
        const std::vector<WORD> words = PromptTemplate(caption);
        const INT_PTR button = DialogBoxIndirectParamW(
            GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(words.data()), owner,
            PromptProc, reinterpret_cast<LPARAM>(&state));
        return button == IDOK ? Json{{"accepted", true}, {"text", ToUtf8(state.text.c_str())}}
                              : Json{{"accepted", false}};
    }
    const UINT buttons = kind == "alert" ? MB_OK : MB_OKCANCEL;
    const int pressed = MessageBoxW(owner, message.c_str(), caption.c_str(), buttons);
    return {{"accepted", pressed == IDOK}};
}
} // namespace

void ShowScriptDialog(const Json& request, HWND owner) {
    const Json* id = Member(request, "id");
    const Json replyId = id ? *id : Json(nullptr);
    const std::string kind = StringField(request, "kind", "alert");
    const std::wstring caption = ToWide(StringField(request, "origin", "") + " says");
    const std::wstring message = ToWide(StringField(request, "message", ""));
    const std::wstring defaultText = ToWide(StringField(request, "defaultText", ""));
    std::thread([=] {
        Json reply = RunDialog(owner, kind, caption, message, defaultText);
        reply["type"] = "result";
        reply["id"] = replyId;
        SendToAgent(reply);
    }).detach();
}
