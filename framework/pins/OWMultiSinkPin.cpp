#include "framework/pins/OWMultiSinkPin.h"

#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/pins/OWPinEvents.h"
#include "framework/pins/OWSourcePin.h"
#include "framework/pins/OWTypeWalks.h"
#include "framework/pins/OWUnloadedPin.h"

const TClassInfo& TOWMultiSinkPin::StaticClassInfo()
{
    static const TClassInfo info("TOWMultiSinkPin", &TOWBasicSinkPin::StaticClassInfo(), {});
    return info;
}

TOWMultiSinkPin::TOWMultiSinkPin(TComponent* owner, IOWLock* lock) : TOWBasicSinkPin(owner, lock)
{
}

TOWMultiSinkPin::~TOWMultiSinkPin() = default;

std::vector<TOWBorrowed<TOWBasicPin>> TOWMultiSinkPin::sourcesSnapshot()
{
    std::vector<TOWBorrowed<TOWBasicPin>> result;
    auto section = ReadLocked();
    if (!section)
        return result;
    for (const TOWPinEntry& entry : sources_.Entries())
        result.push_back(entry.Sink);
    return result;
}

std::vector<TOWMultiSinkPin::TSourceLink> TOWMultiSinkPin::sourceLinksSnapshot()
{
    std::vector<TSourceLink> result;
    auto section = ReadLocked();
    if (!section)
        return result;
    for (const TOWPinEntry& entry : sources_.Entries())
        result.push_back({entry.Sink, entry.DependsOn});
    return result;
}

int TOWMultiSinkPin::GetSourceCount()
{
    auto section = ReadLocked();
    return section ? sources_.Count() : 0;
}

TOWBasicPin* TOWMultiSinkPin::GetSourceAt(int index)
{
    auto section = ReadLocked();
    if (!section || index < 0 || index >= sources_.Count())
        return nullptr;
    return sources_.Items(index).Sink.Get();
}

std::vector<TOWPinEntry> TOWMultiSinkPin::SourceEntries()
{
    auto section = WriteLocked();
    if (!section)
        return {};
    route_.Settle();
    return sources_.Entries();
}

// ---------------------------------------------------------------- linking

bool TOWMultiSinkPin::ConnectData(TOWBasicPin* pin, TOWBasicPin* dependsOn)
{
    if (pin == this)
        return false;
    if (!pin) {
        DisconnectAll();
        return true;
    }
    auto* source = dynamic_cast<TOWSourcePin*>(pin);
    if (!source)
        return TOWBasicSinkPin::ConnectData(pin, dependsOn);
    TOWSelfUse self(*this);
    if (!self)
        return false;
    // Held for the whole call, as a sink holds its source (TOWSinkPin).
    const auto sourceUse = Use(source->Borrow());
    if (!sourceUse)
        return false;
    for (bool linked = false; !linked;) {
        {
            const TOWLinkGate::TEnter gate(linkGate());
            if (IsLinkedWith(pin))
                return true;
            if (!CanLinkTypeAtAll(pin))
                return false;
            if (dependsOn && !pin->CanLink(this, dependsOn, true))
                return false;
            linked = formerLinksSettled();
            if (linked) {
                {
                    auto section = WriteLocked();
                    if (!section)
                        return false;
                    linkingDirect_ = pin->Borrow();
                }
                source->AddLink(this, dependsOn);
                if (self.Gone())
                    return false;
                if (!source->IsLinkedWith(this))
                    return false;
                AddLink(source, dependsOn);
            }
        }
        if (!linked && !awaitFormerLinks(sourceUse, self))
            return false;
    }
    source->AnnounceTo(this);
    if (self.Gone())
        return true;
    owPinEvents::PinsLinked(this, pin);
    owPinEvents::PinChanged(this);
    return true;
}

void TOWMultiSinkPin::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TOWMultiSinkPin*>(&source);
    if (!other) {
        TOWBasicSinkPin::Assign(source);
        return;
    }
    if (other == this)
        return;
    // Reading the other's links takes its section, which is no change of it.
    const auto links = const_cast<TOWMultiSinkPin*>(other)->sourceLinksSnapshot();
    // Links to sources not loaded yet are kept by the placeholders they wait
    // on, not by the pin.
    const auto pending = TOWUnloadedPin::PendingLinksOf(*other);
    TOWSelfUse self(*this);
    if (!self)
        return;
    DisconnectAll();
    const auto linkTo = [&](const TOWBorrowed<TOWBasicPin>& far, const TOWBorrowed<TOWBasicPin>& dependsOn) {
        auto pin = Use(far);
        auto dependency = Use(dependsOn);
        if (pin)
            ConnectData(pin.Get(), dependency.Get());
    };
    for (const TSourceLink& link : links) {
        if (self.Gone())
            return;
        linkTo(link.Source, link.DependsOn);
    }
    for (const TOWUnloadedPin::TPendingLink& link : pending) {
        if (self.Gone())
            return;
        linkTo(link.Placeholder, link.DependsOn);
    }
}

void TOWMultiSinkPin::SetDirectSource(TOWBasicPin* pin)
{
    auto section = WriteLocked();
    if (section && pin)
        linkingDirect_ = pin->Borrow();
}

void TOWMultiSinkPin::AddLink(TOWBasicPin* source, TOWBasicPin* dependsOn)
{
    if (!source)
        return;
    TOWBorrowed<TOWBasicPin> direct;
    {
        auto section = WriteLocked();
        if (!section || sources_.IndexOfSink(source) >= 0)
            return;
        direct = std::exchange(linkingDirect_, {});
    }
    if (!direct)
        direct = source->Borrow();
    TOWPinEntry entry;
    entry.Target = direct;
    entry.Sink = source->Borrow();
    if (dependsOn)
        entry.DependsOn = dependsOn->Borrow();
    {
        auto section = WriteLocked();
        if (!section || sources_.IndexOfSink(source) >= 0)
            return;
        sources_.Add(std::move(entry));
        route_.Changed();
    }
    OWPinLinksChanged();
    renegotiate(source->Borrow());
}

void TOWMultiSinkPin::renegotiate(const TOWBorrowed<TOWBasicPin>& source)
{
    TOWBorrowed<TOWBasicPin> direct;
    {
        auto section = ReadLocked();
        if (!section)
            return;
        const int index = sources_.IndexOfSink(source.Get());
        if (index < 0)
            return;
        direct = sources_.Items(index).Target;
    }
    auto from = Use(direct);
    auto* stream = from ? dynamic_cast<TOWStreamPin*>(from.Get()) : nullptr;
    if (!stream)
        return;
    const TGUID type = ResolveType(stream, TOWSourcePin::Negotiate(*stream, this, true, false).StreamType);
    const TOWStreamHandler handler = FindHandler(type);
    auto section = WriteLocked();
    if (!section)
        return;
    const int index = sources_.IndexOfSink(source.Get());
    if (index < 0)
        return;
    sources_.Items(index).StreamType = type;
    sources_.Items(index).Handler = handler;
    route_.Changed();
}

void TOWMultiSinkPin::RemoveLink(TOWBasicPin* source, bool keepPlaceholder)
{
    if (!source)
        return;
    TOWSelfUse self(*this);
    if (!self)
        return;
    TOWBorrowed<TOWBasicPin> former;
    {
        const TOWLinkGate::TEnter gate(linkGate());
        {
            auto section = WriteLocked();
            if (!section)
                return;
            const int index = sources_.IndexOfSink(source);
            if (index < 0)
                return;
            former = sources_.Items(index).Sink;
            sources_.Delete(index);
            for (TOWPinEntry& entry : sources_.Entries()) {
                if (entry.DependsOn.Get() == source)
                    entry.DependsOn = {};
            }
            route_.Changed();
        }
        OWPinLinksChanged();
        if (auto linked = Use(former))
            linked->RemoveLink(this, keepPlaceholder);
    }
    if (self.Gone())
        return;
    owPinEvents::PinsUnlinked(this, former.Get());
    OWDependencyLinkWent(this, former.Get());
    if (auto linked = Use(former))
        linked->LinkRemoved();
    if (self.Gone())
        return;
    LinkRemoved();
    if (!self.Gone())
        owPinEvents::PinChanged(this);
}

void TOWMultiSinkPin::DisconnectAll()
{
    TOWSelfUse self(*this);
    if (!self)
        return;
    TOWBasicSinkPin::DisconnectAll();
    const auto sources = sourcesSnapshot();
    for (auto it = sources.rbegin(); it != sources.rend() && !self.Gone(); ++it)
        RemoveLink(it->Get(), false);
    // Nor does it wait for sources not loaded yet.
    if (!self.Gone())
        OWLetGoOfPendingLinks(*this);
}

void TOWMultiSinkPin::Disconnect(TOWBasicPin* pin)
{
    if (IsLinkedWith(pin) && !TOWBasicSinkPin::IsLinkedWith(pin))
        RemoveLink(pin, false);
    else
        TOWBasicSinkPin::Disconnect(pin);
}

bool TOWMultiSinkPin::CanLink(TOWBasicPin* pin, TOWBasicPin* dependsOn, bool flag)
{
    return !pin || pin->CanLink(this, dependsOn, flag);
}

void TOWMultiSinkPin::PinDestroying(TOWBasicPin* pin)
{
    TOWBasicSinkPin::PinDestroying(pin);
    bool linked = false;
    {
        auto section = ReadLocked();
        linked = section && sources_.IndexOfSink(pin) >= 0;
    }
    if (linked)
        RemoveLink(pin, false);
}

void TOWMultiSinkPin::PinReplaced(TOWBasicPin* oldPin, TOWBasicPin* newPin)
{
    auto section = WriteLocked();
    if (!section)
        return;
    for (TOWPinEntry& entry : sources_.Entries()) {
        if (entry.DependsOn.Get() == oldPin) {
            entry.DependsOn = newPin ? newPin->Borrow() : TOWBorrowed<TOWBasicPin>();
            route_.Changed();
        }
    }
}

bool TOWMultiSinkPin::SendOperation(const TOWNotifyOperationRef& operation)
{
    return route_.Deliver(*this, nullptr, operation);
}

// ---------------------------------------------------------------- what is linked

TOWBasicPin* TOWMultiSinkPin::GetDependsOn(TOWBasicPin* pin)
{
    {
        auto section = ReadLocked();
        if (!section)
            return nullptr;
        const int index = sources_.IndexOfSink(pin);
        if (index >= 0)
            return sources_.Items(index).DependsOn.Get();
    }
    return TOWBasicSinkPin::GetDependsOn(pin);
}

TGUID TOWMultiSinkPin::GetStreamType(TOWBasicPin* source)
{
    auto section = ReadLocked();
    if (!section)
        return GUID_NULL;
    const int index = sources_.IndexOfSink(source);
    if (index >= 0)
        return sources_.Items(index).StreamType;
    return sources_.Count() > 0 ? sources_.Items(0).StreamType : GUID_NULL;
}

bool TOWMultiSinkPin::IsFunctionDependentDeep(TOWBasicPin* pin)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Dependency);
    if (!walk)
        return false;
    for (const auto& borrowed : sourcesSnapshot()) {
        if (borrowed.Get() == pin)
            return true;
        auto source = Use(borrowed);
        if (source && source->IsFunctionDependentDeep(pin))
            return true;
    }
    return false;
}

bool TOWMultiSinkPin::IsConnected()
{
    return HasSources() || TOWBasicSinkPin::IsConnected();
}

bool TOWMultiSinkPin::IsLinkedWith(TOWBasicPin* pin)
{
    {
        auto section = ReadLocked();
        if (section && sources_.IndexOfSink(pin) >= 0)
            return true;
    }
    return TOWBasicSinkPin::IsLinkedWith(pin);
}

bool TOWMultiSinkPin::IsLinkedWithData(TOWBasicPin* pin, TOWBasicPin* dependsOn)
{
    {
        auto section = ReadLocked();
        if (section) {
            const int index = sources_.IndexOfSink(pin);
            if (index >= 0 && sources_.Items(index).DependsOn.Get() == dependsOn)
                return true;
        }
    }
    return TOWBasicSinkPin::IsLinkedWithData(pin, dependsOn);
}

std::string TOWMultiSinkPin::GetLinkText()
{
    const auto sources = sourcesSnapshot();
    if (sources.empty())
        return TOWBasicSinkPin::GetLinkText();
    if (sources.size() == 1) {
        if (auto source = Use(sources.front()))
            return source->GetIndexPath(source->GetRootName() != GetRootName());
        return TOWBasicSinkPin::GetLinkText();
    }
    return "( " + std::to_string(sources.size()) + " Links )";
}

bool TOWMultiSinkPin::IsLinkedToName(const std::string& name)
{
    const std::string ownRoot = GetRootName();
    for (const auto& borrowed : sourcesSnapshot()) {
        auto source = Use(borrowed);
        if (source && source->GetIndexPath(source->GetRootName() != ownRoot) == name)
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- types

void TOWMultiSinkPin::NarrowUpstream(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    narrowWalk(TOWWalkKind::Upstream, list, origin, [&] {
        const auto sources = sourcesSnapshot();
        if (sources.empty()) {
            OrderByOwnTypes(list);
            SinkNarrowByInterface(list, origin);
            return;
        }
        owTypeWalk::ForEach<TOWSourcePin>(sources, [&](TOWSourcePin& source) { source.SourceNarrowByTable(list, origin); });
    });
}

void TOWMultiSinkPin::NarrowDownstream(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    narrowWalk(TOWWalkKind::Downstream, list, origin, [&] {
        if (!AcceptsAny())
            SinkNarrowOwn(list, origin);
    });
}

void TOWMultiSinkPin::RestrictTypes(TOWPinTypeRestricted& list)
{
    owTypeWalk::ForEach<TOWSourcePin>(sourcesSnapshot(),
                                      [&](TOWSourcePin& source) { NarrowThroughSource(source, list, this); });
}

TOWQueryResult TOWMultiSinkPin::QueryUpstream(const TGUID& iid, TOWBasicPin* origin)
{
    return SinkQueryType(iid, origin);
}

TOWQueryResult TOWMultiSinkPin::QueryDownstream(const TGUID& iid, TOWBasicPin* origin)
{
    return SinkQueryOwnType(iid, origin);
}

void TOWMultiSinkPin::TypeChanged(TOWBasicPin* origin, const TGUID& streamType)
{
    for (const auto& borrowed : sourcesSnapshot()) {
        if (auto source = Use(borrowed)) {
            if (auto* sourcePin = dynamic_cast<TOWSourcePin*>(source.Get()))
                sourcePin->Renegotiate(this);
        }
        renegotiate(borrowed);
    }
}

void TOWMultiSinkPin::SourceTypeChanged(TOWBasicPin* origin, const TGUID& streamType)
{
    for (const auto& borrowed : sourcesSnapshot())
        renegotiate(borrowed);
}

std::string TOWMultiSinkPin::GetTypeCaption()
{
    TGUID first = GUID_NULL;
    bool mixed = false;
    {
        auto section = ReadLocked();
        if (!section)
            return StreamTypeCaption(GUID_NULL);
        for (int i = 0; i < sources_.Count(); ++i) {
            const TGUID& type = sources_.Items(i).StreamType;
            if (i == 0)
                first = type;
            else if (type != first)
                mixed = true;
        }
    }
    if (mixed)
        return "Multiple...";
    return StreamTypeCaption(first.IsNull() ? GetCurrentStreamType() : first);
}
