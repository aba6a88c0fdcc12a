#pragma once
// The input pins of a component. TOWBasicSinkPin keeps what every sink
// shares: the source pins of its component that depend on it, and the walks
// that carry a stream type through a component from its inputs to its
// outputs. TOWSinkPin is linked to at most one source (or a state
// dispatcher); it drives its links, keeps the handler of the negotiated type
// and sends operations upstream. The rules every pin keeps are in
// OWPinModel.h; link changes of a sink go through its link gate
// (OWLinkGate.h).
#include "framework/pins/OWLinkGate.h"
#include "framework/pins/OWPins.h"
#include "framework/pins/OWTypeWalks.h"

#include <string>
#include <vector>

class TOWSourcePin;

class TOWBasicSinkPin : public TOWStreamPin {
public:
    using TOWStreamPin::TOWStreamPin;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    bool CanLinkType(TOWBasicPin* pin, TOWFormatConverter*& converter, bool flag,
                     const TOWFormatConverterClass*& converterClass) override;
    bool CanConnectTo(TOWBasicPin* pin, bool flag) override;
    void PinDestroying(TOWBasicPin* pin) override;
    void DependencyAdded(TOWDependencyKind kind, TOWStreamPin& source) override;
    void DependencyRemoved(TOWDependencyKind kind, TOWStreamPin& source) override;

    virtual void NarrowUpstream(TOWPinTypeRestricted& list, TOWBasicPin* origin) = 0;
    virtual void NarrowDownstream(TOWPinTypeRestricted& list, TOWBasicPin* origin) = 0;
    virtual TOWQueryResult QueryUpstream(const TGUID& iid, TOWBasicPin* origin) = 0;
    virtual TOWQueryResult QueryDownstream(const TGUID& iid, TOWBasicPin* origin) = 0;
    virtual void TypeChanged(TOWBasicPin* origin, const TGUID& streamType) = 0;
    virtual void SourceTypeChanged(TOWBasicPin* origin, const TGUID& streamType) = 0;
    // A sink that accepts any type takes every source; else the source must
    // offer a type the sink takes, directly or through a converter.
    virtual bool CanReceiveFrom(TOWBasicPin* source, bool flag);
    virtual std::string GetTypeCaption() = 0;
    virtual std::string GetSourceTypeCaption() = 0;

    // The source's AddLink placed a converter before this sink: deliveries
    // come from the converter's output pin.
    virtual void SetDirectSource(TOWBasicPin* pin) {}
    // This sink is a converter's input: it hears `source` with `streamType`.
    virtual void AttachConverterSource(TOWSourcePin& source, const TGUID& streamType) {}

    // The source pins of the component that depend on this sink (borrowed).
    std::vector<TOWBorrowed<TOWBasicPin>> FunctionDependents();
    std::vector<TOWBorrowed<TOWBasicPin>> DataTypeDependents();
    // Without a lock: whether any source's type depends on this sink (the
    // common case of none keeps QueryInterface cheap for handlers).
    bool HasDataTypeDependents() const { return dataTypeDependentCount_.load(std::memory_order_acquire) > 0; }
    // True when the sink takes any type: its flag, or an empty handler table.
    bool AcceptsAny();
    void SetAcceptsAnyType(bool value) { acceptsAnyType_.store(value, std::memory_order_relaxed); }

    // The type walks of the sink side. Origin is the pin that started the
    // walk; a branch that comes back to it (or to a pin already on the walk)
    // ends there.
    void SinkNarrowByInterface(TOWPinTypeRestricted& list, TOWBasicPin* origin);
    void SinkNarrowOwn(TOWPinTypeRestricted& list, TOWBasicPin* origin);
    TOWQueryResult SinkQueryType(const TGUID& iid, TOWBasicPin* origin);
    TOWQueryResult SinkQueryOwnType(const TGUID& iid, TOWBasicPin* origin);
    // Every source whose offered types depend on this sink narrows the list
    // by its own table, or by what it and its sinks take.
    void DependentsNarrowByTable(TOWPinTypeRestricted& list, TOWBasicPin* origin);
    void DependentsNarrowByInterface(TOWPinTypeRestricted& list, TOWBasicPin* origin);
    // The upstream narrowing through one linked source: the types it can
    // supply, from its own table (which also orders the list, when nothing
    // has yet) or, when its types follow inputs of its component, from what
    // reaches those inputs. A source that started the walk hands the list
    // to its other sinks instead.
    void NarrowThroughSource(TOWSourcePin& source, TOWPinTypeRestricted& list, TOWBasicPin* origin);

    // Finishes a negotiation with `source`. The negotiated type stays when
    // the sink's QueryInterface takes it and it is among the source's
    // accepted types (or that list is empty); otherwise the accepted type
    // nearest the end of the list that the sink takes; otherwise null. A
    // type reached through a converter is judged by the converter's output.
    TGUID ResolveType(TOWBasicPin* source, const TGUID& streamType);
    // Passes a resolved type on when it differs from the current one.
    void AdoptType(const TGUID& resolved, const TGUID& current);

protected:
    TOWLinkGate& linkGate() { return gate_; }
    // Under the gate, as a data link of this sink is about to be made:
    // from now on nothing of a link that went is admitted any more (their
    // kept stops only once nothing of them runs: a link that cannot be made
    // after all leaves the former link's stop to be heard). True when the
    // link may be made at once; false while a delivery of a link that went
    // still runs on another thread: then the caller leaves the gate, awaits
    // it (awaitFormerLinks) and begins again.
    bool formerLinksSettled();
    // Outside the gate: until those deliveries have ended, with the owner
    // locks of this sink and of the source let go as a destruction lets go
    // of its own (a delivery waited for may be waiting for one). False when
    // the sink or the source has gone, or the sink's destruction has begun.
    bool awaitFormerLinks(const TOWUse<TOWBasicPin>& source, const TOWSelfUse& self);
    // The start of NarrowUpstream and NarrowDownstream (kind Upstream or
    // Downstream): the pin is on each walk once; a walk this pin started
    // goes to its dependents (by their tables upstream, by what they and
    // their sinks take downstream). A walk from elsewhere goes on in
    // `further`, still inside the walk.
    template<class F>
    void narrowWalk(TOWWalkKind kind, TOWPinTypeRestricted& list, TOWBasicPin* origin, F further)
    {
        const TOWPinWalkGuard walk(this, kind);
        if (!walk)
            return;
        if (origin != this)
            further();
        else if (kind == TOWWalkKind::Upstream)
            DependentsNarrowByTable(list, origin);
        else
            DependentsNarrowByInterface(list, origin);
    }

private:
    std::vector<TOWBorrowed<TOWBasicPin>> functionDependents_;
    std::vector<TOWBorrowed<TOWBasicPin>> dataTypeDependents_;
    std::atomic<bool> acceptsAnyType_{false};
    std::atomic<int> dataTypeDependentCount_{0};
    TOWLinkGate gate_;
};

class TOWSinkPin : public TOWBasicSinkPin {
public:
    TOWSinkPin(TComponent* owner, IOWLock* lock);
    ~TOWSinkPin() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    void PinDestroying(TOWBasicPin* pin) override;
    TOWPinKind GetSinkKind() override { return TOWPinKind::Sink; }
    TOWBasicPin* GetDependsOn(TOWBasicPin* pin) override;
    // Unlinks from `source` when that is the linked pin (both sides, each
    // told once); with keepPlaceholder a placeholder for the source takes its
    // place unless the owner is being destroyed.
    void RemoveLink(TOWBasicPin* source, bool keepPlaceholder) override;
    TGUID GetStreamType(TOWBasicPin* pin) override;
    bool IsFunctionDependent(TOWBasicPin* pin) override;
    bool IsFunctionDependentDeep(TOWBasicPin* pin) override;
    bool IsConnected() override;
    bool IsLinkedWith(TOWBasicPin* pin) override;
    bool IsLinkedThroughConverter(TOWBasicPin* pin) override;
    bool ConnectData(TOWBasicPin* pin, TOWBasicPin* dependsOn) override;
    bool CanLink(TOWBasicPin* pin, TOWBasicPin* dependsOn, bool flag) override;
    void DisconnectAll() override;
    void Disconnect(TOWBasicPin* pin) override;
    // Upstream: to the pin that delivers to this sink, through the handler
    // of the negotiated type, nested at most as deep as a delivery.
    bool SendOperation(const TOWNotifyOperationRef& operation) override;
    bool IsStateOwnedElsewhere() override;
    bool HasLinksToWrite() override;
    int GetLinkCount() override;
    TOWBasicPin* GetLink(int index) override;
    bool CanJoinDispatcher(TOWStateDispatcher* dispatcher, TOWBasicPin* dependsOn) override;
    void BeforeDisconnect() override;
    std::string GetLinkText() override;
    bool IsLinkedToName(const std::string& name) override;
    bool JoinDispatcherData(TOWStateDispatcher* dispatcher, TOWBasicPin* dependsOn) override;
    void Changed() override;
    TOWQueryResult QueryInterface(const TGUID& iid, void*& object) override;
    TGUID GetCurrentStreamType() override;
    void GetOfferedTypes(TOWPinTypeRestricted& list, TOWBasicPin* origin) override;
    void GetAcceptedTypes(TOWPinTypeRestricted& list, TOWBasicPin* origin) override;
    TOWQueryResult QueryOfferedType(const TGUID& iid) override;
    TOWQueryResult QueryAcceptedType(const TGUID& iid) override;
    void NarrowUpstream(TOWPinTypeRestricted& list, TOWBasicPin* origin) override;
    void NarrowDownstream(TOWPinTypeRestricted& list, TOWBasicPin* origin) override;
    TOWQueryResult QueryUpstream(const TGUID& iid, TOWBasicPin* origin) override;
    TOWQueryResult QueryDownstream(const TGUID& iid, TOWBasicPin* origin) override;
    void TypeChanged(TOWBasicPin* origin, const TGUID& streamType) override;
    void SourceTypeChanged(TOWBasicPin* origin, const TGUID& streamType) override;
    std::string GetTypeCaption() override;
    std::string GetSourceTypeCaption() override;
    void SetDirectSource(TOWBasicPin* pin) override;
    void AttachConverterSource(TOWSourcePin& source, const TGUID& streamType) override;

    // The source reported to users (borrowed), null when unlinked.
    TOWBasicPin* GetSource();
    // The pin that delivers (the source or a converter's output).
    TOWBasicPin* GetDirectSource();
    TOWBasicPin* GetLinkedPin();
    bool HasSourceToWrite();
    TOWBasicPin* GetSourceToWrite() override;
    TOWStreamHandler GetHandler();

private:
    struct TLinkState {
        TOWBorrowed<TOWBasicPin> LinkedPin;
        TOWBorrowed<TOWBasicPin> Source;
        TOWBorrowed<TOWBasicPin> DirectSource;
        TGUID StreamType{};
        TOWStreamHandler Handler;
        // The link of a converter's input to the source that made it: the
        // source keeps no entry for it, and neither side is told when it goes.
        bool Internal = false;
    };
    // Under the gate: clears the link and tells both sides once. `caller`
    // is the linked pin when it asked (it exists for the call even while it
    // is being destroyed, when it grants no use).
    void unlinkUnderGate(bool keepPlaceholder, std::vector<TOWBorrowed<TOWBasicPin>>& toldRemoved,
                         TOWBasicPin* caller = nullptr);
    // Under the gate: the link to a source pin.
    bool linkSourceUnderGate(TOWSourcePin& source, TOWBasicPin* dependsOn);
    TLinkState linkState();
    void renegotiate(const TOWBorrowed<TOWBasicPin>& from);

    TLinkState link_;
    bool joining_ = false;
};
