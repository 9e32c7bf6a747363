#include "webview/close_handshake.h"

#include <string>
#include <utility>

#include "util/log/author_log.h"

CloseHandshake::CloseHandshake(HWND window, int32_t waitMs, std::function<bool()> askPage)
    : window_(window), waitMs_(waitMs > 0 ? static_cast<UINT>(waitMs) : 0),
      askPage_(std::move(askPage)) {}

CloseHandshake::~CloseHandshake() {
    if (waiting_)
        KillTimer(window_, TimerId());
}

bool CloseHandshake::HoldClose() {
    // A second close while the page saves is the player insisting.
    if (waitMs_ == 0 || closing_ || waiting_)
        return false;
    if (!askPage_())
        return false;
    // The timer's id is this object, which kills it before it goes.
    if (!SetTimer(window_, TimerId(), waitMs_, OnTimer)) {
        LogForAuthor("the window closes without waiting for the page: SetTimer failed, error " +
                     std::to_string(GetLastError()));
        return false;
    }
    waiting_ = true;
    return true;
}

void CloseHandshake::PageReady() {
    if (waiting_)
        CloseNow();
}

// Posted: the page's answer arrives inside a runtime callback, where the
// control's window must not be destroyed.
void CloseHandshake::CloseNow() {
    if (std::exchange(waiting_, false))
        KillTimer(window_, TimerId());
    closing_ = true;
    if (!PostMessageW(window_, WM_CLOSE, 0, 0))
        LogForAuthor("could not post WM_CLOSE: error " + std::to_string(GetLastError()));
}

void CALLBACK CloseHandshake::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    auto* handshake = reinterpret_cast<CloseHandshake*>(id);
    LogForAuthor("the page did not answer \"closing\" in time: the window closes");
    handshake->CloseNow();
}
