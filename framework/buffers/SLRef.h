#pragma once
// Owning reference to a reference-counted interface (AddRef/Release). The last
// reference released frees the object.
#include <cstddef>
#include <type_traits>
#include <utility>

template <typename T>
class SLRef {
public:
    SLRef() noexcept = default;
    SLRef(std::nullptr_t) noexcept {}
    // Takes a reference of its own; a freshly made object starts at zero.
    SLRef(T* object) noexcept : object(object)
    {
        if (object)
            object->AddRef();
    }
    SLRef(const SLRef& other) noexcept : SLRef(other.object) {}
    SLRef(SLRef&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    SLRef(const SLRef<U>& other) noexcept : SLRef(other.get())
    {
    }
    template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    SLRef(SLRef<U>&& other) noexcept : object(other.detach())
    {
    }
    ~SLRef() { reset(); }

    SLRef& operator=(SLRef other) noexcept
    {
        std::swap(object, other.object);
        return *this;
    }

    void reset() noexcept
    {
        if (T* old = std::exchange(object, nullptr))
            old->Release();
    }
    // Hands the reference over to the caller.
    [[nodiscard]] T* detach() noexcept { return std::exchange(object, nullptr); }

    T* get() const noexcept { return object; }
    T* operator->() const noexcept { return object; }
    T& operator*() const noexcept { return *object; }
    explicit operator bool() const noexcept { return object != nullptr; }

    friend bool operator==(const SLRef& a, const SLRef& b) noexcept { return a.object == b.object; }
    friend bool operator==(const SLRef& a, std::nullptr_t) noexcept { return a.object == nullptr; }

private:
    T* object = nullptr;
};

// The same object seen through another of its interfaces; empty when it has none.
template <typename To, typename From>
SLRef<To> intfCast(From* object) noexcept
{
    return SLRef<To>(dynamic_cast<To*>(object));
}

template <typename To, typename From>
SLRef<To> intfCast(const SLRef<From>& object) noexcept
{
    return intfCast<To>(object.get());
}
