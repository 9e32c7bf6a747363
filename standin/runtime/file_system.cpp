#include <cwctype>
#include <vector>

#include "agent_fields.h"
#include "objects.h"

namespace {
class DirectoryHandle final : public StandinObject<ICoreWebView2FileSystemHandleDefaults> {
public:
    DirectoryHandle(LPCWSTR path, COREWEBVIEW2_FILE_SYSTEM_HANDLE_PERMISSION permission)
        : StandinObject("ICoreWebView2FileSystemHandle"), path_(path ? path : L""),
          permission_(permission) {}

    Json Describe() const {
        return {{"kind", "directory"},
                {"path", ToUtf8(path_.c_str())},
                {"permission", static_cast<int>(permission_)}};
    }
    HRESULT STDMETHODCALLTYPE get_Kind(COREWEBVIEW2_FILE_SYSTEM_HANDLE_KIND* value) override {
        return CopyValue(COREWEBVIEW2_FILE_SYSTEM_HANDLE_KIND_DIRECTORY, value);
    }
    HRESULT STDMETHODCALLTYPE get_Path(LPWSTR* value) override { return CopyString(path_, value); }
    HRESULT STDMETHODCALLTYPE
    get_Permission(COREWEBVIEW2_FILE_SYSTEM_HANDLE_PERMISSION* value) override {
        return CopyValue(permission_, value);
    }

protected:
    bool Offers(REFIID iid) const override { return iid == IidOf<ICoreWebView2FileSystemHandle>(); }

private:
    std::wstring path_;
    COREWEBVIEW2_FILE_SYSTEM_HANDLE_PERMISSION permission_;
};

class ObjectCollection final : public StandinObject<ICoreWebView2ObjectCollectionDefaults> {
public:
    ObjectCollection(UINT32 length, IUnknown** items)
        : StandinObject("ICoreWebView2ObjectCollection") {
        for (UINT32 i = 0; i < length; ++i) {
            RetainQuietly(items[i]);
            items_.push_back(items[i]);
        }
    }
    ~ObjectCollection() override {
        for (IUnknown* item : items_)
            ReleaseQuietly(item);
    }

    Json Describe() const {
        Json entries = Json::array();
        for (IUnknown* item : items_)
            entries.push_back(DescribeCollectionItem(item));
        return entries;
    }
    HRESULT STDMETHODCALLTYPE get_Count(UINT32* value) override {
        return CopyValue(static_cast<UINT32>(items_.size()), value);
    }
    HRESULT STDMETHODCALLTYPE GetValueAtIndex(UINT32 index, IUnknown** value) override {
        if (!value)
            return E_POINTER;
        if (index >= items_.size())
            return E_INVALIDARG;
        *value = items_[index];
        if (*value)
            (*value)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RemoveValueAtIndex(UINT32 index) override {
        if (index >= items_.size())
            return E_INVALIDARG;
        ReleaseQuietly(items_[index]);
        items_.erase(items_.begin() + index);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertValueAtIndex(UINT32 index, IUnknown* value) override {
        if (index > items_.size())
            return E_INVALIDARG;
        RetainQuietly(value);
        items_.insert(items_.begin() + index, value);
        return S_OK;
    }

protected:
    bool Offers(REFIID iid) const override {
        return iid == IidOf<ICoreWebView2ObjectCollection>() ||
               iid == IidOf<ICoreWebView2ObjectCollectionView>();
    }

private:
    std::vector<IUnknown*> items_;
};
} // namespace

ICoreWebView2FileSystemHandle*
MakeDirectoryHandle(LPCWSTR path, COREWEBVIEW2_FILE_SYSTEM_HANDLE_PERMISSION permission) {
    auto* handle = new DirectoryHandle(path, permission);
    handle->InternalAddRef();
    return handle;
}

ICoreWebView2ObjectCollection* MakeObjectCollection(UINT32 length, IUnknown** items) {
    auto* collection = new ObjectCollection(length, items);
    collection->InternalAddRef();
    return collection;
}

Json DescribeCollectionItem(IUnknown* item) {
    auto* handle = dynamic_cast<DirectoryHandle*>(item);
    return handle ? handle->Describe() : Json(nullptr);
}

Json DescribeCollection(ICoreWebView2ObjectCollectionView* collection) {
    auto* ours = dynamic_cast<ObjectCollection*>(collection);
    return ours ? ours->Describe() : Json::array();
}

namespace {
std::wstring FolderKey(std::wstring path) {
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    for (wchar_t& c : path)
        c = static_cast<wchar_t>(towlower(c));
    return path;
}

// What the page may write: the runtime's own answer, or the host's when it asks.
constexpr int kFileReadWriteKind = COREWEBVIEW2_PERMISSION_KIND_FILE_READ_WRITE;
} // namespace

bool PageFileGrants::Covers(const std::wstring& path) const {
    const std::wstring key = FolderKey(path);
    for (const std::wstring& folder : folders_) {
        const std::wstring granted = FolderKey(folder);
        if (!granted.empty() && key.compare(0, granted.size(), granted) == 0 &&
            (key.size() == granted.size() || key[granted.size()] == L'\\'))
            return true;
    }
    return false;
}

// The collection's read-write handles count as posted before any of its others,
// the strictest reading of the runtime's "already on the page".
Json PageFileGrants::DescribePosted(ICoreWebView2ObjectCollectionView* collection) {
    Json entries = DescribeCollection(collection);
    for (const Json& entry : entries)
        if (entry.is_object() && entry["permission"] == 1)
            Grant(ToWide(entry["path"].get<std::string>()));
    for (Json& entry : entries)
        if (entry.is_object())
            entry["writable"] = Covers(ToWide(entry["path"].get<std::string>()));
    return entries;
}

// "ask": false only queries ("granted" or "prompt"). Asking raises
// PermissionRequested with the file kind, as the runtime does for a handle
// posted read-only; a host that leaves the state as it is gets what a runtime
// with no one to answer its prompt gives: "denied".
Json WebView::AnswerFileWriteAccess(const Json& args) {
    const std::wstring path = ToWide(RequiredString(args, "path"));
    if (fileGrants_.Covers(path))
        return {{"invoked", 0}, {"access", "granted"}};
    if (!BoolField(args, "ask", true))
        return {{"invoked", 0}, {"access", "prompt"}};
    Json result =
        RaiseOn(*this, *controller_, "PermissionRequested",
                {{"uri", RequiredString(args, "uri")}, {"kind", kFileReadWriteKind}}, handlers_);
    const bool granted =
        result.value("state", 0) == static_cast<int>(COREWEBVIEW2_PERMISSION_STATE_ALLOW);
    if (granted)
        fileGrants_.Grant(path);
    result["access"] = granted ? "granted" : "denied";
    return result;
}
