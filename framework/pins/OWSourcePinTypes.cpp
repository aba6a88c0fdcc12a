// The type side of a source pin: what it offers and accepts through the sink
// pins of its component it depends on, the walks of the source side and the
// dependency questions.
#include "framework/pins/OWSinkPin.h"
#include "framework/pins/OWSourcePin.h"
#include "framework/pins/OWTypeWalks.h"

#include <algorithm>

using namespace owTypeWalk;

TOWQueryResult TOWSourcePin::QueryInterface(const TGUID& iid, void*& object)
{
    const TOWQueryResult own = TOWStreamPin::QueryInterface(iid, object);
    if (own != owInterfaceFound)
        return own;
    const TOWQueryResult accepted = QueryAcceptedType(iid);
    if (accepted != owInterfaceFound)
        object = nullptr;
    return accepted;
}

void TOWSourcePin::GetOfferedTypes(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    TOWStreamPin::GetOfferedTypes(list, origin);
    const TOWPinWalkGuard walk(this, TOWWalkKind::Offered);
    if (!walk)
        return;
    ForEach<TOWBasicSinkPin>(dataTypeDependencies_.Snapshot(), [&](TOWBasicSinkPin& sink) { sink.NarrowUpstream(list, origin); });
}

void TOWSourcePin::GetAcceptedTypes(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    TOWStreamPin::GetOfferedTypes(list, origin);
    const TOWPinWalkGuard walk(this, TOWWalkKind::Accepted);
    if (!walk)
        return;
    ForEach<TOWBasicSinkPin>(dataTypeDependencies_.Snapshot(), [&](TOWBasicSinkPin& sink) { sink.NarrowDownstream(list, origin); });
}

TOWQueryResult TOWSourcePin::QueryOfferedType(const TGUID& iid)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Offered);
    if (!walk)
        return owInterfaceFound;
    return FirstRefusal<TOWBasicSinkPin>(dataTypeDependencies_.Snapshot(),
                        [&](TOWBasicSinkPin& sink) { return sink.SinkQueryType(iid, this); });
}

TOWQueryResult TOWSourcePin::QueryAcceptedType(const TGUID& iid)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Accepted);
    if (!walk)
        return owInterfaceFound;
    return FirstRefusal<TOWBasicSinkPin>(dataTypeDependencies_.Snapshot(),
                        [&](TOWBasicSinkPin& sink) { return sink.SinkQueryOwnType(iid, this); });
}

void TOWSourcePin::SourceNarrowByTable(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Narrow);
    if (!walk)
        return;
    if (origin != this) {
        const auto own = StreamTypesCopy();
        RemoveIf(list, [&](const TGUID& type) { return !InTable(own, type); });
    }
    ForEach<TOWBasicSinkPin>(SinksSnapshot(), [&](TOWBasicSinkPin& sink) { sink.SinkNarrowByInterface(list, origin); });
}

void TOWSourcePin::SourceNarrowByInterface(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Narrow);
    if (!walk)
        return;
    if (origin != this)
        KeepAnswered(*this, list);
    ForEach<TOWBasicSinkPin>(SinksSnapshot(), [&](TOWBasicSinkPin& sink) { sink.SinkNarrowOwn(list, origin); });
}

TOWQueryResult TOWSourcePin::SourceQueryByTable(const TGUID& iid, TOWBasicPin* origin)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Query);
    if (!walk)
        return owInterfaceFound;
    if (origin != this && !InTable(StreamTypesCopy(), iid))
        return owNoInterface;
    return FirstRefusal<TOWBasicSinkPin>(SinksSnapshot(), [&](TOWBasicSinkPin& sink) { return sink.SinkQueryType(iid, origin); });
}

TOWQueryResult TOWSourcePin::SourceQueryByInterface(const TGUID& iid, TOWBasicPin* origin)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Query);
    if (!walk)
        return owInterfaceFound;
    void* unused = nullptr;
    if (origin != this) {
        const TOWQueryResult own = QueryInterface(iid, unused);
        if (own != owInterfaceFound)
            return own;
    }
    return FirstRefusal<TOWBasicSinkPin>(SinksSnapshot(), [&](TOWBasicSinkPin& sink) { return sink.SinkQueryOwnType(iid, origin); });
}

// ---------------------------------------------------------------- dependencies

bool TOWSourcePin::IsFunctionDependent(TOWBasicPin* pin)
{
    return functionDependencies_.Contains(pin);
}

bool TOWSourcePin::IsFunctionDependentDeep(TOWBasicPin* pin)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Dependency);
    if (!walk)
        return false;
    const auto members = functionDependencies_.Snapshot();
    if (std::find(members.begin(), members.end(), pin) != members.end())
        return true;
    for (const auto& borrowed : members) {
        auto member = Use(borrowed);
        if (member && member->IsFunctionDependentDeep(pin))
            return true;
    }
    return false;
}

void TOWSourcePin::CollectDependents(const TOWNotifyOperationRef& operation, TOWObjectList& visited)
{
    const TOWPinWalkGuard walk(this, TOWWalkKind::Dependency);
    if (!walk)
        return;
    visited.Add(this);
    bool first = true;
    for (const auto& borrowed : functionDependencies_.Snapshot()) {
        auto member = Use(borrowed);
        auto* stream = member ? dynamic_cast<TOWStreamPin*>(member.Get()) : nullptr;
        if (!stream)
            continue;
        if (first) {
            stream->CollectDependents(operation, visited);
            first = false;
        } else {
            // Each further branch on a list of its own, kept by the first.
            TOWIntf<TOWObjectList> branch = TOWObjectList::Create();
            stream->CollectDependents(operation, *branch);
            visited.AddList(std::move(branch));
        }
    }
}
