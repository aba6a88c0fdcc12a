#pragma once
// Source and sink pins for the tests of data links, and a converter class
// registered for the tests (typeB to typeC).
#include "OWPinTestSupport.h"

#include "framework/pins/OWFormatConverter.h"
#include "framework/pins/OWMultiSinkPin.h"
#include "framework/pins/OWSinkPin.h"
#include "framework/pins/OWSourcePin.h"

#include <mutex>

namespace owPinTest {

struct TReceived {
    std::uint32_t serial;
    TGUID type;
    TOWHandlerFlags flags;
    TOWBasicPin* from;
};

// What a test sink receives: recorded, answered as told, and an action to
// run inside the delivery.
class TTestReceiver {
public:
    bool Receive(TOWBasicPin* from, const TGUID& type, TOWHandlerFlags flags, const TOWNotifyOperationRef& operation)
    {
        {
            std::lock_guard hold(guard_);
            received_.push_back({operation->OperationObject().SerialNumber(), type, flags, from});
        }
        // Read first: the action may free this pin.
        const bool result = answer.load();
        if (onReceive)
            onReceive(operation, flags);
        return result;
    }

    std::vector<TReceived> Received()
    {
        std::lock_guard hold(guard_);
        return received_;
    }
    // The serial numbers received without the announcements.
    std::vector<std::uint32_t> Serials()
    {
        std::vector<std::uint32_t> serials;
        for (const TReceived& r : Received()) {
            if (!(r.flags & owAnnounceFlag))
                serials.push_back(r.serial);
        }
        return serials;
    }
    void ClearReceived()
    {
        std::lock_guard hold(guard_);
        received_.clear();
    }

    std::atomic<bool> answer{true};
    std::atomic<int> linkRemoved{0};
    std::function<void(const TOWNotifyOperationRef&, TOWHandlerFlags)> onReceive;

protected:
    virtual ~TTestReceiver() = default;

private:
    std::mutex guard_;
    std::vector<TReceived> received_;
};

// Operations a test sink sends upstream reach its source's ReceiveUpstream.
inline bool SendUpstreamForTests(TOWBasicPin* target, const TOWNotifyOperationRef& operation);

// A sink pin of class Base that takes the types it is given.
template<class Base>
class TTestSinkOf : public Base, public TTestReceiver {
public:
    TTestSinkOf(TComponent* owner, IOWLock* lock, std::vector<TGUID> accepts) : Base(owner, lock), accepts_(std::move(accepts))
    {
        for (const TGUID& type : accepts_)
            this->AddStreamType(type, TOWStreamHandler::Of<&TTestSinkOf::upstream>(this));
    }

    void* GetInterface(const TGUID& iid) override
    {
        return std::find(accepts_.begin(), accepts_.end(), iid) != accepts_.end() ? this : nullptr;
    }
    void LinkRemoved() override { linkRemoved.fetch_add(1); }

private:
    bool upstream(TOWBasicPin* target, const TGUID&, TOWHandlerFlags, const TOWNotifyOperationRef& operation)
    {
        return SendUpstreamForTests(target, operation);
    }

    std::vector<TGUID> accepts_;
};

using TTestSinkPin = TTestSinkOf<TOWSinkPin>;
using TTestMultiSinkPin = TTestSinkOf<TOWMultiSinkPin>;

// A source that offers the types it is given, in that order; its handler
// hands each operation to the target's Receive.
class TTestSourcePin : public TOWSourcePin {
public:
    TTestSourcePin(TComponent* owner, IOWLock* lock, std::vector<TGUID> offers) : TOWSourcePin(owner, lock)
    {
        for (const TGUID& type : offers)
            AddStreamType(type, TOWStreamHandler::Of<&TTestSourcePin::deliver>(this));
    }

    bool ReceiveUpstream(const TOWNotifyOperationRef& operation)
    {
        upstreamCount.fetch_add(1);
        return onUpstream ? onUpstream(operation) : true;
    }

    void LinkRemoved() override { linkRemoved.fetch_add(1); }

    std::atomic<int> upstreamCount{0};
    std::atomic<int> linkRemoved{0};
    std::function<bool(const TOWNotifyOperationRef&)> onUpstream;

private:
    bool deliver(TOWBasicPin* target, const TGUID& type, TOWHandlerFlags flags, const TOWNotifyOperationRef& operation)
    {
        auto* sink = dynamic_cast<TTestReceiver*>(target);
        return sink && sink->Receive(this, type, flags, operation);
    }
};

inline bool SendUpstreamForTests(TOWBasicPin* target, const TOWNotifyOperationRef& operation)
{
    auto* source = dynamic_cast<TTestSourcePin*>(target);
    return source && source->ReceiveUpstream(operation);
}

// Turns typeB into typeC: everything its input receives goes out of its
// output, and what is sent upstream to its output goes on upstream.
class TTestConverter : public TOWFormatConverter {
public:
    TTestConverter()
    {
        auto input = MakeObject<TTestSinkPin>(this, nullptr, std::vector<TGUID>{typeB});
        auto output = MakeObject<TTestSourcePin>(this, nullptr, std::vector<TGUID>{typeC});
        input->onReceive = [this](const TOWNotifyOperationRef& operation, TOWHandlerFlags) {
            passed.fetch_add(1);
            OutputPin()->SendOperation(operation);
        };
        output->onUpstream = [this](const TOWNotifyOperationRef& operation) { return ForwardUpstream(operation); };
        InitPins(TOwned<TOWStreamPin>(input.release()), TOwned<TOWStreamPin>(output.release()));
        made.fetch_add(1);
    }
    ~TTestConverter() override { freed.fetch_add(1); }

    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TTestConverter", &TOWFormatConverter::StaticClassInfo(), {});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    std::atomic<int> passed{0};
    static inline std::atomic<int> made{0};
    static inline std::atomic<int> freed{0};
};

inline void RegisterTestConverter()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const TOWTypeUnitStartUp units[] = {[] {
            RegisterStreamTypeCaption(typeA, "Type A");
            RegisterStreamTypeCaption(typeB, "Type B");
            RegisterStreamTypeCaption(typeC, "Type C");
            RegisterFormatConverter(typeB, typeC, OWConverterClassOf<TTestConverter>());
        }};
        OWPinsStartUp(units);
    });
}

// A component with its lock, publishing a (borrowing) pin list "Pins" with
// the sources and sinks made for it, so that they have paths.
class TStreamOwner : public TPinOwner {
public:
    TStreamOwner(TComponent* owner, std::string name)
        : TPinOwner(owner, std::move(name)), list_(MakeObject<TOWPinList>(this, false, &OwnerLock()))
    {
    }
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TStreamOwner", &TComponent::StaticClassInfo(),
                                     {Published<&TStreamOwner::Pins, nullptr>("Pins")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    TOWPinList* Pins() const { return list_.get(); }

    TTestSourcePin& Source(std::vector<TGUID> offers = {typeA}, const std::string& name = {})
    {
        sources.push_back(MakeObject<TTestSourcePin>(this, &OwnerLock(), std::move(offers)));
        list_->AddPin(sources.back().get(), name);
        return *sources.back();
    }
    TTestSinkPin& Sink(std::vector<TGUID> accepts = {typeA}, const std::string& name = {})
    {
        sinks.push_back(MakeObject<TTestSinkPin>(this, &OwnerLock(), std::move(accepts)));
        list_->AddPin(sinks.back().get(), name);
        return *sinks.back();
    }

private:
    TOwned<TOWPinList> list_;

public:
    std::vector<TOwned<TTestSourcePin>> sources;
    std::vector<TOwned<TTestSinkPin>> sinks;
};

inline TOWNotifyOperationRef NewOperation()
{
    return OWMakeOperation<TOWNotifyOperation>();
}

} // namespace owPinTest
