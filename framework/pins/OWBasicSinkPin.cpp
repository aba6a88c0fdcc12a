#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/pins/OWSinkPin.h"
#include "framework/pins/OWSourcePin.h"
#include "framework/pins/OWStatePin.h"
#include "framework/pins/OWTypeWalks.h"

#include <algorithm>

using namespace owTypeWalk;

const TClassInfo& TOWBasicSinkPin::StaticClassInfo()
{
    static const TClassInfo info("TOWBasicSinkPin", &TOWStreamPin::StaticClassInfo(), {});
    return info;
}

bool TOWBasicSinkPin::CanLinkType(TOWBasicPin* pin, TOWFormatConverter*& converter, bool flag,
                                  const TOWFormatConverterClass*& converterClass)
{
    if (!linkTypeMayGoOn(pin, converter, converterClass))
        return false;
    if (TOWStreamPin::CanLinkType(pin, converter, flag, converterClass))
        return true;
    if (pin == this)
        return false;
    // A source that depends on this sink through its component would make a
    // loop.
    return CanConnectTo(pin, flag) && !pin->IsFunctionDependentDeep(this);
}

bool TOWBasicSinkPin::CanConnectTo(TOWBasicPin* pin, bool flag)
{
    if (!pin)
        return true;
    if (auto* source = dynamic_cast<TOWSourcePin*>(pin))
        return source->CanSupply(this, flag) && (AcceptsAny() || CanReceiveFrom(pin, flag));
    return TOWStreamPin::CanConnectTo(pin, flag);
}

bool TOWBasicSinkPin::CanReceiveFrom(TOWBasicPin* source, bool flag)
{
    if (AcceptsAny())
        return true;
    auto* stream = dynamic_cast<TOWStreamPin*>(source);
    if (!stream)
        return false;
    const TOWNegotiation negotiated = TOWSourcePin::Negotiate(*stream, this, flag, true);
    if (negotiated.StreamType.IsNull())
        return false;
    // Through a converter the negotiation has checked the converter's output
    // against this sink already.
    if (negotiated.Converter || negotiated.ConverterClass)
        return true;
    return !ResolveType(source, negotiated.StreamType).IsNull();
}

TGUID TOWBasicSinkPin::ResolveType(TOWBasicPin* source, const TGUID& streamType)
{
    if (streamType.IsNull())
        return GUID_NULL;
    void* unused = nullptr;
    auto takes = [&](const TGUID& type) { return QueryInterface(type, unused) == owInterfaceFound; };
    TOWPinTypeRestricted accepted;
    if (auto* stream = dynamic_cast<TOWStreamPin*>(source))
        stream->GetAcceptedTypes(accepted, source);
    const auto& list = accepted.Entries();
    const bool listed = list.empty() || InTable(list, streamType);
    if (listed && takes(streamType))
        return streamType;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (takes(it->StreamType))
            return it->StreamType;
    }
    return GUID_NULL;
}

void TOWBasicSinkPin::AdoptType(const TGUID& resolved, const TGUID& current)
{
    if (resolved != current)
        TypeChanged(this, resolved);
}

bool TOWBasicSinkPin::AcceptsAny()
{
    if (acceptsAnyType_.load(std::memory_order_relaxed))
        return true;
    auto section = ReadLocked();
    return section && streamTypes().Count() == 0;
}

// ---------------------------------------------------------------- dependents

void TOWBasicSinkPin::DependencyAdded(TOWDependencyKind kind, TOWStreamPin& source)
{
    auto section = WriteLocked();
    if (!section)
        return;
    auto& list = kind == TOWDependencyKind::Function ? functionDependents_ : dataTypeDependents_;
    if (std::find(list.begin(), list.end(), &source) == list.end())
        list.push_back(source.Borrow());
    dataTypeDependentCount_.store(static_cast<int>(dataTypeDependents_.size()), std::memory_order_release);
    // What this sink takes now depends on that source's sinks too.
    OWPinLinksChanged();
}

void TOWBasicSinkPin::DependencyRemoved(TOWDependencyKind kind, TOWStreamPin& source)
{
    auto section = WriteLocked();
    if (!section)
        return;
    auto& list = kind == TOWDependencyKind::Function ? functionDependents_ : dataTypeDependents_;
    std::erase(list, &source);
    dataTypeDependentCount_.store(static_cast<int>(dataTypeDependents_.size()), std::memory_order_release);
    OWPinLinksChanged();
}

void TOWBasicSinkPin::PinDestroying(TOWBasicPin* pin)
{
    auto section = WriteLocked();
    if (!section)
        return;
    std::erase(functionDependents_, pin);
    std::erase(dataTypeDependents_, pin);
    dataTypeDependentCount_.store(static_cast<int>(dataTypeDependents_.size()), std::memory_order_release);
}

std::vector<TOWBorrowed<TOWBasicPin>> TOWBasicSinkPin::FunctionDependents()
{
    auto section = ReadLocked();
    return section ? functionDependents_ : std::vector<TOWBorrowed<TOWBasicPin>>();
}

std::vector<TOWBorrowed<TOWBasicPin>> TOWBasicSinkPin::DataTypeDependents()
{
    auto section = ReadLocked();
    return section ? dataTypeDependents_ : std::vector<TOWBorrowed<TOWBasicPin>>();
}

// ---------------------------------------------------------------- type walks

void TOWBasicSinkPin::SinkNarrowByInterface(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Narrow);
    if (!walk)
        return;
    if (origin != this)
        KeepAnswered(*this, list);
    DependentsNarrowByTable(list, origin);
}

void TOWBasicSinkPin::SinkNarrowOwn(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Narrow);
    if (!walk)
        return;
    if (origin != this && !AcceptsAny()) {
        const auto own = StreamTypesCopy();
        RemoveIf(list, [&](const TGUID& type) { return !InTable(own, type); });
    }
    DependentsNarrowByInterface(list, origin);
}

TOWQueryResult TOWBasicSinkPin::SinkQueryOwnType(const TGUID& iid, TOWBasicPin* origin)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Query);
    if (!walk)
        return owInterfaceFound;
    if (origin != this && !AcceptsAny() && !InTable(StreamTypesCopy(), iid))
        return owNoInterface;
    return FirstRefusal<TOWSourcePin>(DataTypeDependents(),
                        [&](TOWSourcePin& source) { return source.SourceQueryByInterface(iid, origin); });
}

TOWQueryResult TOWBasicSinkPin::SinkQueryType(const TGUID& iid, TOWBasicPin* origin)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Query);
    if (!walk)
        return owInterfaceFound;
    if (origin != this) {
        void* unused = nullptr;
        const TOWQueryResult own = QueryInterface(iid, unused);
        if (own != owInterfaceFound)
            return own;
    }
    return FirstRefusal<TOWSourcePin>(DataTypeDependents(),
                        [&](TOWSourcePin& source) { return source.SourceQueryByTable(iid, origin); });
}

void TOWBasicSinkPin::DependentsNarrowByTable(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    ForEach<TOWSourcePin>(DataTypeDependents(), [&](TOWSourcePin& source) { source.SourceNarrowByTable(list, origin); });
}

void TOWBasicSinkPin::DependentsNarrowByInterface(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    ForEach<TOWSourcePin>(DataTypeDependents(), [&](TOWSourcePin& source) { source.SourceNarrowByInterface(list, origin); });
}

void TOWBasicSinkPin::NarrowThroughSource(TOWSourcePin& source, TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    if (&source == origin) {
        for (const auto& borrowed : source.SinksSnapshot()) {
            auto pin = Use(borrowed);
            if (auto* sink = pin ? dynamic_cast<TOWBasicSinkPin*>(pin.Get()) : nullptr; sink && sink != this)
                sink->SinkNarrowByInterface(list, origin);
        }
        return;
    }
    const auto dependencies = source.DataTypeDependencies().Snapshot();
    if (dependencies.empty()) {
        source.OrderByOwnTypes(list);
        source.SourceNarrowByTable(list, origin);
        return;
    }
    ForEach<TOWBasicSinkPin>(dependencies, [&](TOWBasicSinkPin& sink) { sink.NarrowUpstream(list, origin); });
}

// ---------------------------------------------------------------- relinking

bool TOWBasicSinkPin::formerLinksSettled()
{
    const TOWIntf<TOWLinkHearing> hearing = LinkHearing();
    hearing->CloseFormerLinks();
    if (hearing->FormerLinksRunElsewhere())
        return false;
    // A stop admitted between the two looks is seen by the second.
    hearing->CloseKeptStops();
    return !hearing->FormerLinksRunElsewhere();
}

bool TOWBasicSinkPin::awaitFormerLinks(const TOWUse<TOWBasicPin>& source, const TOWSelfUse& self)
{
    // Kept apart from the pin: the sink may be freed while this thread waits.
    const TOWIntf<TOWLinkHearing> hearing = LinkHearing();
    {
        const TOWLockSectionRef ownLetGo = letGoOfOwner();
        const auto* sourcePin = dynamic_cast<const TOWPin*>(source.Get());
        const TOWLockSectionRef sourceLetGo = letGoOf(sourcePin ? sourcePin->OwnerLock() : nullptr);
        if (!hearing->WaitForFormerLinks())
            return false;
    }
    return !self.Gone() && static_cast<bool>(source);
}
