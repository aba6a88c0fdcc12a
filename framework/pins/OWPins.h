#pragma once
// The pin base classes: TOWPinObject, TOWBasicPin, TOWPin and TOWStreamPin,
// the per-pin handler table and the state link through a dispatcher. The
// rules every pin keeps (ownership, lock order, destruction) are in
// OWPinModel.h.
#include "framework/ClassLibrary/Component.h"
#include "framework/ClassLibrary/Method.h"
#include "framework/locks/OWObject.h"
#include "framework/operations/OWGuid.h"
#include "framework/operations/OWOperations.h"
#include "framework/operations/OWStreamTypeRegistry.h"
#include "framework/pins/OWLinkTicket.h"
#include "framework/pins/OWPinModel.h"

#include <atomic>
#include <memory>
#include <span>
#include <string>
#include <vector>

class TOWBasicPin;
class TOWPin;
class TOWPinList;
class TOWStateDispatcher;
class TOWFormatConverter;
class TOWObjectList;
class TReader;
class TWriter;

using TOWStateDispatcherRef = TOWIntf<TOWStateDispatcher>;

// A section of a pin-model object's own lock that knows whether it holds the
// lock: during another thread's stop it is let pass and converts to false,
// and then the operation must leave shared state alone.
class TOWPinSection {
public:
    TOWPinSection() = default;
    static TOWPinSection Read(IOWLock& lock, IOWLock* yieldLock);
    static TOWPinSection Write(IOWLock& lock, IOWLock* yieldLock);

    explicit operator bool() const noexcept { return acquired_; }
    // Ends the section before the end of the scope (to call out).
    void Leave() noexcept
    {
        section_.Reset();
        acquired_ = false;
    }
    const TOWLockSectionRef& Section() const noexcept { return section_; }

private:
    template<class Section>
    static TOWPinSection make(IOWLock& lock, IOWLock* yieldLock);

    TOWLockSectionRef section_;
    bool acquired_ = false;
};

// A stream handler of a pin: the target served, the stream type, the flags
// and the operation; True when the target took the delivery.
using TOWStreamHandler =
    TMethod<bool(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags, const TOWNotifyOperationRef& operation)>;

struct TOWPinStreamTypeEntry {
    TGUID StreamType{};
    TOWStreamHandler Handler;
};

// The handler table of a pin: at most one entry per stream type, in the order
// the types were added. Guarded by its pin's sections.
class TOWPinStreamType {
public:
    // Replaces the handler of a type already listed in place, else appends.
    void Add(const TGUID& streamType, TOWStreamHandler handler);
    // Later entries move up by one.
    void Remove(const TGUID& streamType);
    void Exchange(int i, int j);
    int Count() const { return static_cast<int>(entries_.size()); }
    const TGUID& GetType(int i) const { return entries_.at(static_cast<std::size_t>(i)).StreamType; }
    const TOWStreamHandler& GetHandler(int i) const { return entries_.at(static_cast<std::size_t>(i)).Handler; }
    int IndexOf(const TGUID& streamType) const;
    const std::vector<TOWPinStreamTypeEntry>& Entries() const { return entries_; }
    void Replace(std::vector<TOWPinStreamTypeEntry> entries);

private:
    std::vector<TOWPinStreamTypeEntry> entries_;
};

// The candidate list of a negotiation.
class TOWPinTypeRestricted : public TOWPinStreamType {
public:
    bool Ordered = false;
};

// The first four virtual operations every pin-model object answers.
class TOWPinObject : public TOWObject {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Called on every registered pin while `pin` is being destroyed (not
    // when `pin` goes with its root held by nobody, OWPinModel.h): drop
    // every reference to it. Must not free the pin it is called on.
    virtual void PinDestroying(TOWBasicPin* pin) {}
    // Called on every registered pin when a placeholder gives way to the real
    // pin: references to oldPin become references to newPin.
    virtual void PinReplaced(TOWBasicPin* oldPin, TOWBasicPin* newPin) {}
    virtual void SetDependsOnByName(TOWBasicPin* sink, const std::string& name) {}
    virtual std::string GetDependsOnName(TOWBasicPin* sink) { return {}; }
};

class TOWBasicPin : public TOWPinObject {
public:
    TOWBasicPin();
    ~TOWBasicPin() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // The destruction protocol (OWPinModel.h); derived classes that override
    // it call this last.
    void BeforeDestruction() override;

    void AfterConstruction() override;

    // This pin as a borrowed pointer, for others to keep.
    TOWBorrowed<TOWBasicPin> Borrow() { return {this, destroyLock_}; }
    template<class T>
    static TOWBorrowed<T> BorrowAs(T* pin)
    {
        return pin ? TOWBorrowed<T>(pin, TOWIntf<TOWDestroyLock>(&pin->DestroyLockObject())) : TOWBorrowed<T>();
    }
    // True while the calling thread runs this pin's destruction.
    bool DestroyedByCaller() const;
    // How many links to a source have been begun for this pin as a sink,
    // counted before the link's first delivery can reach it: what was kept
    // for a link that went (its stop) is stale once the count moved on.
    std::uint32_t LinksMade() const;
    // Counts a link made to this pin as a sink and names it (OWLinkTicket.h);
    // the source's entry keeps the ticket.
    TOWIntf<TOWLinkTicket> NewLinkTicket();
    // The record of this pin's links as a sink, which outlives the pin.
    TOWIntf<TOWLinkHearing> LinkHearing();
    IOWDestroyLock& DestroyLock() const { return *destroyLock_; }
    TOWDestroyLock& DestroyLockObject() const { return *destroyLock_; }

    // Sections on the pin's own lock, with the owner's lock as yield lock.
    TOWLockSectionRef ReadSection() override { return ReadLocked().Section(); }
    TOWLockSectionRef WriteSection() override { return WriteLocked().Section(); }
    TOWPinSection ReadLocked() { return TOWPinSection::Read(Lock(), YieldLock()); }
    TOWPinSection WriteLocked() { return TOWPinSection::Write(Lock(), YieldLock()); }
    // The lock the pin was made with (the owner's); null for basic pins.
    virtual IOWLock* YieldLock() const { return nullptr; }

    // ---- the operations of every pin, in the order of their slots
    TPersistent* GetOwner() const override { return GetOwnerComponent(); }
    virtual TComponent* GetOwnerComponent() const { return nullptr; }
    virtual bool IsOwnerDestroying() { return false; }
    virtual void RemoveLink(TOWBasicPin* pin, bool keepPlaceholder) {}
    virtual void AddLink(TOWBasicPin* pin, TOWBasicPin* dependsOn) {}
    virtual void LinkRemoved() {}
    // The two out values name an existing or a needed state converter.
    virtual bool CanLinkType(TOWBasicPin* pin, TOWFormatConverter*& converter, bool flag,
                             const TOWFormatConverterClass*& converterClass) = 0;
    virtual TOWPinKind GetSinkKind() = 0;
    virtual TOWBasicPin* GetDependsOn(TOWBasicPin* pin);
    virtual bool IsFunctionDependent(TOWBasicPin* pin) { return IsFunctionDependentDeep(pin); }
    virtual TGUID GetStreamType(TOWBasicPin* pin) { return GUID_NULL; }
    virtual std::string GetRootName();
    virtual TComponent* GetRoot();
    virtual std::string GetLocalName() = 0;
    virtual std::string GetLocalIndexName() { return GetLocalName(); }
    virtual std::string GetContainerPath();
    virtual std::string GetPath(bool withRoot) = 0;
    virtual std::string GetIndexPath(bool withRoot) = 0;
    virtual bool IsFunctionDependentDeep(TOWBasicPin* pin) = 0;
    virtual bool CanConnectTo(TOWBasicPin* pin, bool flag) = 0;
    virtual bool IsConnected() { return HasStateLink(); }
    virtual bool HasStateLink() { return HasDispatcher(); }
    virtual bool IsLinkedWith(TOWBasicPin* pin) { return DispatcherHasPin(pin); }
    virtual bool IsLinkedWithData(TOWBasicPin* pin, TOWBasicPin* dependsOn) { return DispatcherHasLink(pin, dependsOn); }
    virtual bool IsDispatcher(const TOWPinObject* object);
    virtual bool DispatcherHasPin(TOWBasicPin* pin);
    virtual bool DispatcherHasLink(TOWBasicPin* pin, TOWBasicPin* dependsOn);
    virtual bool IsLinkedThroughConverter(TOWBasicPin* pin) { return false; }
    virtual bool LinkState(TOWBasicPin* pin) { return LinkStateData(pin, nullptr); }
    virtual bool LinkStateData(TOWBasicPin* pin, TOWBasicPin* dependsOn);
    virtual bool Connect(TOWBasicPin* pin) { return ConnectData(pin, nullptr); }
    virtual bool ConnectData(TOWBasicPin* pin, TOWBasicPin* dependsOn);
    virtual bool CanLink(TOWBasicPin* pin, TOWBasicPin* dependsOn, bool flag);
    // CanLinkType (converters allowed) for a caller that wants only the answer.
    bool CanLinkTypeAtAll(TOWBasicPin* pin);
    virtual void DisconnectAll();
    virtual void Disconnect(TOWBasicPin* pin);
    virtual bool SendOperation(const TOWNotifyOperationRef& operation) { return false; }
    virtual void CreateDispatcher(const std::string& name);
    virtual void ResolvePlaceholders() {}
    virtual bool HasStateToWrite() { return HasDispatcher() && !IsStateOwnedElsewhere(); }
    virtual bool IsStateOwnedElsewhere() { return false; }
    virtual bool HasLinksToWrite() { return HasStateToWrite(); }
    virtual int GetLinkCount() { return 0; }
    virtual TOWBasicPin* GetLink(int index) { return nullptr; }
    virtual TOWBasicPin* GetLinkDependsOn(int index) { return GetDependsOn(GetLink(index)); }
    bool HasDispatcher();
    TOWStateDispatcherRef GetDispatcher();
    virtual void SetAlwaysLinkable(bool value) {}
    virtual bool CanJoinDispatcher(TOWStateDispatcher* dispatcher, TOWBasicPin* dependsOn);
    virtual void BeforeDisconnect() {}
    virtual std::string GetLinkText();
    virtual bool SetLinkText(TComponent* root, const std::string& text) { return false; }
    virtual bool IsLinkedToName(const std::string& name);
    virtual bool JoinDispatcher(TOWStateDispatcher* dispatcher) { return JoinDispatcherData(dispatcher, nullptr); }
    virtual bool JoinDispatcherData(TOWStateDispatcher* dispatcher, TOWBasicPin* dependsOn);
    // The dispatcher of that name in the list of this pin's design state.
    TOWStateDispatcherRef FindDispatcher(const std::string& name);
    virtual bool IsDesigning() = 0;
    // The negotiated state type (null when none); the out values as for
    // CanLinkType.
    virtual TGUID NegotiateStateType(TOWBasicPin* pin, TOWFormatConverter*& converter, bool flag,
                                     const TOWFormatConverterClass*& converterClass) = 0;
    virtual bool DeliverState(const TOWNotifyOperationRef& operation, TOWHandlerFlags flags, TOWBasicPin* target) = 0;
    // After every change of the pin's links.
    virtual void Changed() {}
    // owInterfaceFound and the interface, or owNoInterface and null.
    virtual TOWQueryResult QueryInterface(const TGUID& iid, void*& object);
    // The interface of that identifier the object's class implements, or null.
    virtual void* GetInterface(const TGUID& iid) { return nullptr; }

    // ---- links in form streams (OWPinStreaming.cpp). The stream values
    // are refused with the reader's invalid-value error when their shape is
    // not one the writer makes; paths naming nothing end on placeholders.
    // The links of the pin's kind: "SinkPins" of a source, "SourcePin" of a
    // sink or multi-sink.
    virtual void ReadLinks(TReader& reader);
    // "State": joins (or makes) the dispatcher of the name read.
    virtual void ReadState(TReader& reader);
    virtual void WriteState(TWriter& writer);
    // The pin's links as an item of its pin list's "Pins".
    virtual void WriteLinkValue(TWriter& writer);
    // The links of the pin's kind, as WriteLinkValue writes them after
    // "State"; False when there were none to write.
    virtual bool WriteLinks(TWriter& writer);
    // "StateConverter" of a sink fed through a state converter.
    void ReadStateConverter(TReader& reader);
    void WriteStateConverter(TWriter& writer);
    // A sink's source, written when the link is its own to write.
    bool HasSourceLinkToWrite();
    // The far end a sink's "SourcePin" names (its source, or the placeholder
    // a pending link waits on); null when it has none of its own to write.
    virtual TOWBasicPin* GetSourceToWrite() { return GetLinkCount() > 0 ? GetLink(0) : nullptr; }

    // ---- membership in a pin list (set by the list)
    TOWPinList* PinList();
    void SetPinList(TOWPinList* list);
    // Clears the membership when it is still `list`.
    void LeavePinList(TOWPinList* list);
    const std::string& FormName() const { return formName_; }
    void SetFormName(std::string name) { formName_ = std::move(name); }

    // ---- the dispatcher link
    // The pin's dispatcher field and its membership change together: the pin
    // becomes a member under its own write section, with the dispatcher's
    // section nested inside it (a pin before its dispatcher, never the other
    // way). False when the pin is in another dispatcher (leave it first) or
    // the dispatcher refused it.
    bool EnterDispatcher(TOWStateDispatcher* dispatcher, TOWBasicPin* dependsOn);
    // Clears the dispatcher when it is still `dispatcher` (the member was
    // taken out by the dispatcher).
    void DispatcherLeft(TOWStateDispatcher* dispatcher);
    // A sink fed by a state converter names the converter's dispatcher
    // without being one of its members.
    void SetDispatcher(TOWStateDispatcherRef dispatcher);

protected:
    // Leaves the dispatcher; `asking` is told to the dispatcher as the pin
    // that asked (this pin for DisconnectAll).
    void leaveDispatcher(TOWBasicPin* asking);
    // Whether the pin has a dispatcher, for a caller that holds one of the
    // pin's sections already.
    bool hasDispatcherInSection() const { return static_cast<bool>(dispatcher_); }
    // CanJoinDispatcher by the members: this pin can link to each member
    // that is still there, is not this pin and that `passOver` (when given)
    // does not pass over.
    bool canLinkToMembers(TOWStateDispatcher* dispatcher, bool (*passOver)(TOWBasicPin& member) = nullptr);

private:
    friend class TOWPinRegistry;
    friend class TOWDeliveryRoute;
    // The destruction protocol; whole is False when the derived parts are
    // gone already (a pin deleted without FreeObject).
    void destroyPin(bool whole);
    // True when the pin goes with its root and no other object keeps a
    // borrowed pointer to it: then no pin has a reference to drop, and the
    // registry is not walked (closing a form stays linear in its pins).
    bool goesUnheld();

    TOWBorrowed<TOWPinList> pinList_;
    std::string formName_;
    TOWIntf<TOWDestroyLock> destroyLock_;
    TOWStateDispatcherRef dispatcher_;
    // Registry links, changed only inside the registry's critical section.
    TOWBasicPin* registryPrev_ = nullptr;
    TOWBasicPin* registryNext_ = nullptr;
    bool registered_ = false;
    bool destroying_ = false;
    std::atomic<TOWThreadId> destroyer_{0};
    // Made with the first link to this pin as a sink; one reference.
    std::atomic<TOWLinkHearing*> hearing_{nullptr};
    TOWDestroyLockSectionRef destroySection_;
};

// The typed query of an interface a pin implements.
template<class I>
I* OWQueryInterface(TOWBasicPin* pin)
{
    void* object = nullptr;
    if (!pin || pin->QueryInterface(OWGuidOf<I>(), object) != owInterfaceFound)
        return nullptr;
    return static_cast<I*>(object);
}

// A pin's use of its own destroy lock around calls out of it. Refused (false)
// while another thread destroys the pin; granted without a use to the
// thread that destroys it (its disconnection calls out too). After each call
// out, Gone tells whether the pin was destroyed meanwhile, and then the
// caller must not touch it again.
class TOWSelfUse {
public:
    explicit TOWSelfUse(TOWBasicPin& pin);
    TOWSelfUse(const TOWSelfUse&) = delete;
    TOWSelfUse& operator=(const TOWSelfUse&) = delete;

    explicit operator bool() const noexcept { return static_cast<bool>(use_) || byDestroyer_; }
    bool Gone() const noexcept { return life_->Retired(); }

private:
    // Not a counted reference: a granted use holds one, and the destroying
    // thread asks only while the pin's destruction (which holds the lock) is
    // under way below it.
    TOWDestroyLock* life_;
    TOWDestroyLockUse use_;
    bool byDestroyer_ = false;
};

// Raises a pin's nesting counter for a scope and lowers it when the scope
// ends, an exception passing included; leaves a pin alone that a handler
// destroyed meanwhile.
class TOWNestingGuard {
public:
    TOWNestingGuard(std::atomic<std::int32_t>& counter, const TOWSelfUse& self) : counter_(counter), self_(self)
    {
        counter_.fetch_add(1, std::memory_order_seq_cst);
    }
    TOWNestingGuard(const TOWNestingGuard&) = delete;
    TOWNestingGuard& operator=(const TOWNestingGuard&) = delete;
    ~TOWNestingGuard()
    {
        if (!self_.Gone())
            counter_.fetch_sub(1, std::memory_order_seq_cst);
    }

private:
    std::atomic<std::int32_t>& counter_;
    const TOWSelfUse& self_;
};

class TOWPin : public TOWBasicPin {
public:
    // Owner: the component that owns the pin (it outlives the pin); lock: the
    // owner's lock, used as the yield lock of the pin's sections.
    TOWPin(TComponent* owner, IOWLock* lock);
    ~TOWPin() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    void AfterConstruction() override;

    IOWLock* YieldLock() const override { return lock_.Get(); }
    TComponent* GetOwnerComponent() const override { return owner_; }
    bool IsOwnerDestroying() override;
    bool CanLinkType(TOWBasicPin* pin, TOWFormatConverter*& converter, bool flag,
                     const TOWFormatConverterClass*& converterClass) override;
    TGUID GetStreamType(TOWBasicPin* pin) override { return NegotiatedStateType(pin); }
    std::string GetRootName() override;
    std::string GetLocalName() override;
    std::string GetLocalIndexName() override;
    std::string GetPath(bool withRoot) override;
    std::string GetIndexPath(bool withRoot) override;
    bool CanConnectTo(TOWBasicPin* pin, bool flag) override;
    bool SendOperation(const TOWNotifyOperationRef& operation) override { return DeliverState(operation, 0, nullptr); }
    void ResolvePlaceholders() override;
    bool IsDesigning() override;
    TGUID NegotiateStateType(TOWBasicPin* pin, TOWFormatConverter*& converter, bool flag,
                             const TOWFormatConverterClass*& converterClass) override;
    bool DeliverState(const TOWNotifyOperationRef& operation, TOWHandlerFlags flags, TOWBasicPin* target) override;
    // "Form", "State" and the links of the pin's kind (OWPinStreaming.cpp).
    void DefineProperties(TFiler& filer) override;

    // The state type negotiated with the dispatcher's first other member, or
    // null.
    virtual TGUID GetCurrentStreamType();
    // NegotiateStateType with the flag set, without converters kept.
    TGUID NegotiatedStateType(TOWBasicPin* pin);

    // Adds or replaces the handler of a stream type (typed pins call it in
    // their constructors, in their order of preference).
    void AddStreamType(const TGUID& streamType, TOWStreamHandler handler = {});
    bool IsOwnerLoading() const;
    // The handler of the type: the table's, the registry's default handler
    // bound to this pin when the table lists the type without one, or
    // unassigned when the pin does not list the type.
    TOWStreamHandler FindHandler(const TGUID& streamType);
    // Sorts the candidates by this pin's preference (own types first, in
    // table order; the others after, in their previous order), once.
    void OrderByOwnTypes(TOWPinTypeRestricted& list);
    // A copy of the handler table, taken under a read section.
    std::vector<TOWPinStreamTypeEntry> StreamTypesCopy();

    std::int32_t Nesting() const { return nesting_.load(std::memory_order_relaxed); }
    IOWLock* OwnerLock() const { return lock_.Get(); }

protected:
    std::atomic<std::int32_t>& nestingCounter() { return nesting_; }
    // Lets go of the owner's lock for a scope when the calling thread holds
    // it (around handlers); null otherwise.
    TOWLockSectionRef letGoOfOwner() const { return letGoOf(lock_.Get()); }
    // The same for any lock: null unless the calling thread holds it.
    static TOWLockSectionRef letGoOf(IOWLock* lock);
    // The start of CanLinkType: clears the out values; False for no pin, and
    // for a design-time pin meeting a run-time pin with no converter between
    // them (a pin of either side owned by a converter); True to go on.
    bool linkTypeMayGoOn(TOWBasicPin* pin, TOWFormatConverter*& converter,
                         const TOWFormatConverterClass*& converterClass);

private:
    // A route delivers on behalf of its pin: nesting counter, owner lock.
    friend class TOWDeliveryRoute;

protected:
    TOWPinStreamType& streamTypes() { return streamTypes_; }

private:
    // What a state delivery works out from the dispatcher's members and the
    // handler table: each other member with its type and handler. Kept until
    // the link epoch moves on.
    struct TStateTarget {
        TOWBorrowed<TOWBasicPin> pin;
        TGUID type;
        TOWStreamHandler handler;
    };
    struct TStatePlan {
        std::uint64_t epoch;
        std::vector<TStateTarget> targets;
    };
    // The plan of the epoch, made and installed when the current one is out
    // of date; null while the pin's lock is stopped. The caller is counted in
    // planReaders_ for as long as it walks the plan.
    const TStatePlan* statePlan(std::uint64_t epoch);

    // NegotiateStateType, keeping only the type.
    TGUID negotiatedType(TOWBasicPin* pin, bool flag);
    bool defaultHandler(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                        const TOWNotifyOperationRef& operation);

    TComponent* owner_;
    std::string rootName_;
    TOWPinStreamType streamTypes_;
    std::atomic<std::int32_t> nesting_{0};
    TOWLockRef lock_;
    // Plans are read without a section: a delivery counts itself as a reader
    // and loads the current plan; a replaced plan is freed only when no
    // reader is left (or with the pin), so a walk never loses its plan.
    std::atomic<const TStatePlan*> statePlan_{nullptr};
    std::atomic<std::int32_t> planReaders_{0};
    std::vector<std::unique_ptr<TStatePlan>> plans_;
};

// What a source pin keeps of a sink pin of the same component, and what the
// sink learns in turn (TOWSinkPinList).
enum class TOWDependencyKind : std::uint8_t { Function, DataType };

class TOWStreamPin : public TOWPin {
public:
    using TOWPin::TOWPin;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // The types offered or accepted, appended to list (own table here).
    virtual void GetOfferedTypes(TOWPinTypeRestricted& list, TOWBasicPin* origin);
    virtual void GetAcceptedTypes(TOWPinTypeRestricted& list, TOWBasicPin* origin);
    virtual TOWQueryResult QueryOfferedType(const TGUID& iid) { return owInterfaceFound; }
    virtual TOWQueryResult QueryAcceptedType(const TGUID& iid) { return owInterfaceFound; }
    virtual void CollectDependents(const TOWNotifyOperationRef& operation, TOWObjectList& visited);
    // A source links to the candidate of that text (ConnectByText); a sink
    // unlinks for "" and "(Disconnected)", else links to the pin of that path
    // or joins the dispatcher of that name. True when a link exists.
    bool SetLinkText(TComponent* root, const std::string& text) override;

    // A source pin adds sink to its functional dependencies (the converters'
    // InitPins ask for it); nothing here.
    virtual void AddFunctionDependency(TOWStreamPin& sink) {}
    // A sink pin learns that source keeps it as a dependency of that kind, or
    // no longer does; nothing here.
    virtual void DependencyAdded(TOWDependencyKind kind, TOWStreamPin& source) {}
    virtual void DependencyRemoved(TOWDependencyKind kind, TOWStreamPin& source) {}
};

// Every change of a link, of a dispatcher's members or of a handler table
// moves the epoch on, so that what was worked out from them (a pin's state
// delivery plan) is known to be out of date. Pins whose answers to
// QueryInterface depend on their links call OWPinLinksChanged when those
// change.
std::uint64_t OWPinLinkEpoch();
void OWPinLinksChanged();

// The pin unit: the registries and lists of the pin model. OWPinsStartUp runs
// each type unit's registration routine with the registries open for writing
// and closes them again; it may run again to add units (tests do), always
// before pins are used from several threads. OWPinsFinalize frees the
// placeholders and listeners and empties the registries.
using TOWTypeUnitStartUp = void (*)();
void OWPinsStartUp(std::span<const TOWTypeUnitStartUp> typeUnits = {});
void OWPinsFinalize();
// True once a TOWPin has been made.
bool OWPinsExist();
// The designing-suppressed flag read by IsDesigning.
void OWSetDesigningSuppressed(bool suppressed);
bool OWDesigningSuppressed();
