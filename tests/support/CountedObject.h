#pragma once
// The reference count and QueryInterface of a test fake, so that a fake states only what it
// does. CountedObject<I...> derives from each listed interface that no other listed one
// derives from, and QueryInterface answers IUnknown and every listed interface (list the bases
// an interface stands for, IMediaEventEx with IMediaEvent and IDispatch), then AnswerOther.
// Made by MakeCounted; the count starts at 0, as the platform's objects do, and the object
// deletes itself when its last reference goes.
// Thread contract: the count changes atomically, so a fake may be held on a streaming thread.
#include "runtime/ComPtr.h"

#include <atomic>
#include <tuple>
#include <type_traits>
#include <utility>

namespace counted_detail {
template <class... Interfaces>
struct Inherits : Interfaces... {
protected:
    ~Inherits() = default;
};

template <class I, class... All>
constexpr bool DerivedByAnother = ((!std::is_same_v<I, All> && std::is_base_of_v<I, All>) || ...);

template <class Kept, class Rest, class... All>
struct Leaves;
template <class... Kept, class... All>
struct Leaves<std::tuple<Kept...>, std::tuple<>, All...> {
    using type = Inherits<Kept...>;
};
template <class... Kept, class I, class... Rest, class... All>
struct Leaves<std::tuple<Kept...>, std::tuple<I, Rest...>, All...>
    : Leaves<std::conditional_t<DerivedByAnother<I, All...>, std::tuple<Kept...>,
                                std::tuple<Kept..., I>>,
             std::tuple<Rest...>, All...> {};
} // namespace counted_detail

template <class... Interfaces>
class CountedObject
    : public counted_detail::Leaves<std::tuple<>, std::tuple<Interfaces...>, Interfaces...>::type {
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

public:
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown)
            *object = static_cast<IUnknown*>(static_cast<First*>(this));
        else
            (void)((iid == Interfaces::Iid && (*object = static_cast<Interfaces*>(this))) || ...);
        if (!*object) return AnswerOther(iid, object);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    // The references held now.
    ULONG Count() const { return refs_.load(); }

protected:
    CountedObject() = default;
    virtual ~CountedObject() = default;
    // What QueryInterface answers for an identifier it does not list (a forwarded interface,
    // an interface offered only sometimes).
    virtual HRESULT AnswerOther(REFIID, void**) { return E_NOINTERFACE; }

private:
    std::atomic<ULONG> refs_{0};
};

// A new T holding its one reference.
template <class T, class... Args>
ComPtr<T> MakeCounted(Args&&... args) {
    return ComPtr<T>(new T(std::forward<Args>(args)...));
}
