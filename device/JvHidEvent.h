#pragma once
// Event handlers of the device objects and the controller. A handler is a
// callable plus the identity of its code, because the controller hands a new
// handler to exactly those devices whose handler has the same code as the old
// one (two bindings of one member function to different objects count as the
// same code, as do two lambdas from one expression).
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <type_traits>
#include <typeinfo>
#include <utility>

class QObject;
class TJvHidDevice;

template <class Signature>
class TJvHidEvent;

template <class R, class... Args>
class TJvHidEvent<R(Args...)> {
public:
    TJvHidEvent() = default;
    TJvHidEvent(std::nullptr_t) {}

    // Binds a member function to an object.
    template <class C, class M>
        requires std::is_member_function_pointer_v<M>
    TJvHidEvent(C* object, M method)
        : call_([object, method](Args... args) -> R { return (object->*method)(std::forward<Args>(args)...); }),
          code_(codeOf(method))
    {
    }

    // Any other callable; a plain function pointer is identified by its address.
    template <class F>
        requires(!std::is_same_v<std::decay_t<F>, TJvHidEvent> && std::is_invocable_r_v<R, F&, Args...>)
    TJvHidEvent(F callable) : code_(codeOf(callable))
    {
        if constexpr (std::is_pointer_v<F>) {
            if (!callable) {
                code_ = {};
                return;
            }
        }
        call_ = std::move(callable);
    }

    bool Assigned() const { return static_cast<bool>(call_); }
    explicit operator bool() const { return Assigned(); }
    bool SameCode(const TJvHidEvent& other) const { return code_ == other.code_; }

    R operator()(Args... args) const { return call_(std::forward<Args>(args)...); }

private:
    struct Code {
        const std::type_info* type = nullptr;
        std::array<unsigned char, 16> bytes{};
        bool operator==(const Code& other) const
        {
            if ((type == nullptr) != (other.type == nullptr))
                return false;
            return (type == nullptr || *type == *other.type) && bytes == other.bytes;
        }
    };

    template <class T>
    static Code codeOf(const T& value)
    {
        Code code;
        code.type = &typeid(T);
        // Member and function pointers are compared by value; a lambda's type
        // alone names its code.
        if constexpr (std::is_member_function_pointer_v<T> || std::is_pointer_v<T>) {
            static_assert(sizeof(T) <= sizeof(code.bytes));
            std::memcpy(code.bytes.data(), &value, sizeof(T));
        }
        return code;
    }

    std::function<R(Args...)> call_;
    Code code_;
};

using TJvHidPlugEvent = TJvHidEvent<void(TJvHidDevice* HidDev)>;
// Data points at the report after its id byte; Size counts those bytes. Both
// are valid only during the call.
using TJvHidDataEvent =
    TJvHidEvent<void(TJvHidDevice* HidDev, std::uint8_t ReportID, const std::uint8_t* Data, std::uint16_t Size)>;
using TJvHidDataErrorEvent = TJvHidEvent<void(TJvHidDevice* HidDev, std::uint32_t Error)>;
using TJvHidEnumerateEvent = TJvHidEvent<bool(TJvHidDevice* HidDev, int Idx)>;
// The controller's change event; the class library's notify event has a framework sender.
using TJvHidNotifyEvent = TJvHidEvent<void(QObject* Sender)>;
