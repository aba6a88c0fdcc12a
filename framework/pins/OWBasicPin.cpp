#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/pins/OWPinEvents.h"
#include "framework/pins/OWPinList.h"
#include "framework/pins/OWPinRegistry.h"
#include "framework/pins/OWPins.h"
#include "framework/pins/OWStateDispatcher.h"
#include "framework/pins/OWUnloadedPin.h"

#include <algorithm>

// ---------------------------------------------------------------- sections

template<class Section>
TOWPinSection TOWPinSection::make(IOWLock& lock, IOWLock* yieldLock)
{
    TOWPinSection result;
    auto section = Section::Create(lock, yieldLock);
    result.acquired_ = section->Acquired();
    result.section_ = std::move(section);
    return result;
}

TOWPinSection TOWPinSection::Read(IOWLock& lock, IOWLock* yieldLock)
{
    return make<TOWSimpleReadLockSection>(lock, yieldLock);
}

TOWPinSection TOWPinSection::Write(IOWLock& lock, IOWLock* yieldLock)
{
    return make<TOWSimpleWriteLockSection>(lock, yieldLock);
}

TOWSelfUse::TOWSelfUse(TOWBasicPin& pin)
    : life_(&pin.DestroyLockObject()), use_(life_), byDestroyer_(!use_ && pin.DestroyedByCaller())
{
}

// ---------------------------------------------------------------- handler table

int TOWPinStreamType::IndexOf(const TGUID& streamType) const
{
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const TOWPinStreamTypeEntry& e) { return e.StreamType == streamType; });
    return it == entries_.end() ? -1 : static_cast<int>(it - entries_.begin());
}

void TOWPinStreamType::Add(const TGUID& streamType, TOWStreamHandler handler)
{
    const int index = IndexOf(streamType);
    if (index >= 0)
        entries_[static_cast<std::size_t>(index)].Handler = handler;
    else
        entries_.push_back(TOWPinStreamTypeEntry{streamType, handler});
}

void TOWPinStreamType::Remove(const TGUID& streamType)
{
    const int index = IndexOf(streamType);
    if (index >= 0)
        entries_.erase(entries_.begin() + index);
}

void TOWPinStreamType::Exchange(int i, int j)
{
    std::swap(entries_.at(static_cast<std::size_t>(i)), entries_.at(static_cast<std::size_t>(j)));
}

void TOWPinStreamType::Replace(std::vector<TOWPinStreamTypeEntry> entries)
{
    entries_ = std::move(entries);
}

// ---------------------------------------------------------------- TOWPinObject

const TClassInfo& TOWPinObject::StaticClassInfo()
{
    static const TClassInfo info("TOWPinObject", &TOWObject::StaticClassInfo(), {});
    return info;
}

// ---------------------------------------------------------------- TOWBasicPin

const TClassInfo& TOWBasicPin::StaticClassInfo()
{
    static const TClassInfo info("TOWBasicPin", &TOWPinObject::StaticClassInfo(), {});
    return info;
}

TOWBasicPin::TOWBasicPin() : destroyLock_(TOWDestroyLock::Create())
{
}

void TOWBasicPin::AfterConstruction()
{
    // Registered only once whole, so that no destruction pass on another
    // thread calls into a pin still under construction.
    TOWPinRegistry::Register(*this);
    owPinEvents::PinCreated(this);
}

TOWBasicPin::~TOWBasicPin()
{
    if (!destroying_)
        destroyPin(false);
    TOWLinkHearing* hearing = hearing_.load(std::memory_order_acquire);
    if (hearing && hearing != &TOWLinkHearing::OfGonePins()) {
        hearing->Forget();
        hearing->Release();
    }
}

std::uint32_t TOWBasicPin::LinksMade() const
{
    const TOWLinkHearing* hearing = hearing_.load(std::memory_order_acquire);
    return hearing ? hearing->LinksMade() : 0;
}

TOWIntf<TOWLinkHearing> TOWBasicPin::LinkHearing()
{
    TOWLinkHearing* hearing = hearing_.load(std::memory_order_acquire);
    if (!hearing) {
        auto made = OWMake<TOWLinkHearing>();
        if (hearing_.compare_exchange_strong(hearing, made.Get(), std::memory_order_acq_rel))
            hearing = made.Detach();
    }
    return TOWIntf<TOWLinkHearing>(hearing);
}

TOWIntf<TOWLinkTicket> TOWBasicPin::NewLinkTicket()
{
    return LinkHearing()->NewLink();
}

void TOWBasicPin::BeforeDestruction()
{
    if (!destroying_)
        destroyPin(true);
}

bool TOWBasicPin::DestroyedByCaller() const
{
    return destroyer_.load(std::memory_order_acquire) == OWCurrentThreadId();
}

void TOWBasicPin::destroyPin(bool whole)
{
    destroying_ = true;
    destroyer_.store(OWCurrentThreadId(), std::memory_order_release);
    // No use is granted from here on. Deliveries of other threads in progress
    // are waited for with the owner's lock let go, so that one waiting for
    // that lock inside a use of this pin can finish.
    destroySection_ = destroyLock_->MarkDestroyPending();
    // A delivery admitted through one of this pin's links as a sink stands
    // for a use (OWLinkTicket.h); a link made from now on admits none.
    TOWLinkHearing* hearing = nullptr;
    if (!hearing_.compare_exchange_strong(hearing, &TOWLinkHearing::OfGonePins(), std::memory_order_acq_rel))
        hearing->SinkGoing();
    else
        hearing = nullptr;
    if (destroyLock_->OtherThreadsUse() || (hearing && hearing->DeliveriesElsewhere())) {
        TOWLockSectionRef letGoOwner;
        if (IOWLock* owner = whole ? YieldLock() : nullptr)
            letGoOwner = owner->UnlockSection();
        destroyLock_->WaitForOtherThreads();
        if (hearing)
            hearing->WaitForDeliveries();
    }
    if (whole) {
        DisconnectAll();
        owPinEvents::PinDestroying(this, IsDesigning() && IsOwnerDestroying());
    } else {
        leaveDispatcher(this);
    }
    if (!whole || !goesUnheld()) {
        const TOWPinRegistry::TUses uses = TOWPinRegistry::UseAll(this);
        uses.ForEach([&](TOWBasicPin& pin) { pin.PinDestroying(this); });
    }
    TOWBorrowed<TOWPinList> list;
    {
        // Taken even when another thread's stop lets the section pass: the
        // pin is going, and no other thread can reach it any more.
        auto section = WriteLocked();
        list = std::exchange(pinList_, {});
    }
    if (auto inList = Use(list))
        inList->PinGone(this);
    TOWPinRegistry::Unregister(*this);
    destroyLock_->Retire();
}

bool TOWBasicPin::goesUnheld()
{
    if (!IsOwnerDestroying())
        return false;
    // What the destruction itself holds: the pin's own reference to its
    // destroy lock, the destroy section's, and the slot of its pin list.
    // Any other reference is a borrowed pointer kept by someone who must
    // hear that the pin goes (or a use in progress on this thread).
    bool inList = false;
    {
        auto section = WriteLocked();
        inList = static_cast<bool>(pinList_);
    }
    constexpr std::uint32_t ownReferences = 2;
    return destroyLock_->RefCount() <= ownReferences + (inList ? 1u : 0u);
}

// ---- links through the dispatcher

TOWBasicPin* TOWBasicPin::GetDependsOn(TOWBasicPin* pin)
{
    auto dispatcher = GetDispatcher();
    return dispatcher ? dispatcher->DependsOnOf(pin) : nullptr;
}

bool TOWBasicPin::HasDispatcher()
{
    auto section = ReadLocked();
    return section && dispatcher_;
}

TOWStateDispatcherRef TOWBasicPin::GetDispatcher()
{
    auto section = ReadLocked();
    if (!section)
        return {};
    return dispatcher_;
}

void TOWBasicPin::SetDispatcher(TOWStateDispatcherRef dispatcher)
{
    TOWStateDispatcher* named = dispatcher.Get();
    // The former dispatcher is let go after the section: the last reference
    // frees it, and that must not happen under this pin's lock.
    {
        auto section = WriteLocked();
        if (!section)
            return;
        std::swap(dispatcher_, dispatcher);
    }
    if (named)
        named->NamedBy(this);
    OWPinLinksChanged();
}

bool TOWBasicPin::EnterDispatcher(TOWStateDispatcher* dispatcher, TOWBasicPin* dependsOn)
{
    if (!dispatcher)
        return false;
    auto section = WriteLocked();
    if (!section)
        return false;
    if (dispatcher_)
        return dispatcher_.Get() == dispatcher;
    if (!dispatcher->AddMember(this, dependsOn))
        return false;
    dispatcher_ = TOWStateDispatcherRef(dispatcher);
    OWPinLinksChanged();
    return true;
}

void TOWBasicPin::DispatcherLeft(TOWStateDispatcher* dispatcher)
{
    TOWStateDispatcherRef former;
    {
        auto section = WriteLocked();
        if (!section || dispatcher_.Get() != dispatcher)
            return;
        former = std::move(dispatcher_);
    }
    OWPinLinksChanged();
    owPinEvents::PinChanged(this);
}

bool TOWBasicPin::IsDispatcher(const TOWPinObject* object)
{
    auto dispatcher = GetDispatcher();
    return dispatcher && dispatcher.Get() == object;
}

bool TOWBasicPin::DispatcherHasPin(TOWBasicPin* pin)
{
    auto dispatcher = GetDispatcher();
    return dispatcher && dispatcher->HasPin(pin);
}

bool TOWBasicPin::DispatcherHasLink(TOWBasicPin* pin, TOWBasicPin* dependsOn)
{
    auto dispatcher = GetDispatcher();
    return dispatcher && dispatcher->HasLink(pin, dependsOn);
}

bool TOWBasicPin::ConnectData(TOWBasicPin* pin, TOWBasicPin* dependsOn)
{
    if (!pin || pin == this)
        return false;
    // A placeholder records the partner; the link is made when the real pin
    // comes.
    if (dynamic_cast<TOWUnloadedPin*>(pin))
        return pin->ConnectData(this, dependsOn);
    return LinkStateData(pin, dependsOn);
}

bool TOWBasicPin::CanLink(TOWBasicPin* pin, TOWBasicPin* dependsOn, bool flag)
{
    if (dependsOn) {
        auto dispatcher = GetDispatcher();
        return dispatcher && dispatcher->CanAdmit(pin, dependsOn);
    }
    TOWFormatConverter* converter = nullptr;
    const TOWFormatConverterClass* converterClass = nullptr;
    return CanLinkType(pin, converter, flag, converterClass);
}

bool TOWBasicPin::CanLinkTypeAtAll(TOWBasicPin* pin)
{
    TOWFormatConverter* converter = nullptr;
    const TOWFormatConverterClass* converterClass = nullptr;
    return CanLinkType(pin, converter, true, converterClass);
}

bool TOWBasicPin::LinkStateData(TOWBasicPin* pin, TOWBasicPin* dependsOn)
{
    TOWFormatConverter* converter = nullptr;
    const TOWFormatConverterClass* converterClass = nullptr;
    if (!pin || pin == this || !CanLinkType(pin, converter, true, converterClass))
        return false;
    TOWSelfUse self(*this);
    if (!self)
        return false;
    TOWStateDispatcherRef mine = GetDispatcher();
    TOWStateDispatcherRef theirs = pin->GetDispatcher();
    const bool viaConverter = converter || converterClass;

    // Puts a state converter between this pin and `pin` in `dispatcher`.
    auto linkThroughConverter = [&](TOWStateDispatcher& dispatcher) {
        TOWFormatConverter* used = converter;
        if (!used) {
            TOwned<TOWFormatConverter> made = converterClass->create();
            used = made.get();
            dispatcher.AddConverter(std::move(made));
        }
        used->SetServedPin(this);
        used->OutputPin()->ConnectData(pin, dependsOn);
        used->InputPin()->EnterDispatcher(&dispatcher, nullptr);
        // The sink names the dispatcher whose converter feeds it, unless it
        // has meanwhile joined one of its own.
        if (!pin->HasDispatcher())
            pin->SetDispatcher(TOWStateDispatcherRef(&dispatcher));
    };

    if (!mine && !theirs) {
        TOWStateDispatcherRef dispatcher = TOWStateDispatcher::CreateFor(GetRoot(), IsDesigning());
        // Either pin may have been linked by another thread meanwhile: then
        // this link is not made, and nothing is left half done.
        if (!EnterDispatcher(dispatcher.Get(), nullptr))
            return false;
        if (viaConverter) {
            linkThroughConverter(*dispatcher);
        } else if (!pin->EnterDispatcher(dispatcher.Get(), dependsOn)) {
            leaveDispatcher(this);
            return false;
        }
        owPinEvents::DispatcherCreated(dispatcher.Get());
        Changed();
        if (self.Gone())
            return true;
        owPinEvents::PinsLinked(this, pin);
        owPinEvents::PinsLinked(pin, this);
        owPinEvents::PinChanged(this);
        owPinEvents::PinChanged(pin);
        return true;
    }
    if (!mine)
        return JoinDispatcherData(theirs.Get(), dependsOn);
    bool result = true;
    if (viaConverter)
        linkThroughConverter(*mine);
    else
        result = pin->JoinDispatcherData(mine.Get(), dependsOn);
    if (self.Gone())
        return result;
    Changed();
    if (!self.Gone())
        owPinEvents::PinChanged(this);
    return result;
}

void TOWBasicPin::leaveDispatcher(TOWBasicPin* asking)
{
    TOWSelfUse self(*this);
    if (!self)
        return;
    TOWStateDispatcherRef dispatcher;
    TOWStateDispatcher::TRemoval removal;
    {
        auto section = WriteLocked();
        if (!section || !dispatcher_)
            return;
        dispatcher = std::move(dispatcher_);
        removal = dispatcher->TakeOutMember(this);
    }
    OWPinLinksChanged();
    owPinEvents::PinsUnlinked(this, dispatcher.Get());
    dispatcher->FinishRemoval(std::move(removal));
    if (!self.Gone())
        owPinEvents::PinChanged(this);
}

void TOWBasicPin::DisconnectAll()
{
    leaveDispatcher(this);
}

void TOWBasicPin::Disconnect(TOWBasicPin* pin)
{
    leaveDispatcher(pin);
}

void TOWBasicPin::CreateDispatcher(const std::string& name)
{
    leaveDispatcher(this);
    TOWStateDispatcherRef dispatcher = TOWStateDispatcher::Create(name, IsDesigning());
    if (EnterDispatcher(dispatcher.Get(), nullptr))
        Changed();
}

bool TOWBasicPin::CanJoinDispatcher(TOWStateDispatcher* dispatcher, TOWBasicPin* dependsOn)
{
    return canLinkToMembers(dispatcher);
}

bool TOWBasicPin::canLinkToMembers(TOWStateDispatcher* dispatcher, bool (*passOver)(TOWBasicPin& member))
{
    if (!dispatcher)
        return false;
    if (IsDispatcher(dispatcher))
        return true;
    for (const TOWDispatcherPinStorage& member : dispatcher->Members()) {
        auto pin = Use(member.Member);
        if (!pin || pin.Get() == this || (passOver && passOver(*pin)))
            continue;
        if (!CanLinkTypeAtAll(pin.Get()))
            return false;
    }
    return true;
}

bool TOWBasicPin::JoinDispatcherData(TOWStateDispatcher* dispatcher, TOWBasicPin* dependsOn)
{
    if (dispatcher && IsDispatcher(dispatcher))
        return true;
    TOWSelfUse self(*this);
    if (!self)
        return false;
    leaveDispatcher(this);
    if (!dispatcher || self.Gone() || !CanJoinDispatcher(dispatcher, dependsOn))
        return false;
    if (!EnterDispatcher(dispatcher, dependsOn))
        return false;
    Changed();
    if (!self.Gone())
        owPinEvents::PinsLinked(this, dispatcher);
    return true;
}

TOWStateDispatcherRef TOWBasicPin::FindDispatcher(const std::string& name)
{
    return ::FindDispatcher(name, IsDesigning());
}

std::string TOWBasicPin::GetLinkText()
{
    auto dispatcher = GetDispatcher();
    if (!dispatcher)
        return "(Disconnected)";
    auto members = dispatcher->Members();
    if (members.size() == 2) {
        for (const TOWDispatcherPinStorage& member : members) {
            if (member.Member.Get() == this)
                continue;
            if (auto other = Use(member.Member))
                return other->GetPath(true);
        }
    }
    return dispatcher->Name();
}

bool TOWBasicPin::IsLinkedToName(const std::string& name)
{
    auto dispatcher = GetDispatcher();
    if (!dispatcher)
        return false;
    for (const TOWDispatcherPinStorage& member : dispatcher->Members()) {
        if (auto pin = Use(member.Member); pin && pin->GetPath(true) == name)
            return true;
    }
    return false;
}

// ---- names and interfaces

std::string TOWBasicPin::GetRootName()
{
    const std::string path = GetIndexPath(true);
    const auto dot = path.find('.');
    return dot == std::string::npos ? std::string() : path.substr(0, dot);
}

TComponent* TOWBasicPin::GetRoot()
{
    return FindRootOwner(GetOwnerComponent());
}

std::string TOWBasicPin::GetContainerPath()
{
    std::string path = GetIndexPath(true);
    const std::string root = GetRootName();
    if (!root.empty() && path.compare(0, root.size() + 1, root + ".") == 0)
        path.erase(0, root.size() + 1);
    const auto dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(0, dot);
}

TOWQueryResult TOWBasicPin::QueryInterface(const TGUID& iid, void*& object)
{
    object = GetInterface(iid);
    return object ? owInterfaceFound : owNoInterface;
}

// ---- pin list membership

TOWPinList* TOWBasicPin::PinList()
{
    auto section = ReadLocked();
    return section ? pinList_.Get() : nullptr;
}

void TOWBasicPin::SetPinList(TOWPinList* list)
{
    auto section = WriteLocked();
    if (section)
        pinList_ = list ? list->Borrow() : TOWBorrowed<TOWPinList>();
}

void TOWBasicPin::LeavePinList(TOWPinList* list)
{
    auto section = WriteLocked();
    if (section && pinList_.Get() == list)
        pinList_ = {};
}
