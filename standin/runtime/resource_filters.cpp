#include "resource_filters.h"

#include "agent.h"
#include "agent_fields.h"

namespace {
// Glob matching with backtracking to the last "*": linear for one star, never
// exponential however many the pattern holds.
bool GlobMatches(const std::wstring& pattern, const std::wstring& text) {
    size_t p = 0, t = 0, star = std::wstring::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == L'*') { // a wildcard, even facing a "*" of the URI
            star = p++;
            resume = t;
        } else if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == text[t])) {
            ++p, ++t;
        } else if (star != std::wstring::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*')
        ++p;
    return p == pattern.size();
}
} // namespace

void ResourceFilters::Add(const std::wstring& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                          uint32_t sourceKinds) {
    filters_.push_back({uri, context, sourceKinds});
}

bool ResourceFilters::Reach(const std::wstring& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                            uint32_t sourceKind) const {
    for (const Filter& filter : filters_)
        if ((filter.sourceKinds & sourceKind) &&
            (filter.context == COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL ||
             filter.context == context) &&
            GlobMatches(filter.uri, uri))
            return true;
    return false;
}

uint32_t RequestSourceKind(const Json& args) {
    const std::string name = StringField(args, "sourceKind", "document");
    if (name == "document")
        return COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT;
    if (name == "sharedWorker")
        return COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_SHARED_WORKER;
    if (name == "serviceWorker")
        return COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_SERVICE_WORKER;
    throw AgentMessageError("unknown sourceKind " + Quoted(name));
}

COREWEBVIEW2_WEB_RESOURCE_CONTEXT RequestContext(const Json& args) {
    const int context = IntegerField(args, "resourceContext",
                                     static_cast<int>(COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT));
    if (context <= COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL ||
        context > COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER)
        throw AgentMessageError("resourceContext " + std::to_string(context) +
                                " is not a request's context");
    return static_cast<COREWEBVIEW2_WEB_RESOURCE_CONTEXT>(context);
}

bool OffersWorkerFilters() {
    const AgentConfig& config = Config();
    return config.webview2_23 || (config.webview2_2 && config.webview2_22);
}
