#include "framework/pins/OWPinEntryList.h"

#include <algorithm>
#include <atomic>

namespace {
std::atomic<std::uint64_t> nextEntryId{1};
} // namespace

TOWPinEntry& TOWPinEntryList::Add(TOWPinEntry entry)
{
    entry.Id = nextEntryId.fetch_add(1, std::memory_order_relaxed);
    entries_.push_back(std::move(entry));
    return entries_.back();
}

void TOWPinEntryList::Delete(int index)
{
    entries_.erase(entries_.begin() + index);
}

int TOWPinEntryList::IndexOfSink(const TOWBasicPin* sink) const
{
    for (int i = Count() - 1; i >= 0; --i) {
        if (entries_[static_cast<std::size_t>(i)].Sink.Get() == sink)
            return i;
    }
    return -1;
}

int TOWPinEntryList::IndexOfId(std::uint64_t id) const
{
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const TOWPinEntry& e) { return e.Id == id; });
    return it == entries_.end() ? -1 : static_cast<int>(it - entries_.begin());
}

void TOWPinEntryList::Exchange(int i, int j)
{
    std::swap(entries_.at(static_cast<std::size_t>(i)), entries_.at(static_cast<std::size_t>(j)));
}

int TOWSinkPinList::Count()
{
    auto section = ownerPin_.ReadLocked();
    return section ? static_cast<int>(sinks_.size()) : 0;
}

TOWBorrowed<TOWBasicPin> TOWSinkPinList::Items(int index)
{
    auto section = ownerPin_.ReadLocked();
    if (!section || index < 0 || index >= static_cast<int>(sinks_.size()))
        return {};
    return sinks_[static_cast<std::size_t>(index)];
}

std::vector<TOWBorrowed<TOWBasicPin>> TOWSinkPinList::Snapshot()
{
    auto section = ownerPin_.ReadLocked();
    if (!section)
        return {};
    return sinks_;
}

bool TOWSinkPinList::Contains(const TOWBasicPin* sink)
{
    auto section = ownerPin_.ReadLocked();
    return section && std::find(sinks_.begin(), sinks_.end(), sink) != sinks_.end();
}

void TOWSinkPinList::Add(TOWStreamPin* sink)
{
    if (!sink)
        return;
    {
        auto section = ownerPin_.WriteLocked();
        if (!section || std::find(sinks_.begin(), sinks_.end(), sink) != sinks_.end())
            return;
        sinks_.push_back(sink->Borrow());
    }
    sink->DependencyAdded(kind_, ownerPin_);
}

void TOWSinkPinList::Remove(TOWStreamPin* sink)
{
    {
        auto section = ownerPin_.WriteLocked();
        if (!section)
            return;
        auto it = std::find(sinks_.begin(), sinks_.end(), sink);
        if (it == sinks_.end())
            return;
        sinks_.erase(it);
    }
    sink->DependencyRemoved(kind_, ownerPin_);
}

bool TOWObjectList::Add(TOWPinObject* object)
{
    if (Contains(object))
        return false;
    items_.push_back(object);
    return true;
}

bool TOWObjectList::Contains(const TOWPinObject* object) const
{
    return std::find(items_.begin(), items_.end(), object) != items_.end();
}
