#pragma once
// An input pin linked to several sources at once. It keeps one entry per
// source (the source in the entry's Sink field, the pin that delivers to it
// in Target: the source or a converter's output) and sends operations
// upstream to all of them as a source delivers downstream: the same nesting
// limit, weights and order. The links are driven by this pin under its link
// gate, like those of TOWSinkPin; the sources keep their own entries for it.
#include "framework/pins/OWDeliveryRoute.h"
#include "framework/pins/OWSinkPin.h"

class TOWMultiSinkPin : public TOWBasicSinkPin {
public:
    TOWMultiSinkPin(TComponent* owner, IOWLock* lock);
    ~TOWMultiSinkPin() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    void PinDestroying(TOWBasicPin* pin) override;
    // A DependsOn that was a placeholder names the real pin.
    void PinReplaced(TOWBasicPin* oldPin, TOWBasicPin* newPin) override;
    TOWPinKind GetSinkKind() override { return TOWPinKind::MultiSink; }
    TOWBasicPin* GetDependsOn(TOWBasicPin* pin) override;
    // Adds the entry of a source while this pin links to it (under the gate).
    void AddLink(TOWBasicPin* source, TOWBasicPin* dependsOn) override;
    // Unlinks from that source on both sides, each told once.
    void RemoveLink(TOWBasicPin* source, bool keepPlaceholder) override;
    TGUID GetStreamType(TOWBasicPin* source) override;
    bool IsFunctionDependentDeep(TOWBasicPin* pin) override;
    bool IsConnected() override;
    bool IsLinkedWith(TOWBasicPin* pin) override;
    bool IsLinkedWithData(TOWBasicPin* pin, TOWBasicPin* dependsOn) override;
    bool ConnectData(TOWBasicPin* pin, TOWBasicPin* dependsOn) override;
    bool CanLink(TOWBasicPin* pin, TOWBasicPin* dependsOn, bool flag) override;
    // Lets go of every source, those not loaded yet too.
    void DisconnectAll() override;
    void Disconnect(TOWBasicPin* pin) override;
    bool SendOperation(const TOWNotifyOperationRef& operation) override;
    bool HasLinksToWrite() override { return TOWBasicSinkPin::HasLinksToWrite() || HasSources(); }
    int GetLinkCount() override { return GetSourceCount(); }
    TOWBasicPin* GetLink(int index) override { return GetSourceAt(index); }
    // The source's path for one source, "( N Links )" for several.
    std::string GetLinkText() override;
    bool IsLinkedToName(const std::string& name) override;
    void SetDirectSource(TOWBasicPin* pin) override;

    void NarrowUpstream(TOWPinTypeRestricted& list, TOWBasicPin* origin) override;
    void NarrowDownstream(TOWPinTypeRestricted& list, TOWBasicPin* origin) override;
    TOWQueryResult QueryUpstream(const TGUID& iid, TOWBasicPin* origin) override;
    TOWQueryResult QueryDownstream(const TGUID& iid, TOWBasicPin* origin) override;
    void TypeChanged(TOWBasicPin* origin, const TGUID& streamType) override;
    void SourceTypeChanged(TOWBasicPin* origin, const TGUID& streamType) override;
    // "Multiple..." when the sources carry different types.
    std::string GetTypeCaption() override;
    std::string GetSourceTypeCaption() override { return GetTypeCaption(); }

    // Takes the other multi-sink's links, as a copy of its form would have
    // them: this pin lets go of every link of its own (those waiting for a
    // source not loaded yet too), then links to each source of the other, in
    // the other's order and with the same DependsOn (a dependency gone by
    // then links without one), and then waits on the placeholders the other
    // waits on, so that it gets those sources when they are loaded. A source
    // this pin may not link to (another design mode, no type in common) is
    // left out; the other pin keeps its links. From itself nothing changes;
    // any other class is refused as the class library refuses it.
    void Assign(const TPersistent& source) override;
    // Narrows the candidates to the types every linked source can supply,
    // each source as the narrowing walk of a sink linked to it alone goes
    // (NarrowThroughSource, started from this pin): the first source that
    // answers from its own table orders the list by it. Without sources the
    // list stays as it is; a placeholder, whose types are not known yet,
    // narrows nothing.
    void RestrictTypes(TOWPinTypeRestricted& list);

    int GetSourceCount();
    // Borrowed; null for an index out of range.
    TOWBasicPin* GetSourceAt(int index);
    bool HasSources() { return GetSourceCount() > 0; }
    // A copy of the entries in delivery order (for inspection).
    std::vector<TOWPinEntry> SourceEntries();

private:
    struct TSourceLink {
        TOWBorrowed<TOWBasicPin> Source;
        TOWBorrowed<TOWBasicPin> DependsOn;
    };
    std::vector<TSourceLink> sourceLinksSnapshot();
    std::vector<TOWBorrowed<TOWBasicPin>> sourcesSnapshot();
    // The entry's type and handler again, from the pin that delivers.
    void renegotiate(const TOWBorrowed<TOWBasicPin>& source);

    TOWDeliveryRoute route_;
    TOWPinEntryList& sources_ = route_.Entries();
    // The pin that delivers for the source being linked (set while it links).
    TOWBorrowed<TOWBasicPin> linkingDirect_;
};
