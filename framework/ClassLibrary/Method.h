#pragma once
// A method reference: an object and one of its member functions (or a callable
// object), cheap to copy and compare, empty when unassigned. It does not own
// the object; whoever assigns it keeps the object alive for as long.
#include <utility>

template<class Signature>
class TMethod;

template<class R, class... Args>
class TMethod<R(Args...)> {
public:
    TMethod() noexcept = default;

    template<auto Member, class T>
    static TMethod Of(T* object) noexcept
    {
        TMethod m;
        m.object_ = object;
        m.code_ = [](void* o, Args... args) -> R { return (static_cast<T*>(o)->*Member)(std::forward<Args>(args)...); };
        return m;
    }

    // A callable object that outlives the method.
    template<class F>
    static TMethod OfCallable(F* callable) noexcept
    {
        TMethod m;
        m.object_ = callable;
        m.code_ = [](void* o, Args... args) -> R { return (*static_cast<F*>(o))(std::forward<Args>(args)...); };
        return m;
    }

    explicit operator bool() const noexcept { return code_ != nullptr; }
    R operator()(Args... args) const { return code_(object_, std::forward<Args>(args)...); }
    void* Object() const noexcept { return object_; }

    friend bool operator==(const TMethod& a, const TMethod& b) noexcept
    {
        return a.object_ == b.object_ && a.code_ == b.code_;
    }

private:
    void* object_ = nullptr;
    R (*code_)(void*, Args...) = nullptr;
};

class TObject;
// A parameterless method: property handlers and change hooks.
using TNotifyMethod = TMethod<void()>;
// An event with the object that fires it as Sender.
using TNotifyEvent = TMethod<void(TObject* sender)>;
