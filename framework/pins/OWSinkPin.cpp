#include "framework/pins/OWSinkPin.h"

#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/pins/OWPinEvents.h"
#include "framework/pins/OWSourcePin.h"
#include "framework/pins/OWStateDispatcher.h"
#include "framework/pins/OWTypeWalks.h"
#include "framework/pins/OWUnloadedPin.h"

#include <optional>

namespace {

const char* const dependsOnItselfText = "The pin depends on itself. Please protect with functional dependency.";

} // namespace

const TClassInfo& TOWSinkPin::StaticClassInfo()
{
    static const TClassInfo info("TOWSinkPin", &TOWBasicSinkPin::StaticClassInfo(), {});
    return info;
}

TOWSinkPin::TOWSinkPin(TComponent* owner, IOWLock* lock) : TOWBasicSinkPin(owner, lock)
{
}

TOWSinkPin::~TOWSinkPin() = default;

TOWSinkPin::TLinkState TOWSinkPin::linkState()
{
    auto section = ReadLocked();
    return section ? link_ : TLinkState{};
}

TOWBasicPin* TOWSinkPin::GetSource()
{
    return linkState().Source.Get();
}

TOWBasicPin* TOWSinkPin::GetDirectSource()
{
    return linkState().DirectSource.Get();
}

TOWBasicPin* TOWSinkPin::GetLinkedPin()
{
    return linkState().LinkedPin.Get();
}

TOWStreamHandler TOWSinkPin::GetHandler()
{
    return linkState().Handler;
}

// ---------------------------------------------------------------- linking

void TOWSinkPin::unlinkUnderGate(bool keepPlaceholder, std::vector<TOWBorrowed<TOWBasicPin>>& toldRemoved,
                                 TOWBasicPin* caller)
{
    TLinkState former;
    {
        auto section = WriteLocked();
        if (!section)
            return;
        former = std::exchange(link_, TLinkState{});
    }
    if (!former.LinkedPin)
        return;
    OWPinLinksChanged();
    auto linked = Use(former.LinkedPin);
    if (linked)
        linked->RemoveLink(this, keepPlaceholder);
    if (!former.Internal)
        toldRemoved.push_back(former.LinkedPin);
    TOWBasicPin* partner = linked ? linked.Get() : (caller == former.LinkedPin.Get() ? caller : nullptr);
    if (keepPlaceholder && partner && !IsOwnerDestroying()) {
        // The link comes back when a pin of that path exists again (a form
        // closed and opened again at design time). The placeholder belongs to
        // the partner's root, under which that pin looks for it.
        TOWUnloadedPin* placeholder =
            TOWUnloadedPin::Create(partner->GetIndexPath(true), partner->GetPath(true), GetPath(true),
                                   partner->GetRootName(), partner->GetSinkKind(), IsDesigning());
        placeholder->ConnectData(this, nullptr);
        auto section = WriteLocked();
        if (section)
            link_.LinkedPin = placeholder->Borrow();
    }
}

bool TOWSinkPin::linkSourceUnderGate(TOWSourcePin& source, TOWBasicPin* dependsOn)
{
    {
        auto section = WriteLocked();
        if (!section)
            return false;
        link_.Source = link_.DirectSource = source.Borrow();
    }
    source.AddLink(this, dependsOn);
    if (!source.IsLinkedWith(this)) {
        auto section = WriteLocked();
        if (section)
            link_ = TLinkState{};
        return false;
    }
    {
        auto section = WriteLocked();
        if (!section)
            return false;
        link_.LinkedPin = link_.Source = source.Borrow();
    }
    OWPinLinksChanged();
    renegotiate(linkState().DirectSource);
    return true;
}

void TOWSinkPin::renegotiate(const TOWBorrowed<TOWBasicPin>& from)
{
    auto direct = Use(from);
    auto* stream = direct ? dynamic_cast<TOWStreamPin*>(direct.Get()) : nullptr;
    if (!stream)
        return;
    const TGUID negotiated = TOWSourcePin::Negotiate(*stream, this, true, false).StreamType;
    const TGUID resolved = ResolveType(stream, negotiated);
    const TOWStreamHandler handler = FindHandler(resolved);
    auto section = WriteLocked();
    if (!section || link_.DirectSource != from.Get())
        return;
    link_.StreamType = resolved;
    link_.Handler = handler;
}

bool TOWSinkPin::ConnectData(TOWBasicPin* pin, TOWBasicPin* dependsOn)
{
    if (pin == this)
        return false;
    TOWSelfUse self(*this);
    if (!self)
        return false;
    auto* source = dynamic_cast<TOWSourcePin*>(pin);
    // Held for the whole call: the link may wait for the former one, and the
    // source may be freed meanwhile.
    const auto sourceUse = Use(source ? source->Borrow() : TOWBorrowed<TOWBasicPin>());
    if (source && !sourceUse)
        return false;
    const bool silent = IsDesigning() && IsOwnerDestroying();
    std::vector<TOWBorrowed<TOWBasicPin>> unlinked;
    bool linkedSource = false;
    // Set where nothing was to be done (or may be done): no events then.
    bool quiet = false;
    // One try under the gate: the answer, or none when a delivery of the
    // former link still runs elsewhere and the link is to wait for it.
    const auto attempt = [&]() -> std::optional<bool> {
        const TOWLinkGate::TEnter gate(linkGate());
        const TLinkState current = linkState();
        quiet = true;
        if (!pin && !current.LinkedPin)
            return true;
        if (pin && pin == current.LinkedPin.Get()) {
            auto linked = Use(current.LinkedPin);
            if (!linked || linked->GetDependsOn(this) == dependsOn)
                return true;
        }
        if (pin && pin == current.DirectSource.Get())
            return true;
        if (!pin) {
            quiet = false;
            unlinkUnderGate(silent, unlinked);
            return true;
        }
        if (!CanLinkTypeAtAll(pin))
            return false;
        if (dependsOn && !pin->CanLink(this, dependsOn, true))
            return false;
        TOWStreamPin::DisconnectAll();
        unlinkUnderGate(false, unlinked);
        if (self.Gone())
            return false;
        quiet = false;
        if (!source) {
            const bool linked = pin->ConnectData(this, dependsOn);
            if (linked && dynamic_cast<TOWUnloadedPin*>(pin)) {
                auto section = WriteLocked();
                if (section)
                    link_.LinkedPin = pin->Borrow();
            }
            return linked;
        }
        // A source on its way out takes no link (and leaves the former
        // link's stop to be heard).
        if (source->DestroyLockObject().DestroyPending() != 0)
            return false;
        if (!formerLinksSettled())
            return std::nullopt;
        linkedSource = linkSourceUnderGate(*source, dependsOn);
        return linkedSource;
    };
    std::optional<bool> outcome;
    while (!(outcome = attempt()) && awaitFormerLinks(sourceUse, self)) {
    }
    const bool result = outcome.value_or(false);
    // Each side of a link that went is told once, after the gate and after
    // the new link is made: the old link's stop is dropped when the new
    // link's start follows it, and heard when no new link came.
    for (const auto& former : unlinked) {
        if (self.Gone())
            return result;
        owPinEvents::PinsUnlinked(this, former.Get());
        OWDependencyLinkWent(this, former.Get());
        if (auto formerPin = Use(former))
            formerPin->LinkRemoved();
        if (!self.Gone())
            LinkRemoved();
    }
    if (self.Gone() || quiet)
        return result;
    if (linkedSource) {
        const TLinkState linked = linkState();
        if (auto linkedTo = Use(linked.Source)) {
            if (auto* sourcePin = dynamic_cast<TOWSourcePin*>(linkedTo.Get()))
                sourcePin->AnnounceTo(this);
        }
        if (self.Gone())
            return result;
        if (auto direct = Use(linked.DirectSource)) {
            if (auto* stream = dynamic_cast<TOWStreamPin*>(direct.Get()))
                AdoptType(ResolveType(stream, TOWSourcePin::Negotiate(*stream, this, true, false).StreamType),
                          linkState().StreamType);
        }
    }
    if (self.Gone())
        return result;
    if (pin && result)
        owPinEvents::PinsLinked(this, pin);
    owPinEvents::PinChanged(this);
    return result;
}

void TOWSinkPin::RemoveLink(TOWBasicPin* source, bool keepPlaceholder)
{
    if (!source)
        return;
    TOWSelfUse self(*this);
    if (!self)
        return;
    std::vector<TOWBorrowed<TOWBasicPin>> unlinked;
    {
        const TOWLinkGate::TEnter gate(linkGate());
        if (linkState().LinkedPin.Get() != source)
            return;
        unlinkUnderGate(keepPlaceholder, unlinked, source);
    }
    for (const auto& former : unlinked) {
        if (self.Gone())
            return;
        owPinEvents::PinsUnlinked(this, former.Get());
        OWDependencyLinkWent(this, former.Get());
        if (auto formerPin = Use(former))
            formerPin->LinkRemoved();
        if (!self.Gone())
            LinkRemoved();
    }
    if (!self.Gone())
        owPinEvents::PinChanged(this);
}

void TOWSinkPin::SetDirectSource(TOWBasicPin* pin)
{
    auto section = WriteLocked();
    if (section)
        link_.DirectSource = pin ? pin->Borrow() : TOWBorrowed<TOWBasicPin>();
}

void TOWSinkPin::AttachConverterSource(TOWSourcePin& source, const TGUID& streamType)
{
    const TOWStreamHandler handler = FindHandler(streamType);
    auto section = WriteLocked();
    if (!section)
        return;
    link_.LinkedPin = link_.Source = link_.DirectSource = source.Borrow();
    link_.StreamType = streamType;
    link_.Handler = handler;
    link_.Internal = true;
}

void TOWSinkPin::DisconnectAll()
{
    TOWStreamPin::DisconnectAll();
    ConnectData(nullptr, nullptr);
}

void TOWSinkPin::Disconnect(TOWBasicPin* pin)
{
    if (pin && pin == GetLinkedPin())
        DisconnectAll();
    else
        TOWStreamPin::Disconnect(pin);
}

void TOWSinkPin::BeforeDisconnect()
{
    if (TOWBasicPin* linked = GetLinkedPin())
        RemoveLink(linked, false);
}

void TOWSinkPin::PinDestroying(TOWBasicPin* pin)
{
    TOWBasicSinkPin::PinDestroying(pin);
    const TLinkState state = linkState();
    if (pin && (pin == state.LinkedPin.Get() || pin == state.DirectSource.Get()))
        ConnectData(nullptr, nullptr);
}

bool TOWSinkPin::CanLink(TOWBasicPin* pin, TOWBasicPin* dependsOn, bool flag)
{
    return !pin || pin->CanLink(this, dependsOn, flag);
}

// ---------------------------------------------------------------- upstream

bool TOWSinkPin::SendOperation(const TOWNotifyOperationRef& operation)
{
    const TOWReleaseDeferral deferral;
    TOWSelfUse self(*this);
    if (!self)
        return false;
    const TLinkState state = linkState();
    if (!state.DirectSource || !state.Handler)
        return false;
    // A loop of upstream sends ends like a loop of deliveries.
    if (Nesting() > TOWSourcePin::maxDispatchNesting)
        throw EOWException(dependsOnItselfText);
    const TOWNestingGuard nesting(nestingCounter(), self);
    const TOWLockSectionRef ownerLetGo = letGoOfOwner();
    // Through a converter the operation goes to its output pin, which
    // forwards it upstream.
    auto target = Use(state.DirectSource);
    return target && state.Handler(target.Get(), state.StreamType, owLastTargetFlag, operation);
}

// ---------------------------------------------------------------- what is linked

TOWBasicPin* TOWSinkPin::GetDependsOn(TOWBasicPin* pin)
{
    const TLinkState state = linkState();
    // The source keeps the link's DependsOn, and so does a placeholder a
    // pending link waits on.
    if (pin && (pin == state.Source.Get() || (!state.Source && pin == state.LinkedPin.Get()))) {
        auto linked = Use(pin == state.Source.Get() ? state.Source : state.LinkedPin);
        return linked ? linked->GetDependsOn(this) : nullptr;
    }
    return TOWBasicSinkPin::GetDependsOn(pin);
}

TGUID TOWSinkPin::GetStreamType(TOWBasicPin*)
{
    return linkState().StreamType;
}

bool TOWSinkPin::IsFunctionDependent(TOWBasicPin* pin)
{
    auto source = Use(linkState().Source);
    return source && source->IsFunctionDependent(pin);
}

bool TOWSinkPin::IsFunctionDependentDeep(TOWBasicPin* pin)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Dependency);
    if (!walk)
        return false;
    const TLinkState state = linkState();
    if (pin && pin == state.Source.Get())
        return true;
    auto source = Use(state.Source);
    return source && source->IsFunctionDependentDeep(pin);
}

bool TOWSinkPin::IsConnected()
{
    return GetLinkedPin() != nullptr || TOWBasicSinkPin::IsConnected();
}

bool TOWSinkPin::IsLinkedWith(TOWBasicPin* pin)
{
    return (pin && pin == GetSource()) || TOWBasicSinkPin::IsLinkedWith(pin);
}

bool TOWSinkPin::IsLinkedThroughConverter(TOWBasicPin* pin)
{
    const TLinkState state = linkState();
    return pin && pin == state.Source.Get() && state.Source.Get() != state.DirectSource.Get();
}

bool TOWSinkPin::IsStateOwnedElsewhere()
{
    return HasDispatcher() && GetDirectSource() != nullptr;
}

bool TOWSinkPin::HasSourceToWrite()
{
    return GetSourceToWrite() != nullptr && !HasStateToWrite() && !IsStateOwnedElsewhere();
}

TOWBasicPin* TOWSinkPin::GetSourceToWrite()
{
    const TLinkState state = linkState();
    if (state.Source)
        return state.Source.Get();
    auto linked = Use(state.LinkedPin);
    auto* placeholder = dynamic_cast<TOWUnloadedPin*>(linked.Get());
    // A placeholder in a pin list of this sink's form is written with that
    // list, links and all; the link is not written twice.
    if (!placeholder || placeholder->WrittenWithListOf(GetRootName()))
        return nullptr;
    return placeholder;
}

bool TOWSinkPin::HasLinksToWrite()
{
    return TOWBasicSinkPin::HasLinksToWrite() || HasSourceToWrite();
}

int TOWSinkPin::GetLinkCount()
{
    return GetSource() ? 1 : 0;
}

TOWBasicPin* TOWSinkPin::GetLink(int index)
{
    return index == 0 ? GetSource() : nullptr;
}

std::string TOWSinkPin::GetLinkText()
{
    auto source = Use(linkState().Source);
    if (!source)
        return TOWBasicSinkPin::GetLinkText();
    return source->GetIndexPath(source->GetRootName() != GetRootName());
}

bool TOWSinkPin::IsLinkedToName(const std::string& name)
{
    return GetLinkText() == name;
}

// ---------------------------------------------------------------- dispatchers

bool TOWSinkPin::CanJoinDispatcher(TOWStateDispatcher* dispatcher, TOWBasicPin* dependsOn)
{
    // Other sinks in the dispatcher are fed as this one is: only the pins
    // that deliver need to suit it.
    return canLinkToMembers(dispatcher,
                            [](TOWBasicPin& member) { return dynamic_cast<TOWBasicSinkPin*>(&member) != nullptr; });
}

bool TOWSinkPin::JoinDispatcherData(TOWStateDispatcher* dispatcher, TOWBasicPin* dependsOn)
{
    if (dispatcher && IsDispatcher(dispatcher))
        return true;
    TOWSelfUse self(*this);
    if (!self)
        return false;
    bool reentered = false;
    {
        auto section = WriteLocked();
        if (!section)
            return false;
        reentered = joining_;
    }
    if (reentered)
        return TOWBasicSinkPin::JoinDispatcherData(dispatcher, dependsOn);
    leaveDispatcher(this);
    if (!dispatcher || self.Gone())
        return false;
    BeforeDisconnect();
    {
        auto section = WriteLocked();
        if (!section)
            return false;
        joining_ = true;
    }
    bool joined = false;
    for (const TOWDispatcherPinStorage& member : dispatcher->Members()) {
        auto pin = Use(member.Member);
        if (!pin || pin.Get() == this)
            continue;
        if (pin->LinkStateData(this, dependsOn)) {
            joined = true;
            break;
        }
        if (self.Gone())
            return false;
    }
    if (self.Gone())
        return joined;
    {
        auto section = WriteLocked();
        if (section)
            joining_ = false;
    }
    if (!joined)
        return false;
    Changed();
    if (!self.Gone())
        owPinEvents::PinsLinked(this, dispatcher);
    return true;
}

void TOWSinkPin::Changed()
{
    if (TOWStateDispatcherRef dispatcher = GetDispatcher())
        dispatcher->PinChanged(this);
}

// ---------------------------------------------------------------- types

TOWQueryResult TOWSinkPin::QueryInterface(const TGUID& iid, void*& object)
{
    const TOWQueryResult own = TOWBasicSinkPin::QueryInterface(iid, object);
    if (own != owInterfaceFound)
        return own;
    const TOWQueryResult downstream = QueryOfferedType(iid);
    if (downstream != owInterfaceFound)
        object = nullptr;
    return downstream;
}

TGUID TOWSinkPin::GetCurrentStreamType()
{
    const TGUID own = linkState().StreamType;
    return own.IsNull() ? TOWBasicSinkPin::GetCurrentStreamType() : own;
}

void TOWSinkPin::GetOfferedTypes(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    TOWBasicSinkPin::GetOfferedTypes(list, origin);
    const TOWPinWalkGuard walk(this, TOWWalkKind::Offered);
    if (!walk)
        return;
    DependentsNarrowByInterface(list, origin);
}

void TOWSinkPin::GetAcceptedTypes(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    TOWBasicSinkPin::GetOfferedTypes(list, origin);
    const TOWPinWalkGuard walk(this, TOWWalkKind::Accepted);
    if (!walk)
        return;
    DependentsNarrowByTable(list, origin);
}

TOWQueryResult TOWSinkPin::QueryOfferedType(const TGUID& iid)
{
    if (!HasDataTypeDependents())
        return owInterfaceFound;
    const TOWPinWalkGuard walk(this, TOWWalkKind::Offered);
    if (!walk)
        return owInterfaceFound;
    return owTypeWalk::FirstRefusal<TOWSourcePin>(DataTypeDependents(),
                                                  [&](TOWSourcePin& source) { return source.SourceQueryByTable(iid, this); });
}

TOWQueryResult TOWSinkPin::QueryAcceptedType(const TGUID& iid)
{
    if (!HasDataTypeDependents())
        return owInterfaceFound;
    const TOWPinWalkGuard walk(this, TOWWalkKind::Accepted);
    if (!walk)
        return owInterfaceFound;
    return owTypeWalk::FirstRefusal<TOWSourcePin>(DataTypeDependents(),
                                                  [&](TOWSourcePin& source) { return source.SourceQueryByInterface(iid, this); });
}

void TOWSinkPin::NarrowUpstream(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    narrowWalk(TOWWalkKind::Upstream, list, origin, [&] {
        auto linked = Use(linkState().Source);
        auto* source = linked ? dynamic_cast<TOWSourcePin*>(linked.Get()) : nullptr;
        if (!source) {
            OrderByOwnTypes(list);
            SinkNarrowByInterface(list, origin);
            return;
        }
        NarrowThroughSource(*source, list, origin);
    });
}

void TOWSinkPin::NarrowDownstream(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    narrowWalk(TOWWalkKind::Downstream, list, origin, [&] {
        if (AcceptsAny())
            return;
        auto linked = Use(linkState().Source);
        auto* source = linked ? dynamic_cast<TOWSourcePin*>(linked.Get()) : nullptr;
        if (!source) {
            SinkNarrowOwn(list, origin);
            return;
        }
        if (source == origin) {
            owTypeWalk::ForEach<TOWBasicSinkPin>(source->SinksSnapshot(),
                                                 [&](TOWBasicSinkPin& sink) { sink.SinkNarrowOwn(list, origin); });
            return;
        }
        const auto dependencies = source->DataTypeDependencies().Snapshot();
        if (dependencies.empty()) {
            source->SourceNarrowByInterface(list, origin);
            return;
        }
        owTypeWalk::ForEach<TOWBasicSinkPin>(dependencies, [&](TOWBasicSinkPin& sink) { sink.NarrowDownstream(list, origin); });
    });
}

TOWQueryResult TOWSinkPin::QueryUpstream(const TGUID& iid, TOWBasicPin* origin)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Upstream);
    if (!walk)
        return owInterfaceFound;
    auto linked = Use(linkState().Source);
    auto* source = linked ? dynamic_cast<TOWSourcePin*>(linked.Get()) : nullptr;
    if (origin == this || !source)
        return SinkQueryType(iid, origin);
    const auto dependencies = source->DataTypeDependencies().Snapshot();
    if (source == origin || dependencies.empty())
        return source->SourceQueryByTable(iid, origin);
    return owTypeWalk::FirstRefusal<TOWBasicSinkPin>(
        dependencies, [&](TOWBasicSinkPin& sink) { return sink.QueryUpstream(iid, origin); });
}

TOWQueryResult TOWSinkPin::QueryDownstream(const TGUID& iid, TOWBasicPin* origin)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Downstream);
    if (!walk)
        return owInterfaceFound;
    auto linked = Use(linkState().Source);
    auto* source = linked ? dynamic_cast<TOWSourcePin*>(linked.Get()) : nullptr;
    if (origin == this || !source)
        return SinkQueryOwnType(iid, origin);
    if (AcceptsAny())
        return owInterfaceFound;
    const auto dependencies = source->DataTypeDependencies().Snapshot();
    if (source == origin || dependencies.empty())
        return source->SourceQueryByInterface(iid, origin);
    return owTypeWalk::FirstRefusal<TOWBasicSinkPin>(
        dependencies, [&](TOWBasicSinkPin& sink) { return sink.QueryDownstream(iid, origin); });
}

void TOWSinkPin::TypeChanged(TOWBasicPin* origin, const TGUID& streamType)
{
    const TLinkState state = linkState();
    if (auto direct = Use(state.DirectSource)) {
        if (auto* source = dynamic_cast<TOWSourcePin*>(direct.Get()))
            source->Renegotiate(this);
    }
    renegotiate(state.DirectSource);
}

void TOWSinkPin::SourceTypeChanged(TOWBasicPin* origin, const TGUID& streamType)
{
    renegotiate(linkState().DirectSource);
    for (const auto& borrowed : DataTypeDependents()) {
        auto pin = Use(borrowed);
        auto* source = pin ? dynamic_cast<TOWSourcePin*>(pin.Get()) : nullptr;
        if (!source)
            continue;
        for (const auto& borrowed : source->SinksSnapshot()) {
            if (auto sink = Use(borrowed))
                source->Renegotiate(sink.Get());
        }
    }
}

std::string TOWSinkPin::GetTypeCaption()
{
    const TGUID own = linkState().StreamType;
    return StreamTypeCaption(own.IsNull() ? TOWBasicSinkPin::GetCurrentStreamType() : own);
}

std::string TOWSinkPin::GetSourceTypeCaption()
{
    const TGUID own = GetStreamType(nullptr);
    return StreamTypeCaption(own.IsNull() ? TOWBasicSinkPin::GetCurrentStreamType() : own);
}
