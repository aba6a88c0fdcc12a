#pragma once
// Owners, a recording sink and a one-type source for the tests of the stream
// type units, with the units registered once per process.
#include "OWPinTestSupport.h"

#include "framework/pins/OWReceivers.h"
#include "framework/pins/OWSinkPin.h"
#include "framework/pins/OWSourcePin.h"
#include "framework/streams/OWScalarTypes.h"
#include "framework/streams/SLBufferTypes.h"

#include <functional>
#include <mutex>
#include <vector>

namespace owTypeTest {

using owPinTest::TPinOwner;

inline void RegisterTypeUnits()
{
    static std::once_flag once;
    std::call_once(once, [] {
        OWPinsStartUp(OWStandardTypeUnits());
    });
}

// A form and a component on it whose lock the pins share.
class TypeUnits : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterTypeUnits(); }

    TPinOwner form{nullptr, "Form1"};
    TPinOwner& owner = *MakeComponent<TPinOwner>(form, "Scope1");
};

// Makes an operation anew at each call, for the tables of cases.
template<class Op, class... A>
std::function<TOWNotifyOperationRef()> op(A... args)
{
    return [=] { return OWMakeOperation<Op>(args...); };
}

struct TRecord {
    TGUID type;
    TOWNotifyOperationRef operation;
    TOWHandlerFlags flags;
};

// A sink that implements the receivers of the types it is given and records
// what each receives.
class TRecordingSink : public TOWReceivingPin<TOWSinkPin> {
public:
    // With streamReceiver it also takes the buffer pins' deliveries, which
    // come through ISLStreamReceiver.
    TRecordingSink(TPinOwner& owner, std::vector<TGUID> types, bool streamReceiver = false)
        : TOWReceivingPin<TOWSinkPin>(&owner, &owner.OwnerLock())
    {
        for (const TGUID& type : types) {
            AddReceiver(type, TOWReceiveMethod::Of<&TRecordingSink::record>(this));
            AddStreamType(type);
        }
        if (streamReceiver)
            AddReceiver(OWGuidOf<ISLStreamReceiver>(), TOWReceiveMethod::Of<&TRecordingSink::record>(this));
    }

    std::vector<TRecord> Records()
    {
        std::lock_guard hold(guard_);
        return records_;
    }
    // The records that are not announcements.
    std::vector<TRecord> Delivered()
    {
        std::vector<TRecord> result;
        for (TRecord& r : Records()) {
            if (!(r.flags & owAnnounceFlag))
                result.push_back(r);
        }
        return result;
    }

private:
    bool record(const TGUID& type, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags)
    {
        std::lock_guard hold(guard_);
        records_.push_back({type, operation, flags});
        return true;
    }

    std::mutex guard_;
    std::vector<TRecord> records_;
};

// A source of one type that hands every operation to the target's receiver
// of that type (announcements are not passed on).
class TOneTypeSource : public TOWSourcePin {
public:
    TOneTypeSource(TPinOwner& owner, const TGUID& type) : TOWSourcePin(&owner, &owner.OwnerLock()), type_(type)
    {
        AddStreamType(type, TOWStreamHandler::Of<&TOneTypeSource::pass>(this));
    }

private:
    bool pass(TOWBasicPin* target, const TGUID& type, TOWHandlerFlags flags, const TOWNotifyOperationRef& operation)
    {
        return !(flags & owAnnounceFlag) && OWPassToReceiver(target, type_, type, operation, flags);
    }

    TGUID type_;
};

} // namespace owTypeTest
