#include "callback_rules.h"

#include <cstdio>
#include <vector>

#include "agent.h"
#include "standin_object.h"

namespace {
// Only the UI thread dispatches events, so plain globals suffice.
std::vector<const Tracked*> g_dispatching;
const char* g_event = nullptr;
bool g_loopReported = false;

std::string Describe(const Tracked& object) {
    return std::string(object.kind()) + " #" + std::to_string(object.id());
}

LRESULT CALLBACK NoticeTakenMessage(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && g_event && !g_loopReported) {
        g_loopReported = true; // one report per dispatch: a modal loop takes many
        char number[16];
        snprintf(number, sizeof(number), "0x%04X", message ? message->message : 0);
        const std::string where =
            std::string("a message loop ran inside the handler of ") + g_event;
        ReportViolation("message-loop-in-handler", where + " (message " + number + " taken)");
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
} // namespace

Dispatching::Dispatching(const char* event, std::initializer_list<const Tracked*> objects)
    : outerEvent_(g_event), outerReported_(g_loopReported) {
    size_t index = 0;
    for (const Tracked* object : objects)
        if (object && index < 2)
            g_dispatching.push_back(objects_[index++] = object);
    g_event = event;
    g_loopReported = false;
}

Dispatching::~Dispatching() {
    for (const Tracked* object : objects_)
        if (object)
            g_dispatching.pop_back();
    g_event = outerEvent_;
    g_loopReported = outerReported_;
}

bool IsDispatching(const Tracked& object) {
    for (const Tracked* dispatching : g_dispatching)
        if (dispatching == &object)
            return true;
    return false;
}

void ReportViolation(const std::string& rule, const std::string& detail) {
    SendToAgent({{"type", "violation"}, {"rule", rule}, {"detail", detail}});
}

void WatchNestedMessageLoops() {
    SetWindowsHookExW(WH_GETMESSAGE, NoticeTakenMessage, nullptr, GetCurrentThreadId());
}

HRESULT CheckCallingThread(const Tracked& object, const char* method) {
    if (GetCurrentThreadId() == object.creatingThread())
        return S_OK;
    ReportViolation("wrong-thread", std::string(method) + " on " + Describe(object) +
                                        " from a thread other than the one that created it");
    return RPC_E_WRONG_THREAD;
}
