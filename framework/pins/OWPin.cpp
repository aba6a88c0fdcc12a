#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/pins/OWFormatConverter.h"
#include "framework/pins/OWPinEntryList.h"
#include "framework/pins/OWPinPaths.h"
#include "framework/pins/OWPins.h"
#include "framework/pins/OWStateDispatcher.h"
#include "framework/pins/OWStatePin.h"
#include "framework/pins/OWUnloadedPin.h"

#include <algorithm>
#include <climits>

namespace {

std::atomic<bool> pinsExist{false};
std::atomic<std::uint64_t> linkEpoch{1};
std::atomic<bool> designingSuppressed{false};

// The candidate from the last to the first that `pin` answers.
TGUID lastAccepted(const std::vector<TOWPinStreamTypeEntry>& candidates, TOWBasicPin& pin)
{
    void* unused = nullptr;
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
        if (pin.QueryInterface(it->StreamType, unused) == owInterfaceFound)
            return it->StreamType;
    }
    return GUID_NULL;
}

} // namespace

// ---------------------------------------------------------------- TOWPin

const TClassInfo& TOWPin::StaticClassInfo()
{
    static const TClassInfo info("TOWPin", &TOWBasicPin::StaticClassInfo(), {});
    return info;
}

TOWPin::TOWPin(TComponent* owner, IOWLock* lock) : owner_(owner), lock_(lock)
{
    pinsExist.store(true, std::memory_order_relaxed);
    auto section = WriteLocked();
    GetRootName();
}

TOWPin::~TOWPin() = default;

void TOWPin::AfterConstruction()
{
    TOWBasicPin::AfterConstruction();
}

bool TOWPin::IsOwnerDestroying()
{
    TComponent* root = FindRootOwner(owner_);
    return root && root->ComponentState().destroying;
}

bool TOWPin::IsOwnerLoading() const
{
    return owner_ && owner_->ComponentState().loading;
}

bool TOWPin::IsDesigning()
{
    if (designingSuppressed.load(std::memory_order_relaxed))
        return false;
    return owner_ && owner_->ComponentState().designing;
}

bool TOWPin::linkTypeMayGoOn(TOWBasicPin* pin, TOWFormatConverter*& converter,
                             const TOWFormatConverterClass*& converterClass)
{
    converter = nullptr;
    converterClass = nullptr;
    if (!pin)
        return false;
    // A design-time pin never links to a run-time pin, unless a converter
    // stands between them.
    return OWOwnedByConverter(this) || OWOwnedByConverter(pin) || IsDesigning() == pin->IsDesigning();
}

bool TOWPin::CanLinkType(TOWBasicPin* pin, TOWFormatConverter*& converter, bool flag,
                         const TOWFormatConverterClass*& converterClass)
{
    if (!linkTypeMayGoOn(pin, converter, converterClass))
        return false;
    if (dynamic_cast<TOWStatePin*>(pin))
        return !NegotiateStateType(pin, converter, flag, converterClass).IsNull();
    if (dynamic_cast<TOWUnloadedPin*>(pin))
        return pin->CanLinkType(this, converter, flag, converterClass);
    // A state pin feeds a sink by its state, through a state converter when
    // the sink takes none of its types.
    if (dynamic_cast<TOWStatePin*>(this)) {
        const TOWPinKind kind = pin->GetSinkKind();
        if (kind == TOWPinKind::Sink || kind == TOWPinKind::MultiSink)
            return !NegotiateStateType(pin, converter, flag, converterClass).IsNull();
    }
    return false;
}

bool TOWPin::CanConnectTo(TOWBasicPin* pin, bool flag)
{
    return dynamic_cast<TOWStatePin*>(pin) && !negotiatedType(pin, flag).IsNull();
}

std::string TOWPin::GetRootName()
{
    // Cached: paths are still written while the owner's form is destroyed.
    if (owner_ && !IsOwnerDestroying()) {
        if (TComponent* root = FindRootOwner(owner_)) {
            auto section = WriteLocked();
            if (section)
                rootName_ = root->Name();
            return rootName_;
        }
    }
    if (!owner_)
        return TOWBasicPin::GetRootName();
    auto section = ReadLocked();
    return section ? rootName_ : std::string();
}

std::string TOWPin::GetPath(bool withRoot)
{
    return GetPinPath(this, withRoot, false);
}

std::string TOWPin::GetIndexPath(bool withRoot)
{
    return GetPinPath(this, withRoot, true);
}

std::string TOWPin::GetLocalName()
{
    const std::string path = GetPath(false);
    const auto dot = path.find('.');
    return dot == std::string::npos ? path : path.substr(dot + 1);
}

std::string TOWPin::GetLocalIndexName()
{
    const std::string path = GetIndexPath(false);
    const auto dot = path.find('.');
    return dot == std::string::npos ? path : path.substr(dot + 1);
}

void TOWPin::ResolvePlaceholders()
{
    OWResolvePlaceholdersOf(*this, GetPath(true), GetPath(false), &OWFindPlaceholder);
}

TOWLockSectionRef TOWPin::letGoOf(IOWLock* lock)
{
    if (!lock || !lock->GetLockObject().IsHeldByCaller())
        return {};
    return lock->UnlockSection();
}

void TOWPin::AddStreamType(const TGUID& streamType, TOWStreamHandler handler)
{
    {
        auto section = WriteLocked();
        if (section)
            streamTypes_.Add(streamType, handler);
    }
    OWPinLinksChanged();
}

std::vector<TOWPinStreamTypeEntry> TOWPin::StreamTypesCopy()
{
    auto section = ReadLocked();
    if (!section)
        return {};
    return streamTypes_.Entries();
}

TOWStreamHandler TOWPin::FindHandler(const TGUID& streamType)
{
    if (streamType.IsNull())
        return {};
    auto section = ReadLocked();
    if (!section)
        return {};
    const int index = streamTypes_.IndexOf(streamType);
    if (index < 0)
        return {};
    const TOWStreamHandler& own = streamTypes_.GetHandler(index);
    if (own)
        return own;
    return TOWStreamHandler::Of<&TOWPin::defaultHandler>(this);
}

bool TOWPin::defaultHandler(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                            const TOWNotifyOperationRef& operation)
{
    // Looked up at each call: the registry's handler of the type, if any.
    TOWStreamHandlerProc handler = StreamTypeHandler(streamType);
    return handler ? handler(this, target, streamType, flags, operation) : false;
}

void TOWPin::OrderByOwnTypes(TOWPinTypeRestricted& list)
{
    if (list.Ordered)
        return;
    const std::vector<TOWPinStreamTypeEntry> own = StreamTypesCopy();
    auto rank = [&](const TGUID& type) {
        auto it = std::find_if(own.begin(), own.end(), [&](const TOWPinStreamTypeEntry& e) { return e.StreamType == type; });
        return it == own.end() ? INT_MAX : static_cast<int>(it - own.begin());
    };
    std::vector<TOWPinStreamTypeEntry> sorted = list.Entries();
    std::stable_sort(sorted.begin(), sorted.end(), [&](const TOWPinStreamTypeEntry& a, const TOWPinStreamTypeEntry& b) {
        return rank(a.StreamType) < rank(b.StreamType);
    });
    list.Replace(std::move(sorted));
    list.Ordered = true;
}

TGUID TOWPin::NegotiateStateType(TOWBasicPin* pin, TOWFormatConverter*& converter, bool flag,
                                 const TOWFormatConverterClass*& converterClass)
{
    converter = nullptr;
    converterClass = nullptr;
    if (!pin)
        return GUID_NULL;
    const std::vector<TOWPinStreamTypeEntry> own = StreamTypesCopy();
    const TGUID direct = lastAccepted(own, *pin);
    if (!direct.IsNull())
        return direct;
    const TOWPinKind kind = pin->GetSinkKind();
    if (!flag || (kind != TOWPinKind::Sink && kind != TOWPinKind::MultiSink))
        return GUID_NULL;
    // The converters this pin's dispatcher already has, from the last.
    if (TOWStateDispatcherRef dispatcher = GetDispatcher()) {
        const std::vector<TOWFormatConverter*> converters = dispatcher->Converters();
        for (auto it = converters.rbegin(); it != converters.rend(); ++it) {
            TOWStreamPin* output = (*it)->OutputPin();
            TOWStreamPin* input = (*it)->InputPin();
            if (!output || !input || lastAccepted(output->StreamTypesCopy(), *pin).IsNull())
                continue;
            const TGUID toInput = lastAccepted(own, *input);
            if (!toInput.IsNull()) {
                converter = *it;
                return toInput;
            }
        }
    }
    // The registered converters, from the last registration.
    const auto registered = FormatConverterEntries();
    void* unused = nullptr;
    for (auto entry = registered.rbegin(); entry != registered.rend(); ++entry) {
        for (auto it = own.rbegin(); it != own.rend(); ++it) {
            if (it->StreamType == entry->FromType && pin->QueryInterface(entry->ToType, unused) == owInterfaceFound) {
                converterClass = entry->ConverterClass;
                return entry->FromType;
            }
        }
    }
    return GUID_NULL;
}

TGUID TOWPin::negotiatedType(TOWBasicPin* pin, bool flag)
{
    TOWFormatConverter* converter = nullptr;
    const TOWFormatConverterClass* converterClass = nullptr;
    return NegotiateStateType(pin, converter, flag, converterClass);
}

TGUID TOWPin::NegotiatedStateType(TOWBasicPin* pin)
{
    return negotiatedType(pin, true);
}

TGUID TOWPin::GetCurrentStreamType()
{
    if (!IsConnected())
        return GUID_NULL;
    TOWStateDispatcherRef dispatcher = GetDispatcher();
    if (!dispatcher)
        return GUID_NULL;
    // The first member other than this pin: with itself a pin negotiates
    // nothing.
    for (const TOWDispatcherPinStorage& member : dispatcher->Members()) {
        if (member.Member.Get() == this)
            continue;
        auto first = Use(member.Member);
        return first ? NegotiatedStateType(first.Get()) : GUID_NULL;
    }
    return GUID_NULL;
}

const TOWPin::TStatePlan* TOWPin::statePlan(std::uint64_t epoch)
{
    if (const TStatePlan* current = statePlan_.load(std::memory_order_seq_cst); current && current->epoch == epoch)
        return current;
    auto plan = std::make_unique<TStatePlan>();
    plan->epoch = epoch;
    if (TOWStateDispatcherRef dispatcher = GetDispatcher()) {
        for (const TOWDispatcherPinStorage& member : dispatcher->Members()) {
            auto pin = Use(member.Member);
            if (!pin || pin.Get() == this)
                continue;
            const TGUID type = NegotiatedStateType(pin.Get());
            if (TOWStreamHandler handler = FindHandler(type))
                plan->targets.push_back({member.Member, type, handler});
        }
    }
    auto section = WriteLocked();
    if (!section)
        return nullptr;
    TStatePlan* installed = plans_.emplace_back(std::move(plan)).get();
    statePlan_.store(installed, std::memory_order_seq_cst);
    // Only this caller reads: the plans it replaced can go.
    if (planReaders_.load(std::memory_order_seq_cst) == 1)
        plans_.erase(plans_.begin(), plans_.end() - 1);
    return installed;
}

bool TOWPin::DeliverState(const TOWNotifyOperationRef& operation, TOWHandlerFlags flags, TOWBasicPin* target)
{
    TOWSelfUse self(*this);
    if (!self)
        return false;
    // Counted as a reader for the walk; not uncounted when a handler has
    // destroyed the pin.
    TOWNestingGuard reading(planReaders_, self);
    // The plan stays as it is while it is walked: handlers may link, unlink
    // or destroy pins (this one included) meanwhile.
    const TStatePlan* plan = statePlan(OWPinLinkEpoch());
    if (!plan)
        return false;
    const TStateTarget* last = nullptr;
    for (const TStateTarget& t : plan->targets) {
        if (!target || t.pin.Get() == target)
            last = &t;
    }
    for (const TStateTarget& t : plan->targets) {
        if (target && t.pin.Get() != target)
            continue;
        auto member = Use(t.pin);
        if (!member)
            continue;
        t.handler(member.Get(), t.type, &t == last ? flags | owLastTargetFlag : flags, operation);
        if (self.Gone())
            return false;
    }
    return false;
}

// ---------------------------------------------------------------- TOWStreamPin

const TClassInfo& TOWStreamPin::StaticClassInfo()
{
    static const TClassInfo info("TOWStreamPin", &TOWPin::StaticClassInfo(), {});
    return info;
}

void TOWStreamPin::GetOfferedTypes(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    for (const TOWPinStreamTypeEntry& entry : StreamTypesCopy())
        list.Add(entry.StreamType, entry.Handler);
}

void TOWStreamPin::GetAcceptedTypes(TOWPinTypeRestricted& list, TOWBasicPin* origin)
{
    GetOfferedTypes(list, origin);
}

void TOWStreamPin::CollectDependents(const TOWNotifyOperationRef& operation, TOWObjectList& visited)
{
    visited.Add(this);
}

// ---------------------------------------------------------------- the unit

void OWPinsStartUp(std::span<const TOWTypeUnitStartUp> typeUnits)
{
    struct TOpen {
        TOpen() { owStreamTypeRegistryDetail::SetWritable(true); }
        ~TOpen() { owStreamTypeRegistryDetail::SetWritable(false); }
    } open;
    for (TOWTypeUnitStartUp unit : typeUnits)
        unit();
}

std::uint64_t OWPinLinkEpoch()
{
    return linkEpoch.load(std::memory_order_acquire);
}

void OWPinLinksChanged()
{
    linkEpoch.fetch_add(1, std::memory_order_acq_rel);
}

bool OWPinsExist()
{
    return pinsExist.load(std::memory_order_relaxed);
}

void OWSetDesigningSuppressed(bool suppressed)
{
    designingSuppressed.store(suppressed, std::memory_order_relaxed);
}

bool OWDesigningSuppressed()
{
    return designingSuppressed.load(std::memory_order_relaxed);
}
