#include "framework/pins/OWStateDispatcher.h"

#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/pins/OWPinEvents.h"

#include <algorithm>
#include <mutex>

namespace {

// The two dispatcher lists (design time and run time), not owning. A leaf
// of the lock order.
struct TDispatcherLists {
    std::mutex guard;
    std::vector<TOWStateDispatcher*> lists[2];
};

TDispatcherLists& dispatcherLists()
{
    static TDispatcherLists instance;
    return instance;
}

// Under the guard: a reference unless the dispatcher is already on its way
// out (no reference left).
bool tryAddRef(std::atomic<std::uint32_t>& count)
{
    std::uint32_t current = count.load(std::memory_order_acquire);
    while (current != 0) {
        if (count.compare_exchange_weak(current, current + 1, std::memory_order_acq_rel))
            return true;
    }
    return false;
}

} // namespace

const TClassInfo& TOWStateDispatcher::StaticClassInfo()
{
    static const TClassInfo info("TOWStateDispatcher", &TOWPinObject::StaticClassInfo(), {});
    return info;
}

TOWStateDispatcher::TOWStateDispatcher(std::string name, bool designing)
    : life_(TOWDestroyLock::Create()), name_(std::move(name)), designing_(designing)
{
}

TOWStateDispatcherRef TOWStateDispatcher::Create(std::string name, bool designing)
{
    TOWStateDispatcherRef dispatcher(new TOWStateDispatcher(std::move(name), designing), owAdoptRef);
    TDispatcherLists& lists = dispatcherLists();
    std::lock_guard hold(lists.guard);
    lists.lists[designing ? 0 : 1].push_back(dispatcher.Get());
    dispatcher->registered_ = true;
    return dispatcher;
}

TOWStateDispatcherRef TOWStateDispatcher::CreateFor(TComponent* component, bool designing)
{
    return Create(UniqueLinkName(component, designing), designing);
}

TOWStateDispatcher::~TOWStateDispatcher()
{
    if (!dissolved_)
        owPinEvents::DispatcherDestroyed(this);
    TDispatcherLists& lists = dispatcherLists();
    std::lock_guard hold(lists.guard);
    std::erase(lists.lists[designing_ ? 0 : 1], this);
}

std::uint32_t TOWStateDispatcher::AddRef() noexcept
{
    return refCount_.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::uint32_t TOWStateDispatcher::Release() noexcept
{
    const std::uint32_t left = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        life_->Retire();
        FreeObject(this);
    }
    return left;
}

bool TOWStateDispatcher::Dissolved()
{
    auto section = TOWPinSection::Read(Lock(), nullptr);
    return !section || dissolved_;
}

int TOWStateDispatcher::indexOf(TOWBasicPin* pin) const
{
    auto it = std::find_if(members_.begin(), members_.end(),
                           [&](const TOWDispatcherPinStorage& m) { return m.Member.Get() == pin; });
    return it == members_.end() ? -1 : static_cast<int>(it - members_.begin());
}

int TOWStateDispatcher::Count()
{
    auto section = TOWPinSection::Read(Lock(), nullptr);
    return section ? static_cast<int>(members_.size()) : 0;
}

std::vector<TOWDispatcherPinStorage> TOWStateDispatcher::Members()
{
    auto section = TOWPinSection::Read(Lock(), nullptr);
    if (!section)
        return {};
    return members_;
}

TOWBasicPin* TOWStateDispatcher::MemberPins(int index)
{
    auto section = TOWPinSection::Read(Lock(), nullptr);
    if (!section || index < 0 || index >= static_cast<int>(members_.size()))
        return nullptr;
    return members_[static_cast<std::size_t>(index)].Member.Get();
}

bool TOWStateDispatcher::AddMember(TOWBasicPin* pin, TOWBasicPin* dependsOn)
{
    if (!pin)
        return false;
    {
        auto section = TOWPinSection::Write(Lock(), nullptr);
        if (!section || dissolved_ || indexOf(pin) >= 0)
            return false;
        members_.push_back(TOWDispatcherPinStorage{pin->Borrow(), dependsOn ? dependsOn->Borrow() : TOWBorrowed<TOWBasicPin>(), {}});
    }
    OWPinLinksChanged();
    owPinEvents::DispatcherChanged(this, true);
    return true;
}

void TOWStateDispatcher::RemoveMember(TOWBasicPin* pin)
{
    TOWStateDispatcherRef keep(this);
    FinishRemoval(TakeOutMember(pin));
}

TOWStateDispatcher::TRemoval TOWStateDispatcher::TakeOutMember(TOWBasicPin* pin)
{
    TRemoval removal;
    auto section = TOWPinSection::Write(Lock(), nullptr);
    if (!section)
        return removal;
    if (const int index = indexOf(pin); index >= 0) {
        removal.removed = true;
        members_.erase(members_.begin() + index);
        for (TOWDispatcherPinStorage& member : members_) {
            if (member.Driver.Get() == pin)
                member.Driver = {};
        }
    }
    if (auto it = std::find(named_.begin(), named_.end(), pin); it != named_.end()) {
        removal.removed = true;
        named_.erase(it);
    }
    if (!removal.removed || dissolved_)
        return removal;
    // A link needs two ends. The input pins of this dispatcher's own
    // converters are not ends: a dispatcher left with one end (or none) and
    // its converters dissolves, and every pin still in it or named by it
    // leaves.
    const std::vector<TOWFormatConverter*> converters = converters_.Snapshot();
    const auto isConverterInput = [&](const TOWDispatcherPinStorage& member) {
        return std::any_of(converters.begin(), converters.end(),
                           [&](TOWFormatConverter* c) { return c->InputPin() == member.Member.Get(); });
    };
    const auto ends = std::count_if(members_.begin(), members_.end(), [&](const auto& m) { return !isConverterInput(m); });
    if (ends + static_cast<std::ptrdiff_t>(named_.size()) > 1)
        return removal;
    for (const TOWDispatcherPinStorage& member : members_)
        removal.others.push_back(member.Member);
    removal.others.insert(removal.others.end(), named_.begin(), named_.end());
    members_.clear();
    named_.clear();
    dissolved_ = true;
    removal.dissolved = true;
    removal.converters = converters_.ExtractAll();
    return removal;
}

void TOWStateDispatcher::NamedBy(TOWBasicPin* pin)
{
    {
        auto section = TOWPinSection::Write(Lock(), nullptr);
        if (!section || !pin || dissolved_ || indexOf(pin) >= 0
            || std::find(named_.begin(), named_.end(), pin) != named_.end())
            return;
        named_.push_back(pin->Borrow());
    }
    OWPinLinksChanged();
}

void TOWStateDispatcher::FinishRemoval(TRemoval removal)
{
    if (!removal.removed)
        return;
    OWPinLinksChanged();
    TOWStateDispatcherRef keep(this);
    for (const TOWBorrowed<TOWBasicPin>& member : removal.others) {
        if (auto left = Use(member))
            left->DispatcherLeft(this);
    }
    if (removal.dissolved)
        dissolve();
    else
        owPinEvents::DispatcherChanged(this, false);
    // The converters go last (with the removal), no section held.
}

void TOWStateDispatcher::dissolve()
{
    owPinEvents::DispatcherDestroyed(this);
    TDispatcherLists& lists = dispatcherLists();
    std::lock_guard hold(lists.guard);
    std::erase(lists.lists[designing_ ? 0 : 1], this);
}

bool TOWStateDispatcher::HasPin(TOWBasicPin* pin)
{
    auto section = TOWPinSection::Read(Lock(), nullptr);
    return section && indexOf(pin) >= 0;
}

bool TOWStateDispatcher::HasLink(TOWBasicPin* pin, TOWBasicPin* dependsOn)
{
    auto section = TOWPinSection::Read(Lock(), nullptr);
    if (!section)
        return false;
    const int index = indexOf(pin);
    return index >= 0 && members_[static_cast<std::size_t>(index)].DependsOn.Get() == dependsOn;
}

TOWBasicPin* TOWStateDispatcher::DependsOnOf(TOWBasicPin* pin)
{
    auto section = TOWPinSection::Read(Lock(), nullptr);
    if (!section)
        return nullptr;
    const int index = indexOf(pin);
    return index < 0 ? nullptr : members_[static_cast<std::size_t>(index)].DependsOn.Get();
}

bool TOWStateDispatcher::CanAdmit(TOWBasicPin* pin, TOWBasicPin* dependsOn)
{
    auto section = TOWPinSection::Read(Lock(), nullptr);
    if (!section || !pin || pin == dependsOn || indexOf(dependsOn) < 0)
        return false;
    // The chain of dependencies from dependsOn must not come back to the pin.
    TOWBasicPin* step = dependsOn;
    for (std::size_t steps = 0; steps <= members_.size(); ++steps) {
        if (step == pin)
            return false;
        const int index = indexOf(step);
        if (index < 0)
            return true;
        step = members_[static_cast<std::size_t>(index)].DependsOn.Get();
        if (!step)
            return true;
    }
    return false;
}

void TOWStateDispatcher::SetDriver(TOWBasicPin* pin, const std::string& path)
{
    // Paths are asked outside the section: they call into the members.
    TOWBorrowed<TOWBasicPin> driver;
    for (const TOWDispatcherPinStorage& member : Members()) {
        if (auto m = Use(member.Member); m && m->GetPath(true) == path) {
            driver = member.Member;
            break;
        }
    }
    auto section = TOWPinSection::Write(Lock(), nullptr);
    const int index = section ? indexOf(pin) : -1;
    if (index >= 0)
        members_[static_cast<std::size_t>(index)].Driver = driver;
}

TOWBasicPin* TOWStateDispatcher::DriverOf(TOWBasicPin* pin)
{
    auto section = TOWPinSection::Read(Lock(), nullptr);
    const int index = section ? indexOf(pin) : -1;
    return index < 0 ? nullptr : members_[static_cast<std::size_t>(index)].Driver.Get();
}

bool TOWStateDispatcher::CanDrive(TOWBasicPin* a, TOWBasicPin* b)
{
    auto section = TOWPinSection::Read(Lock(), nullptr);
    if (!section)
        return false;
    for (std::size_t steps = 0; steps <= members_.size(); ++steps) {
        if (!b)
            return true;
        if (a == b)
            return false;
        const int index = indexOf(b);
        if (index < 0)
            return false;
        b = members_[static_cast<std::size_t>(index)].Driver.Get();
    }
    return false;
}

std::string TOWStateDispatcher::MemberPath(TOWBasicPin* pin)
{
    if (!HasPin(pin))
        return {};
    for (const TOWDispatcherPinStorage& member : Members()) {
        if (member.Member.Get() == pin) {
            if (auto m = Use(member.Member))
                return m->GetPath(true);
        }
    }
    return {};
}

bool TOWStateDispatcher::MembersInDifferentRoots()
{
    std::string first;
    bool any = false;
    for (const TOWDispatcherPinStorage& member : Members()) {
        auto m = Use(member.Member);
        if (!m)
            continue;
        const std::string root = m->GetRootName();
        if (!any) {
            first = root;
            any = true;
        } else if (root != first) {
            return true;
        }
    }
    return false;
}

void TOWStateDispatcher::AddConverter(TOwned<TOWFormatConverter> converter)
{
    auto section = TOWPinSection::Write(Lock(), nullptr);
    if (section)
        converters_.Add(std::move(converter));
}

std::vector<TOWFormatConverter*> TOWStateDispatcher::Converters()
{
    auto section = TOWPinSection::Read(Lock(), nullptr);
    return section ? converters_.Snapshot() : std::vector<TOWFormatConverter*>{};
}

void TOWStateDispatcher::MarkVisited(TOWBasicPin* pin)
{
    auto section = TOWPinSection::Write(Lock(), nullptr);
    if (!section)
        return;
    if (std::find(visited_.begin(), visited_.end(), pin) == visited_.end())
        visited_.push_back(pin);
    ++visitCount_;
}

bool TOWStateDispatcher::IsVisited(TOWBasicPin* pin)
{
    auto section = TOWPinSection::Read(Lock(), nullptr);
    return section && std::find(visited_.begin(), visited_.end(), pin) != visited_.end();
}

void TOWStateDispatcher::ClearVisited()
{
    auto section = TOWPinSection::Write(Lock(), nullptr);
    if (!section)
        return;
    visited_.clear();
    visitCount_ = 0;
}

int TOWStateDispatcher::VisitCount()
{
    auto section = TOWPinSection::Read(Lock(), nullptr);
    return section ? visitCount_ : 0;
}

void TOWStateDispatcher::PinChanged(TOWBasicPin* pin)
{
    owPinEvents::DispatcherChanged(this, false);
}

void TOWStateDispatcher::RelayState(TOWBasicPin* requester)
{
    TOWStateDispatcherRef keep(this);
    const std::vector<TOWDispatcherPinStorage> members = Members();
    auto deliverFrom = [&](TOWBasicPin& member) {
        member.DeliverState(OWMakeOperation<TOWNotifyOperation>(), 0, &member == requester ? nullptr : requester);
    };
    // A source among the members speaks for the link.
    for (const TOWDispatcherPinStorage& m : members) {
        auto member = Use(m.Member);
        if (member && member->GetSinkKind() == TOWPinKind::Source) {
            deliverFrom(*member);
            return;
        }
    }
    for (const TOWDispatcherPinStorage& m : members) {
        auto member = Use(m.Member);
        if (!member)
            continue;
        const TOWPinKind kind = member->GetSinkKind();
        if (kind != TOWPinKind::Sink && kind != TOWPinKind::MultiSink)
            deliverFrom(*member);
    }
}

TOWStateDispatcherRef FindDispatcher(const std::string& name, bool designing)
{
    TDispatcherLists& lists = dispatcherLists();
    std::lock_guard hold(lists.guard);
    for (TOWStateDispatcher* dispatcher : lists.lists[designing ? 0 : 1]) {
        // The name is fixed at creation, so it may be read without the
        // dispatcher's section (which the lock order forbids here).
        if (dispatcher->NameUnlocked() == name && tryAddRef(dispatcher->refCountForLookup()))
            return TOWStateDispatcherRef(dispatcher, owAdoptRef);
    }
    return {};
}

TOWStateDispatcherRef FindOrMakeDispatcher(const std::string& name, TOWBasicPin& pin)
{
    if (TOWStateDispatcherRef found = FindDispatcher(name, pin.IsDesigning()))
        return found;
    pin.CreateDispatcher(name);
    return pin.GetDispatcher();
}

std::string UniqueLinkName(TComponent* component, bool designing)
{
    const std::string base = (component ? component->Name() : std::string()) + "Link";
    for (int n = 1;; ++n) {
        std::string name = base + std::to_string(n);
        if (!FindDispatcher(name, designing))
            return name;
    }
}
