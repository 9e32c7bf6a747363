#pragma once
// Ownership of COM references and of strings the runtime hands out.
#include <utility>

#include <objbase.h>

#include "util/com/webview2_iids.h"

// One owned reference. Releases before put() hands out its slot, and nulls its
// pointer before calling Release, so a re-entrant Release never sees a stale one.
template <typename T> class com_ptr {
public:
    com_ptr() = default;
    com_ptr(std::nullptr_t) {}
    com_ptr(const com_ptr& other) : pointer_(other.pointer_) {
        if (pointer_)
            pointer_->AddRef();
    }
    com_ptr(com_ptr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    com_ptr& operator=(com_ptr other) noexcept {
        std::swap(pointer_, other.pointer_);
        return *this;
    }
    ~com_ptr() { reset(); }

    // Takes a new reference to pointer (which may be null).
    static com_ptr copy_from(T* pointer) {
        com_ptr result;
        result.pointer_ = pointer;
        if (pointer)
            pointer->AddRef();
        return result;
    }
    // Adopts a reference the caller already owns.
    static com_ptr attach(T* pointer) {
        com_ptr result;
        result.pointer_ = pointer;
        return result;
    }

    void reset() {
        if (T* old = std::exchange(pointer_, nullptr))
            old->Release();
    }
    T** put() {
        reset();
        return &pointer_;
    }
    T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // The same object as interface U, or null when it does not offer U.
    template <typename U> com_ptr<U> try_query() const;

private:
    T* pointer_ = nullptr;
};

// The object as interface U, or null when it is null or does not offer U.
template <typename U> com_ptr<U> TryQuery(IUnknown* object) {
    com_ptr<U> result;
    if (object)
        object->QueryInterface(IidOf<U>(), reinterpret_cast<void**>(result.put()));
    return result;
}

template <typename T> template <typename U> com_ptr<U> com_ptr<T>::try_query() const {
    return TryQuery<U>(pointer_);
}

// A string the runtime allocated with CoTaskMemAlloc, freed when the holder ends.
class CoTaskString {
public:
    CoTaskString() = default;
    CoTaskString(const CoTaskString&) = delete;
    CoTaskString& operator=(const CoTaskString&) = delete;
    ~CoTaskString() { reset(); }

    LPWSTR* put() {
        reset();
        return &text_;
    }
    void reset() { CoTaskMemFree(std::exchange(text_, nullptr)); }
    const wchar_t* get() const { return text_; }
    explicit operator bool() const { return text_ != nullptr; }

private:
    LPWSTR text_ = nullptr;
};
