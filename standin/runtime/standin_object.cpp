#include "standin_object.h"

#include <cstring>
#include <map>
#include <mutex>

namespace {
std::atomic<int> g_nextId{1};
std::mutex g_liveLock;

std::map<std::string, int>& LiveCounts() {
    static auto* counts = new std::map<std::string, int>();
    return *counts;
}
} // namespace

Tracked::Tracked(const char* kind)
    : id_(g_nextId++), kind_(kind), creatingThread_(GetCurrentThreadId()) {
    std::lock_guard<std::mutex> lock(g_liveLock);
    ++LiveCounts()[kind];
}

Tracked::~Tracked() {
    std::lock_guard<std::mutex> lock(g_liveLock);
    if (--LiveCounts()[kind_] == 0)
        LiveCounts().erase(kind_);
}

Json LiveObjects() {
    std::lock_guard<std::mutex> lock(g_liveLock);
    Json live = Json::object();
    for (const auto& [kind, count] : LiveCounts())
        live[kind] = count;
    return live;
}

HRESULT ReportUnimplemented(const char* interfaceName, const char* method) {
    SendToAgent({{"type", "call"},
                 {"interface", interfaceName},
                 {"method", method},
                 {"args", Json::array()},
                 {"unimplemented", true}});
    return E_NOTIMPL;
}

bool CallsReported() {
    return Config().reportCalls;
}

void ReportCall(const Tracked& object, const char* interfaceName, const char* method, Json args) {
    if (!CallsReported())
        return;
    SendToAgent({{"type", "call"},
                 {"interface", interfaceName},
                 {"method", method},
                 {"object", object.id()},
                 {"args", std::move(args)}});
}

void RetainQuietly(IUnknown* object) {
    if (auto* ours = dynamic_cast<Tracked*>(object))
        ours->InternalAddRef();
    else if (object)
        object->AddRef();
}

void ReleaseQuietly(IUnknown* object) {
    if (auto* ours = dynamic_cast<Tracked*>(object))
        ours->InternalRelease();
    else if (object)
        object->Release();
}

std::string IidToText(REFIID iid) {
    wchar_t text[64] = {};
    StringFromGUID2(iid, text, 64);
    return ToUtf8(text);
}

std::string ToUtf8(LPCWSTR text) {
    if (!text || !*text)
        return {};
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(length > 0 ? length - 1 : 0, '\0');
    if (length > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), length, nullptr, nullptr);
    return result;
}

std::wstring ToWide(const std::string& text) {
    if (text.empty())
        return {};
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring result(length > 0 ? length : 0, L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), result.data(), length);
    return result;
}

Json ToJson(LPCWSTR text) {
    return text ? Json(ToUtf8(text)) : Json(nullptr);
}

Json ToJson(const RECT& rect) {
    return {{"left", rect.left}, {"top", rect.top}, {"right", rect.right}, {"bottom", rect.bottom}};
}

HRESULT CopyString(const std::wstring& text, LPWSTR* out) {
    if (!out)
        return E_POINTER;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*out)
        return E_OUTOFMEMORY;
    std::memcpy(*out, text.c_str(), bytes);
    return S_OK;
}
