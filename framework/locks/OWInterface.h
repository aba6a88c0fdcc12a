#pragma once
// Reference-counted interfaces of the framework. An interface is an abstract
// class with AddRef and Release; TOWIntf<T> is the owning handle that calls
// them. Objects decide what counting means: TOWInterfacedObject frees itself
// with its last reference, while pins answer 1 and are owned elsewhere.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

class IOWInterface {
public:
    virtual std::uint32_t AddRef() noexcept = 0;
    virtual std::uint32_t Release() noexcept = 0;

protected:
    ~IOWInterface() = default;
};

// Implements the counting of every interface in Bases; the object is created
// with one reference, which the first TOWIntf adopts (see OWMake).
template<class... Bases>
class TOWInterfacedObject : public Bases... {
public:
    TOWInterfacedObject() = default;
    TOWInterfacedObject(const TOWInterfacedObject&) = delete;
    TOWInterfacedObject& operator=(const TOWInterfacedObject&) = delete;
    virtual ~TOWInterfacedObject() = default;

    std::uint32_t AddRef() noexcept override
    {
        return refCount_.fetch_add(1, std::memory_order_relaxed) + 1;
    }
    std::uint32_t Release() noexcept override
    {
        // The holder of the only reference is the only one who could add
        // another, so the last release needs no read-modify-write.
        if (refCount_.load(std::memory_order_acquire) == 1) {
            delete this;
            return 0;
        }
        const std::uint32_t left = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete this;
        return left;
    }
    std::uint32_t RefCount() const noexcept { return refCount_.load(std::memory_order_relaxed); }

private:
    std::atomic<std::uint32_t> refCount_{1};
};

struct TOWAdoptRef {};
inline constexpr TOWAdoptRef owAdoptRef{};

template<class T>
class TOWIntf {
public:
    TOWIntf() noexcept = default;
    TOWIntf(std::nullptr_t) noexcept {}
    explicit TOWIntf(T* p) noexcept : p_(p) { if (p_) p_->AddRef(); }
    TOWIntf(T* p, TOWAdoptRef) noexcept : p_(p) {}
    TOWIntf(const TOWIntf& o) noexcept : p_(o.p_) { if (p_) p_->AddRef(); }
    TOWIntf(TOWIntf&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template<class U>
        requires std::is_convertible_v<U*, T*>
    TOWIntf(const TOWIntf<U>& o) noexcept : p_(o.Get()) { if (p_) p_->AddRef(); }
    template<class U>
        requires std::is_convertible_v<U*, T*>
    TOWIntf(TOWIntf<U>&& o) noexcept : p_(o.Detach()) {}
    ~TOWIntf() { if (p_) p_->Release(); }

    TOWIntf& operator=(TOWIntf o) noexcept
    {
        std::swap(p_, o.p_);
        return *this;
    }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    // Gives up the reference without releasing it.
    T* Detach() noexcept { return std::exchange(p_, nullptr); }
    void Reset() noexcept { TOWIntf().Swap(*this); }
    void Swap(TOWIntf& o) noexcept { std::swap(p_, o.p_); }

    friend bool operator==(const TOWIntf& a, const TOWIntf& b) noexcept { return a.p_ == b.p_; }
    friend bool operator==(const TOWIntf& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

private:
    T* p_ = nullptr;
};

// Creates a counted object and hands its first reference to the result.
template<class T, class... Args>
TOWIntf<T> OWMake(Args&&... args)
{
    return TOWIntf<T>(new T(std::forward<Args>(args)...), owAdoptRef);
}
