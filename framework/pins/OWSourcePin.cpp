#include "framework/pins/OWSourcePin.h"

#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/pins/OWLinkGate.h"
#include "framework/pins/OWPinEvents.h"
#include "framework/pins/OWSinkPin.h"
#include "framework/pins/OWStateDispatcher.h"
#include "framework/pins/OWStatePin.h"
#include "framework/pins/OWTypeWalks.h"
#include "framework/pins/OWUnloadedPin.h"

#include <algorithm>

namespace {

// The path of `pin` as seen from `from`: with its root name only when the
// two live in different roots.
std::string pathFrom(TOWBasicPin& from, TOWBasicPin& pin, bool indexForm)
{
    const bool withRoot = pin.GetRootName() != from.GetRootName();
    return indexForm ? pin.GetIndexPath(withRoot) : pin.GetPath(withRoot);
}

} // namespace

const TClassInfo& TOWSourcePin::StaticClassInfo()
{
    static const TClassInfo info("TOWSourcePin", &TOWStreamPin::StaticClassInfo(), {});
    return info;
}

TOWSourcePin::TOWSourcePin(TComponent* owner, IOWLock* lock) : TOWStreamPin(owner, lock)
{
    // Read under this pin's write section, like the converter list.
    route_.SetOutputOf([this](const TOWBasicPin* input) -> const TOWBasicPin* {
        for (int i = 0; i < converters_.Count(); ++i) {
            if (converters_.Items(i)->InputPin() == input)
                return converters_.Items(i)->OutputPin();
        }
        return nullptr;
    });
}

TOWSourcePin::~TOWSourcePin() = default;

void TOWSourcePin::BeforeDestruction()
{
    // The destruction protocol disconnects every sink; converters that are
    // still listed (none once every entry has gone) are freed after it.
    TOWStreamPin::BeforeDestruction();
    std::vector<TOwned<TOWFormatConverter>> left;
    {
        auto section = WriteLocked();
        if (section)
            left = converters_.ExtractAll();
    }
    for (auto& converter : left)
        OWReleaseConverter(std::move(converter));
}

// ---------------------------------------------------------------- negotiation

TOWNegotiation TOWSourcePin::Negotiate(TOWStreamPin& source, TOWBasicPin* sink, bool deep, bool allowConverters)
{
    TOWNegotiation result;
    if (!sink)
        return result;
    TOWPinTypeRestricted candidates;
    source.GetOfferedTypes(candidates, &source);
    const std::vector<TOWPinStreamTypeEntry>& offered = candidates.Entries();
    void* unused = nullptr;
    for (auto it = offered.rbegin(); it != offered.rend(); ++it) {
        if (sink->QueryInterface(it->StreamType, unused) == owInterfaceFound) {
            result.StreamType = it->StreamType;
            return result;
        }
    }
    if (deep) {
        if (auto* own = dynamic_cast<TOWSourcePin*>(&source)) {
            struct TKnown {
                TOWFormatConverter* converter;
                TOWBorrowed<TOWBasicPin> input;
                TOWBorrowed<TOWBasicPin> output;
            };
            std::vector<TKnown> known;
            {
                auto section = own->ReadLocked();
                if (section) {
                    for (int i = 0; i < own->converters_.Count(); ++i) {
                        TOWFormatConverter* c = own->converters_.Items(i);
                        known.push_back({c, TOWBasicPin::BorrowAs<TOWBasicPin>(c->InputPin()),
                                         TOWBasicPin::BorrowAs<TOWBasicPin>(c->OutputPin())});
                    }
                }
            }
            for (auto it = known.rbegin(); it != known.rend(); ++it) {
                auto input = Use(it->input);
                auto output = Use(it->output);
                auto* outputPin = output ? dynamic_cast<TOWStreamPin*>(output.Get()) : nullptr;
                if (!input || !outputPin || Negotiate(*outputPin, sink, false, false).StreamType.IsNull())
                    continue;
                const TGUID toInput = Negotiate(source, input.Get(), false, false).StreamType;
                if (toInput.IsNull())
                    continue;
                result.StreamType = toInput;
                result.Converter = it->converter;
                result.ConverterInput = it->input;
                result.ConverterOutput = it->output;
                return result;
            }
        }
    }
    if (allowConverters) {
        const auto registered = FormatConverterEntries();
        for (auto entry = registered.rbegin(); entry != registered.rend(); ++entry) {
            for (auto it = offered.rbegin(); it != offered.rend(); ++it) {
                if (it->StreamType == entry->FromType &&
                    sink->QueryInterface(entry->ToType, unused) == owInterfaceFound) {
                    result.StreamType = entry->FromType;
                    result.ConverterClass = entry->ConverterClass;
                    return result;
                }
            }
        }
    }
    return result;
}

bool TOWSourcePin::CanSupply(TOWBasicPin* sink, bool deep)
{
    return !Negotiate(*this, sink, deep, true).StreamType.IsNull();
}

// ---------------------------------------------------------------- links

void TOWSourcePin::AddLink(TOWBasicPin* sink, TOWBasicPin* dependsOn)
{
    if (!sink || sink == this)
        return;
    TOWSelfUse self(*this);
    if (!self)
        return;
    // A converter shared by the negotiation may be let go by another thread
    // before the entry is made; then the negotiation runs again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const TOWNegotiation negotiated = Negotiate(*this, sink, true, true);
        TOwned<TOWFormatConverter> made;
        if (negotiated.ConverterClass)
            made = negotiated.ConverterClass->create();
        TOWBorrowed<TOWBasicPin> target = sink->Borrow();
        TOWBorrowed<TOWBasicPin> output;
        if (made) {
            target = BorrowAs<TOWBasicPin>(made->InputPin());
            output = BorrowAs<TOWBasicPin>(made->OutputPin());
        } else if (negotiated.Converter) {
            target = negotiated.ConverterInput;
            output = negotiated.ConverterOutput;
        }
        const TOWStreamHandler handler = FindHandler(negotiated.StreamType);
        TOWSinkPin* newInput = made ? dynamic_cast<TOWSinkPin*>(made->InputPin()) : nullptr;
        {
            auto section = WriteLocked();
            if (!section)
                return;
            // Still owned, and the very converter negotiated: one let go
            // meanwhile may have left its address to a new one, whose input
            // is not the pin borrowed (the borrowed pin keeps its destroy
            // lock, which no new pin can share).
            if (negotiated.Converter &&
                (converters_.IndexOf(negotiated.Converter) < 0 ||
                 &negotiated.Converter->InputPin()->DestroyLockObject() != negotiated.ConverterInput.Life()))
                continue;
            const int existing = sinks_.IndexOfSink(sink);
            if (existing >= 0) {
                // Linked already: only the dependency changes.
                sinks_.Items(existing).DependsOn = dependsOn ? dependsOn->Borrow() : TOWBorrowed<TOWBasicPin>();
                route_.Changed();
                return;
            }
            if (made)
                converters_.Add(std::move(made));
            TOWPinEntry entry;
            entry.Target = target;
            entry.Sink = sink->Borrow();
            if (dependsOn)
                entry.DependsOn = dependsOn->Borrow();
            entry.StreamType = negotiated.StreamType;
            entry.Handler = handler;
            entry.Ticket = sink->NewLinkTicket();
            sinks_.Add(std::move(entry));
            route_.Changed();
        }
        OWPinLinksChanged();
        if (newInput)
            newInput->AttachConverterSource(*this, negotiated.StreamType);
        if (auto out = Use(output)) {
            out->AddLink(sink, nullptr);
            if (auto* basicSink = dynamic_cast<TOWBasicSinkPin*>(sink))
                basicSink->SetDirectSource(out.Get());
        }
        return;
    }
}

bool TOWSourcePin::isRemoving(const TOWBasicPin* sink)
{
    return std::find(removing_.begin(), removing_.end(), sink) != removing_.end();
}

bool TOWSourcePin::removeEntry(TOWBasicPin* sink, std::vector<TOwned<TOWFormatConverter>>& unused)
{
    auto section = WriteLocked();
    if (!section)
        return false;
    const int index = sinks_.IndexOfSink(sink);
    if (index < 0)
        return false;
    const TOWBasicPin* target = sinks_.Items(index).Target.Get();
    // Copies of the entry that deliveries still walk deliver to the sink no
    // more once it has been linked again.
    if (const TOWIntf<TOWLinkTicket>& ticket = sinks_.Items(index).Ticket)
        ticket->Go();
    sinks_.Delete(index);
    if (target != sink) {
        const bool stillUsed = std::any_of(sinks_.Entries().begin(), sinks_.Entries().end(),
                                           [&](const TOWPinEntry& e) { return e.Target.Get() == target; });
        if (!stillUsed) {
            for (TOWFormatConverter* converter : converters_.Snapshot()) {
                if (converter->InputPin() == target)
                    unused.push_back(converters_.Extract(converter));
            }
        }
    }
    for (TOWPinEntry& entry : sinks_.Entries()) {
        if (entry.DependsOn.Get() == sink)
            entry.DependsOn = {};
    }
    route_.Changed();
    return true;
}

void TOWSourcePin::RemoveLink(TOWBasicPin* sink, bool keepPlaceholder)
{
    if (!sink)
        return;
    TOWSelfUse self(*this);
    if (!self)
        return;
    TOWBorrowed<TOWBasicPin> sinkRef;
    TOWBorrowed<TOWBasicPin> converterOutput;
    {
        auto section = WriteLocked();
        if (!section || isRemoving(sink))
            return;
        const int index = sinks_.IndexOfSink(sink);
        if (index < 0)
            return;
        const TOWPinEntry& entry = sinks_.Items(index);
        sinkRef = entry.Sink;
        if (entry.Target.Get() != sink) {
            for (TOWFormatConverter* converter : converters_.Snapshot()) {
                if (converter->InputPin() == entry.Target.Get())
                    converterOutput = BorrowAs<TOWBasicPin>(converter->OutputPin());
            }
        }
        removing_.push_back(sink);
    }
    struct TDone {
        TOWSourcePin& pin;
        const TOWSelfUse& self;
        TOWBasicPin* sink;
        ~TDone()
        {
            if (self.Gone())
                return;
            auto section = pin.WriteLocked();
            if (section)
                std::erase(pin.removing_, sink);
        }
    } done{*this, self, sink};

    if (keepPlaceholder && !IsOwnerDestroying()) {
        if (auto alive = Use(sinkRef)) {
            // Under the sink's root, where the sink's pin looks for it.
            TOWUnloadedPin* placeholder =
                TOWUnloadedPin::Create(alive->GetIndexPath(true), alive->GetPath(true), GetPath(true),
                                       alive->GetRootName(), alive->GetSinkKind(), IsDesigning());
            placeholder->ConnectData(this, nullptr);
        }
    }
    std::vector<TOwned<TOWFormatConverter>> unused;
    const bool removed = removeEntry(sink, unused);
    if (removed)
        OWPinLinksChanged();
    if (auto output = Use(converterOutput))
        output->RemoveLink(sink, false);
    for (auto& converter : unused)
        OWReleaseConverter(std::move(converter));
    if (removed && !self.Gone())
        owPinEvents::PinChanged(this);
}

void TOWSourcePin::DisconnectSink(TOWBasicPin* sink)
{
    if (!sink)
        return;
    TOWSelfUse self(*this);
    if (!self)
        return;
    const bool silent = IsDesigning() && IsOwnerDestroying();
    TOWBorrowed<TOWBasicPin> sinkRef;
    {
        auto section = ReadLocked();
        if (!section)
            return;
        const int index = sinks_.IndexOfSink(sink);
        if (index >= 0)
            sinkRef = sinks_.Items(index).Sink;
    }
    owPinEvents::PinsUnlinked(this, sink);
    // The sink drives the unlink under its gate, so that both records change
    // together; only the entry of a pin that is no sink pin is removed from
    // this side (removing it here after the sink's unlink could take away a
    // link the sink made again meanwhile). A pin whose destruction has begun
    // takes its entry away itself, in its disconnection or the PinDestroying
    // pass: that destruction does not wait for this thread, so a removal from
    // here could outlast the pin and take the entry of a new pin made at the
    // same address.
    auto alive = Use(sinkRef);
    if (!alive)
        return;
    if (dynamic_cast<TOWBasicSinkPin*>(alive.Get())) {
        alive->RemoveLink(this, silent);
        return;
    }
    if (!self.Gone())
        RemoveLink(sink, silent);
}

std::vector<TOWBorrowed<TOWBasicPin>> TOWSourcePin::SinksSnapshot()
{
    std::vector<TOWBorrowed<TOWBasicPin>> result;
    auto section = ReadLocked();
    if (!section)
        return result;
    result.reserve(static_cast<std::size_t>(sinks_.Count()));
    for (const TOWPinEntry& entry : sinks_.Entries())
        result.push_back(entry.Sink);
    return result;
}

void TOWSourcePin::DisconnectAll()
{
    TOWSelfUse self(*this);
    if (!self)
        return;
    TOWStreamPin::DisconnectAll();
    const auto sinks = SinksSnapshot();
    for (auto it = sinks.rbegin(); it != sinks.rend() && !self.Gone(); ++it)
        DisconnectSink(it->Get());
    // Nor does it wait for sinks not loaded yet.
    if (!self.Gone())
        OWLetGoOfPendingLinks(*this);
}

void TOWSourcePin::Disconnect(TOWBasicPin* pin)
{
    if (IsLinkedWith(pin) && !TOWStreamPin::IsLinkedWith(pin))
        DisconnectSink(pin);
    else
        TOWStreamPin::Disconnect(pin);
}

bool TOWSourcePin::ConnectData(TOWBasicPin* pin, TOWBasicPin* dependsOn)
{
    if (!pin || pin == this)
        return false;
    if (!CanLink(pin, dependsOn, true))
        return false;
    return ConnectSink(pin, dependsOn);
}

bool TOWSourcePin::ConnectSink(TOWBasicPin* sink, TOWBasicPin* dependsOn)
{
    if (!dynamic_cast<TOWBasicSinkPin*>(sink) && !dynamic_cast<TOWStatePin*>(sink) &&
        !dynamic_cast<TOWUnloadedPin*>(sink))
        return false;
    return sink->ConnectData(this, dependsOn);
}

bool TOWSourcePin::CanLink(TOWBasicPin* pin, TOWBasicPin* dependsOn, bool flag)
{
    if (TOWStreamPin::CanLink(pin, dependsOn, flag))
        return true;
    if (pin == dependsOn)
        return false;
    if (IsOwnerLoading() || alwaysLinkable_.load(std::memory_order_relaxed))
        return true;
    // The chain of dependencies from dependsOn must not lead back to pin.
    TOWBasicPin* next = dependsOn;
    for (int steps = 0; steps <= GetSinkCount(); ++steps) {
        auto section = ReadLocked();
        if (!section)
            return false;
        const int index = sinks_.IndexOfSink(next);
        if (index < 0)
            return false;
        next = sinks_.Items(index).DependsOn.Get();
        if (!next)
            return true;
        if (next == pin)
            return false;
    }
    return false;
}

bool TOWSourcePin::CanLinkType(TOWBasicPin* pin, TOWFormatConverter*& converter, bool flag,
                               const TOWFormatConverterClass*& converterClass)
{
    converter = nullptr;
    converterClass = nullptr;
    if (!pin)
        return false;
    if (!OWOwnedByConverter(this) && IsDesigning() != pin->IsDesigning())
        return false;
    if (TOWStreamPin::CanLinkType(pin, converter, flag, converterClass))
        return true;
    if (pin != this && dynamic_cast<TOWBasicSinkPin*>(pin))
        return pin->CanLinkType(this, converter, flag, converterClass);
    return false;
}

bool TOWSourcePin::CanConnectTo(TOWBasicPin* pin, bool flag)
{
    if (dynamic_cast<TOWBasicSinkPin*>(pin))
        return pin->CanConnectTo(this, flag);
    return TOWStreamPin::CanConnectTo(pin, flag);
}

// ---------------------------------------------------------------- what is linked

int TOWSourcePin::GetSinkCount()
{
    auto section = ReadLocked();
    return section ? sinks_.Count() : 0;
}

TOWBasicPin* TOWSourcePin::GetSink(int index)
{
    auto section = ReadLocked();
    if (!section || index < 0 || index >= sinks_.Count())
        return nullptr;
    return sinks_.Items(index).Sink.Get();
}

std::vector<TOWPinEntry> TOWSourcePin::SinkEntries()
{
    auto section = WriteLocked();
    if (!section)
        return {};
    route_.Settle();
    return sinks_.Entries();
}

int TOWSourcePin::ConverterCount()
{
    auto section = ReadLocked();
    return section ? converters_.Count() : 0;
}

std::vector<TOWFormatConverter*> TOWSourcePin::ConvertersSnapshot()
{
    auto section = ReadLocked();
    return section ? converters_.Snapshot() : std::vector<TOWFormatConverter*>();
}

bool TOWSourcePin::IsConnected()
{
    return HasSinks() || TOWStreamPin::IsConnected();
}

bool TOWSourcePin::IsLinkedWith(TOWBasicPin* pin)
{
    {
        auto section = ReadLocked();
        if (section && sinks_.IndexOfSink(pin) >= 0)
            return true;
    }
    return TOWStreamPin::IsLinkedWith(pin);
}

bool TOWSourcePin::IsLinkedWithData(TOWBasicPin* pin, TOWBasicPin* dependsOn)
{
    {
        auto section = ReadLocked();
        if (section) {
            const int index = sinks_.IndexOfSink(pin);
            if (index >= 0 && sinks_.Items(index).DependsOn.Get() == dependsOn)
                return true;
        }
    }
    return TOWStreamPin::IsLinkedWithData(pin, dependsOn);
}

bool TOWSourcePin::IsLinkedThroughConverter(TOWBasicPin* pin)
{
    if (TOWStreamPin::IsLinkedThroughConverter(pin))
        return true;
    auto section = ReadLocked();
    if (!section)
        return false;
    const int index = sinks_.IndexOfSink(pin);
    return index >= 0 && sinks_.Items(index).Target.Get() != pin;
}

TOWBasicPin* TOWSourcePin::GetDependsOn(TOWBasicPin* sink)
{
    auto section = ReadLocked();
    if (!section)
        return nullptr;
    const int index = sinks_.IndexOfSink(sink);
    return index >= 0 ? sinks_.Items(index).DependsOn.Get() : nullptr;
}

TGUID TOWSourcePin::GetStreamType(TOWBasicPin* sink)
{
    {
        auto section = ReadLocked();
        if (!section)
            return GUID_NULL;
        const int index = sinks_.IndexOfSink(sink);
        if (index >= 0)
            return sinks_.Items(index).StreamType;
    }
    return TOWStreamPin::GetStreamType(sink);
}

TGUID TOWSourcePin::GetCurrentStreamType()
{
    {
        auto section = ReadLocked();
        if (section && sinks_.Count() > 0)
            return sinks_.Items(0).StreamType;
    }
    return TOWStreamPin::GetCurrentStreamType();
}

std::string TOWSourcePin::GetLinkText()
{
    const auto sinks = SinksSnapshot();
    const TOWStateDispatcherRef dispatcher = GetDispatcher();
    if (sinks.empty())
        return TOWStreamPin::GetLinkText();
    if (sinks.size() == 1 && !dispatcher) {
        if (auto sink = Use(sinks.front()))
            return pathFrom(*this, *sink, false);
        return TOWStreamPin::GetLinkText();
    }
    std::size_t count = sinks.size();
    if (dispatcher)
        count += static_cast<std::size_t>(std::max(dispatcher->Count() - 1, 0));
    return "( " + std::to_string(count) + " Links )";
}

bool TOWSourcePin::IsLinkedToName(const std::string& name)
{
    const std::string ownRoot = GetRootName();
    for (const auto& borrowed : SinksSnapshot()) {
        auto sink = Use(borrowed);
        if (!sink)
            continue;
        if (sink->GetPath(true) == name || (sink->GetRootName() == ownRoot && sink->GetPath(false) == name))
            return true;
    }
    return false;
}

void TOWSourcePin::SetDependsOnByName(TOWBasicPin* sink, const std::string& name)
{
    TOWBorrowed<TOWBasicPin> found;
    for (bool withRoot : {false, true}) {
        for (const auto& borrowed : SinksSnapshot()) {
            auto candidate = Use(borrowed);
            if (candidate && candidate->GetPath(withRoot) == name) {
                found = borrowed;
                break;
            }
        }
        if (found)
            break;
    }
    if (!found)
        return;
    auto section = WriteLocked();
    if (!section)
        return;
    const int index = sinks_.IndexOfSink(sink);
    if (index >= 0 && found.Get() != sink) {
        sinks_.Items(index).DependsOn = found;
        route_.Changed();
    }
}

std::string TOWSourcePin::GetDependsOnName(TOWBasicPin* sink)
{
    TOWBorrowed<TOWBasicPin> dependsOn;
    {
        auto section = ReadLocked();
        if (!section)
            return {};
        const int index = sinks_.IndexOfSink(sink);
        if (index < 0)
            return {};
        dependsOn = sinks_.Items(index).DependsOn;
    }
    auto pin = Use(dependsOn);
    return pin ? pathFrom(*this, *pin, false) : std::string();
}

// ---------------------------------------------------------------- other pins going

void TOWSourcePin::PinDestroying(TOWBasicPin* pin)
{
    if (auto* stream = dynamic_cast<TOWStreamPin*>(pin)) {
        functionDependencies_.Remove(stream);
        dataTypeDependencies_.Remove(stream);
    }
    bool linked = false;
    {
        auto section = ReadLocked();
        linked = section && sinks_.IndexOfSink(pin) >= 0;
    }
    if (linked)
        RemoveLink(pin, false);
    auto section = WriteLocked();
    if (!section)
        return;
    bool changed = false;
    for (TOWPinEntry& entry : sinks_.Entries()) {
        if (entry.DependsOn.Get() == pin) {
            entry.DependsOn = {};
            changed = true;
        }
    }
    if (changed)
        route_.Changed();
}

void TOWSourcePin::PinReplaced(TOWBasicPin* oldPin, TOWBasicPin* newPin)
{
    auto section = WriteLocked();
    if (!section)
        return;
    bool changed = false;
    for (TOWPinEntry& entry : sinks_.Entries()) {
        if (entry.DependsOn.Get() == oldPin) {
            entry.DependsOn = newPin ? newPin->Borrow() : TOWBorrowed<TOWBasicPin>();
            changed = true;
        }
    }
    if (changed) {
        route_.Changed();
    }
}

void TOWSourcePin::Changed()
{
    if (HasDispatcher())
        DeliverState(OWMakeOperation<TOWNotifyOperation>(), 1, nullptr);
}
