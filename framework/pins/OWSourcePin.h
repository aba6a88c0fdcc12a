#pragma once
// The output pin of a component: one entry per linked sink with the type
// negotiated for it and the handler that serves it, the format converters it
// made to reach sinks that take none of its types, and the sink pins of its
// own component it depends on. The rules every pin keeps are in OWPinModel.h.
//
// Ownership: the source owns its converters (each a component owning its two
// pins) and frees one when no entry goes through it any more. The sinks, the
// pins they depend on and the dependency lists' members are borrowed.
//
// Links are driven by the sink (TOWSinkPin::ConnectData): the source's
// Connect, Disconnect and DisconnectAll ask the sink, so that both records
// change together under the sink's link gate (OWLinkGate.h).
#include "framework/pins/OWDeliveryRoute.h"
#include "framework/pins/OWFormatConverter.h"
#include "framework/pins/OWPinEntryList.h"
#include "framework/pins/OWPins.h"

#include <memory>
#include <string>
#include <vector>

class TOWBasicSinkPin;

// The outcome of a type negotiation between two ends of a link.
struct TOWNegotiation {
    // Null when the two cannot be linked.
    TGUID StreamType{};
    // A converter class to make (a new converter is needed)...
    const TOWFormatConverterClass* ConverterClass = nullptr;
    // ...or an existing converter of the source to share, with its pins.
    TOWFormatConverter* Converter = nullptr;
    TOWBorrowed<TOWBasicPin> ConverterInput;
    TOWBorrowed<TOWBasicPin> ConverterOutput;
};

class TOWSourcePin : public TOWStreamPin {
public:
    // Deliveries nested deeper than this in one pin raise EOWException.
    static constexpr std::int32_t maxDispatchNesting = TOWDeliveryRoute::maxNesting;
    static constexpr std::int32_t maxAnnounceNesting = 10;

    TOWSourcePin(TComponent* owner, IOWLock* lock);
    ~TOWSourcePin() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    void BeforeDestruction() override;

    // The type negotiation of both ends of a link: the source's offered type
    // nearest the end of its list that the sink takes; else (deep) an
    // existing converter of the source whose output the sink takes; else
    // (allowConverters) a registered converter class, from the last
    // registration.
    static TOWNegotiation Negotiate(TOWStreamPin& source, TOWBasicPin* sink, bool deep, bool allowConverters);

    // ---- overrides of the pin operations
    void PinDestroying(TOWBasicPin* pin) override;
    void PinReplaced(TOWBasicPin* oldPin, TOWBasicPin* newPin) override;
    void SetDependsOnByName(TOWBasicPin* sink, const std::string& name) override;
    std::string GetDependsOnName(TOWBasicPin* sink) override;
    // Removes the sink's entry (and converters nobody uses any more). Called
    // once per unlink, from whichever side started it; a sink already being
    // removed is left to that removal.
    void RemoveLink(TOWBasicPin* sink, bool keepPlaceholder) override;
    // Called by the sink while it connects: the entry, the negotiation and a
    // converter when one is needed.
    void AddLink(TOWBasicPin* sink, TOWBasicPin* dependsOn) override;
    TOWPinKind GetSinkKind() override { return TOWPinKind::Source; }
    TOWBasicPin* GetDependsOn(TOWBasicPin* sink) override;
    bool IsFunctionDependent(TOWBasicPin* pin) override;
    TGUID GetStreamType(TOWBasicPin* sink) override;
    bool IsFunctionDependentDeep(TOWBasicPin* pin) override;
    bool CanLinkType(TOWBasicPin* pin, TOWFormatConverter*& converter, bool flag,
                     const TOWFormatConverterClass*& converterClass) override;
    bool CanConnectTo(TOWBasicPin* pin, bool flag) override;
    bool IsConnected() override;
    bool IsLinkedWith(TOWBasicPin* pin) override;
    bool IsLinkedWithData(TOWBasicPin* pin, TOWBasicPin* dependsOn) override;
    bool IsLinkedThroughConverter(TOWBasicPin* pin) override;
    bool ConnectData(TOWBasicPin* pin, TOWBasicPin* dependsOn) override;
    bool CanLink(TOWBasicPin* pin, TOWBasicPin* dependsOn, bool flag) override;
    void DisconnectAll() override;
    void Disconnect(TOWBasicPin* pin) override;
    bool SendOperation(const TOWNotifyOperationRef& operation) override { return Dispatch(nullptr, operation); }
    bool HasLinksToWrite() override { return TOWStreamPin::HasLinksToWrite() || HasSinks(); }
    int GetLinkCount() override { return GetSinkCount(); }
    TOWBasicPin* GetLink(int index) override { return GetSink(index); }
    void SetAlwaysLinkable(bool value) override { alwaysLinkable_.store(value, std::memory_order_relaxed); }
    std::string GetLinkText() override;
    bool IsLinkedToName(const std::string& name) override;
    void Changed() override;
    TOWQueryResult QueryInterface(const TGUID& iid, void*& object) override;
    TGUID GetCurrentStreamType() override;
    void GetOfferedTypes(TOWPinTypeRestricted& list, TOWBasicPin* origin) override;
    void GetAcceptedTypes(TOWPinTypeRestricted& list, TOWBasicPin* origin) override;
    TOWQueryResult QueryOfferedType(const TGUID& iid) override;
    TOWQueryResult QueryAcceptedType(const TGUID& iid) override;
    void CollectDependents(const TOWNotifyOperationRef& operation, TOWObjectList& visited) override;
    void AddFunctionDependency(TOWStreamPin& sink) override { functionDependencies_.Add(&sink); }

    // ---- the source's own operations
    int GetSinkCount();
    // Borrowed; null for an index out of range.
    TOWBasicPin* GetSink(int index);
    bool HasSinks() { return GetSinkCount() > 0; }
    bool CanSupply(TOWBasicPin* sink, bool deep);
    // The first delivery to a sink that has just connected or changed type.
    void Announce(TOWBasicPin* sink, const TOWStreamHandler& handler);
    // Called once a sink has linked (after its link gate) and when its type
    // changed; pins that replay stream state to a new sink extend it.
    virtual void AnnounceTo(TOWBasicPin* sink);
    // Asks the sink to connect to this source.
    bool ConnectSink(TOWBasicPin* sink, TOWBasicPin* dependsOn);
    // Unlinks the sink from this source on both sides.
    void DisconnectSink(TOWBasicPin* sink);
    // Delivers the operation to every sink (target null) or to that sink.
    bool Dispatch(TOWBasicPin* target, const TOWNotifyOperationRef& operation);
    // A new delivery type for the sink's entry (the sink's type changed);
    // the caller holds a use of the sink.
    void Renegotiate(TOWBasicPin* sink);

    TOWFunctionSinkPinList& FunctionDependencies() { return functionDependencies_; }
    TOWDataTypeSinkPinList& DataTypeDependencies() { return dataTypeDependencies_; }
    // The sinks in delivery order, borrowed.
    std::vector<TOWBorrowed<TOWBasicPin>> SinksSnapshot();
    // A copy of the entries in delivery order (for inspection).
    std::vector<TOWPinEntry> SinkEntries();
    int ConverterCount();
    std::vector<TOWFormatConverter*> ConvertersSnapshot();

    // The type walks of the source side (see TOWBasicSinkPin).
    void SourceNarrowByTable(TOWPinTypeRestricted& list, TOWBasicPin* origin);
    void SourceNarrowByInterface(TOWPinTypeRestricted& list, TOWBasicPin* origin);
    TOWQueryResult SourceQueryByTable(const TGUID& iid, TOWBasicPin* origin);
    TOWQueryResult SourceQueryByInterface(const TGUID& iid, TOWBasicPin* origin);

private:
    bool removeEntry(TOWBasicPin* sink, std::vector<TOwned<TOWFormatConverter>>& unused);
    bool isRemoving(const TOWBasicPin* sink);

    TOWDeliveryRoute route_;
    TOWPinEntryList& sinks_ = route_.Entries();
    TOWFormatConverterList converters_;
    TOWFunctionSinkPinList functionDependencies_{*this};
    TOWDataTypeSinkPinList dataTypeDependencies_{*this};
    std::vector<const TOWBasicPin*> removing_;
    std::atomic<bool> alwaysLinkable_{false};
};
