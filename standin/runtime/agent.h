#pragma once
// The stand-in's link to its agent (a test, or a real browser engine): one JSON
// object per line over TCP, to the address in WEBVIEW2_STANDIN_AGENT. Without
// that variable the stand-in runs with the default configuration and reports to
// no one.
#include <functional>

#include <nlohmann/json.hpp>

using Json = nlohmann::json;

// How the agent wants the runtime to behave.
struct AgentConfig {
    bool settings3 = true;
    bool settings6 = true; // with settings3: Settings4 to 6 (autofill, pinch zoom, swipes)
    bool environment14 = true;
    bool webview2_2 = true;
    bool webview2_22 = true; // with webview2_2: worker filters (webview2_23 implies them)
    bool webview2_23 = true;
    bool controller2 = true;    // ICoreWebView2Controller2: the default background colour
    bool controller3 = true;    // ICoreWebView2Controller3: the rasterization scale
    long environmentResult = 0; // HRESULT delivered to the environment-completed handler
    long controllerResult = 0;
    bool environmentNull = false; // deliver a null environment
    bool controllerNull = false;
    bool holdEnvironment = false; // complete environment creation only when the agent says
    bool reportCalls = true;      // false: no call reports (benchmarks time the host alone)
    // An engine behind the agent: it ends on "browser-closing" and says "browser-exited".
    bool browserExitFromAgent = false;
};

// Connects on first use and waits for the agent's configuration.
const AgentConfig& Config();

// Sends one message to the agent, if there is one. Safe from any thread.
void SendToAgent(const Json& message);

// Runs work on the UI thread (the thread of the first loader call), from its
// message loop, one item at a time.
void PostToUiThread(std::function<void()> work);

// Handles one request from the agent on the UI thread; set by the runtime objects.
using AgentRequestHandler = std::function<void(const Json& request)>;
void SetAgentRequestHandler(AgentRequestHandler handler);
