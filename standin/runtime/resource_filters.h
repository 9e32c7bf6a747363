#pragma once
// The runtime's WebResourceRequested filters: a request reaches the host's
// handlers only when a filter matches its URI, its resource context and the kind
// of its source. The plain filter covers documents (dedicated workers and frames
// count as documents); worker kinds need the filter that names them.
#include <cstdint>
#include <string>
#include <vector>

#include <WebView2.h>

#include "agent.h"

class ResourceFilters {
public:
    void Add(const std::wstring& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
             uint32_t sourceKinds);
    bool Reach(const std::wstring& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
               uint32_t sourceKind) const;

private:
    struct Filter {
        std::wstring uri; // "*" matches any run of characters, "?" any one
        COREWEBVIEW2_WEB_RESOURCE_CONTEXT context;
        uint32_t sourceKinds;
    };
    std::vector<Filter> filters_;
};

// The request's source as the agent names it in "sourceKind" ("document", the
// default, "sharedWorker" or "serviceWorker"), as a
// COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS flag; throws for other names.
uint32_t RequestSourceKind(const Json& args);

// The request's "resourceContext" (a COREWEBVIEW2_WEB_RESOURCE_CONTEXT number,
// DOCUMENT by default); throws for one out of the enumeration.
COREWEBVIEW2_WEB_RESOURCE_CONTEXT RequestContext(const Json& args);

// Whether the runtime offers ICoreWebView2_22 (and with it the worker filters and
// ICoreWebView2WebResourceRequestedEventArgs2) under the agent's configuration.
bool OffersWorkerFilters();
