#pragma once
// The lock of a tree of locked objects: every object of a control's tree has a
// TLPLock of its own that shares the control's one root lock and carries the
// object's change notification. Property setters go through its typed
// compare-store-notify operations.
#include "framework/ClassLibrary/Method.h"
#include "framework/locks/OWLock.h"

#include <concepts>
#include <string>
#include <type_traits>

// Values a locked setter can store.
template<class T>
concept TLPFieldType = std::is_arithmetic_v<T> || std::is_enum_v<T> || std::is_same_v<T, std::string>;
// Values with an order, for the clamping setters.
template<class T>
concept TLPBoundedType = std::is_arithmetic_v<T> && !std::is_same_v<T, bool>;

class ILPLock : public IOWLock {
public:
    // Calls the owning object's change notification, if any.
    virtual void Notify() = 0;

    // Compare, store, notify. Under a write section of the root lock (held
    // through the notifications): when value differs from field, stores it,
    // calls handler, then the owner's notification, and answers true. Equal
    // values change nothing and fire nothing; floats compare as floats (0 and
    // -0 are equal).
    //
    // While another thread stops the tree (it is being destroyed), the write
    // section is refused; the setter then leaves the field alone, fires
    // nothing and answers false rather than write into an object that is
    // going away without the lock.
    template<TLPFieldType T>
    bool SetField(T& field, std::type_identity_t<T> value, TNotifyMethod handler = {})
    {
        return store(field, std::move(value), handler, true);
    }

    // The same without the owner's notification; for 8-bit values.
    template<TLPFieldType T>
        requires(sizeof(T) == 1)
    bool SetFieldQuiet(T& field, std::type_identity_t<T> value, TNotifyMethod handler = {})
    {
        return store(field, value, handler, false);
    }

    // Bounded setters clamp first: a value below low becomes low, one above
    // high becomes high; with both, low applies first, so high wins when the
    // bounds cross.
    template<TLPBoundedType T>
    bool SetFieldMin(T& field, std::type_identity_t<T> value, std::type_identity_t<T> low, TNotifyMethod handler = {})
    {
        if (value < low)
            value = low;
        return store(field, value, handler, true);
    }

    template<TLPBoundedType T>
    bool SetFieldMax(T& field, std::type_identity_t<T> value, std::type_identity_t<T> high, TNotifyMethod handler = {})
    {
        if (value > high)
            value = high;
        return store(field, value, handler, true);
    }

    template<TLPBoundedType T>
    bool SetFieldRange(T& field, std::type_identity_t<T> value, std::type_identity_t<T> low,
                       std::type_identity_t<T> high, TNotifyMethod handler = {})
    {
        if (value < low)
            value = low;
        if (value > high)
            value = high;
        return store(field, value, handler, true);
    }

    // Reads field under a read section (without one during a stop).
    template<TLPFieldType T>
    T GetField(const T& field)
    {
        const TOWLockSectionRef section = ReadSection();
        return field;
    }

protected:
    ~ILPLock() = default;

private:
    template<class T>
    bool store(T& field, T value, TNotifyMethod handler, bool notify)
    {
        const TOWLockSectionRef section = WriteSection();
        if (!section || field == value)
            return false;
        field = std::move(value);
        if (handler)
            handler();
        if (notify)
            Notify();
        return true;
    }
};
using TLPLockRef = TOWIntf<ILPLock>;

class TLPLock final : public TOWInterfacedObject<ILPLock> {
public:
    // A lock with a new root lock of its own.
    static TOWIntf<TLPLock> Create(TNotifyMethod onNotify);
    // A lock sharing the root lock of owner, so that a whole tree has one.
    static TOWIntf<TLPLock> CreateShared(ILPLock& owner, TNotifyMethod onNotify);

    TOWLockSectionRef ReadSection() override { return rootLock_->ReadSection(); }
    TOWLockSectionRef WriteSection() override { return rootLock_->WriteSection(); }
    TOWLockSectionRef StopSection() override { return rootLock_->StopSection(); }
    TOWLockSectionRef UnlockSection() override { return rootLock_->UnlockSection(); }
    TOWLock& GetLockObject() override { return *rootLock_; }

    void Notify() override
    {
        if (onNotify_)
            onNotify_();
    }
    // The owning object detaches itself before it goes.
    void SetOnNotify(TNotifyMethod onNotify) { onNotify_ = onNotify; }

private:
    TLPLock(TOWIntf<TOWLock> root, TNotifyMethod onNotify) : rootLock_(std::move(root)), onNotify_(onNotify) {}

    TOWIntf<TOWLock> rootLock_;
    TNotifyMethod onNotify_;
};
