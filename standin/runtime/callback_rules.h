#pragma once
// The runtime's rules for the host's callbacks, which the real runtime breaks
// on (hangs, crashes, RPC_E_WRONG_THREAD) but rarely visibly: each broken rule
// is reported to the agent as a "violation", and the test fails on it.
#include <initializer_list>
#include <string>

#include <windows.h>

class Tracked;

// While alive, the host's handlers of `event` run: `objects` raised it.
class Dispatching {
public:
    Dispatching(const char* event, std::initializer_list<const Tracked*> objects);
    ~Dispatching();
    Dispatching(const Dispatching&) = delete;
    Dispatching& operator=(const Dispatching&) = delete;

private:
    const Tracked* objects_[2] = {};
    const char* outerEvent_;
    bool outerReported_;
};

// Whether one of the object's own events is being dispatched right now.
bool IsDispatching(const Tracked& object);

// Tells the agent the host broke a rule (one line each).
void ReportViolation(const std::string& rule, const std::string& detail);

// A message taken from the UI thread's queue during a dispatch means the host
// runs a message loop (a message box, a dialog) inside a handler.
void WatchNestedMessageLoops();

// RPC_E_WRONG_THREAD (reported) for a call from another thread than the one
// that created the object, as COM answers for an object bound to an apartment.
HRESULT CheckCallingThread(const Tracked& object, const char* method);
#define STANDIN_ON_CREATING_THREAD(method)                                                         \
    if (const HRESULT wrongThread = CheckCallingThread(*this, method); FAILED(wrongThread))        \
    return wrongThread
