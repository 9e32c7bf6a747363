#include <vector>

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
