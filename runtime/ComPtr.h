#pragma once
// Holds one counted reference to an interface. Every counted reference that code keeps
// lives in a ComPtr; raw AddRef and Release appear only here and in the reference-count base.
#include "runtime/Unknown.h"

#include <cstddef>
#include <utility>

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference on p (copy semantics); use Adopt for a reference already counted.
    ComPtr(T* p) : p_(p) { AddRefIfSet(); }
    ComPtr(const ComPtr& other) : p_(other.p_) { AddRefIfSet(); }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    ComPtr(const ComPtr<U>& other) : p_(other.get()) {
        AddRefIfSet();
    }
    ~ComPtr() { reset(); }

    ComPtr& operator=(const ComPtr& other) {
        ComPtr(other).swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).swap(*this);
        return *this;
    }
    ComPtr& operator=(T* p) {
        ComPtr(p).swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        reset();
        return *this;
    }

    // Takes over a reference the caller already owns.
    static ComPtr Adopt(T* p) {
        ComPtr result;
        result.p_ = p;
        return result;
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // The out-place for a call that hands back a counted reference; the old one is released.
    T** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    // Gives up the reference without releasing it.
    T* detach() { return std::exchange(p_, nullptr); }

    void reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }

    void swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

    // Stores a new counted reference in an out-place (null allowed).
    HRESULT CopyTo(T** out) const {
        if (!out) return E_POINTER;
        *out = p_;
        AddRefIfSet();
        return S_OK;
    }

    template <class U>
    HRESULT As(ComPtr<U>& out) const {
        if (!p_) {
            out.reset();
            return E_POINTER;
        }
        return p_->QueryInterface(U::Iid, out.put_void());
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.p_ == nullptr; }

private:
    void AddRefIfSet() const {
        if (p_) p_->AddRef();
    }

    T* p_ = nullptr;
};
