#pragma once
// The small lists the source pins keep: sink entries, the sink pins their
// values or types depend on, and the visited lists of a dependents walk.
#include "framework/pins/OWPins.h"

#include <cstdint>
#include <vector>

// One link of a source (or multi-sink) pin. The pins are borrowed: use them
// through TOWUse. Id names the entry for good, so that results computed
// outside the section (weights) land on the entry that still exists.
struct TOWPinEntry {
    std::uint64_t Id = 0;
    TOWBorrowed<TOWBasicPin> Target;
    TOWBorrowed<TOWBasicPin> Sink;
    TOWBorrowed<TOWBasicPin> DependsOn;
    TGUID StreamType{};
    TOWStreamHandler Handler;
    std::int32_t Weight = 0;
    // Names the link to the sink (made by a source's entry only).
    TOWIntf<TOWLinkTicket> Ticket;
};

// Owns its entry records; guarded by its pin's sections.
class TOWPinEntryList {
public:
    // Stamps the entry with a new Id; the stored entry.
    TOWPinEntry& Add(TOWPinEntry entry);
    void Delete(int index);
    int Count() const { return static_cast<int>(entries_.size()); }
    TOWPinEntry& Items(int index) { return entries_.at(static_cast<std::size_t>(index)); }
    const TOWPinEntry& Items(int index) const { return entries_.at(static_cast<std::size_t>(index)); }
    // The last entry whose Sink is the pin, -1 when none.
    int IndexOfSink(const TOWBasicPin* sink) const;
    int IndexOfId(std::uint64_t id) const;
    void Exchange(int i, int j);
    std::vector<TOWPinEntry>& Entries() { return entries_; }
    const std::vector<TOWPinEntry>& Entries() const { return entries_; }

private:
    std::vector<TOWPinEntry> entries_;
};

// The sink pins of a source's component that it depends on, of one kind. Not
// owning; guarded by the owner pin's sections. Adding and removing tells the
// sink afterwards, outside the section.
class TOWSinkPinList {
public:
    TOWSinkPinList(TOWStreamPin& ownerPin, TOWDependencyKind kind) : ownerPin_(ownerPin), kind_(kind) {}

    int Count();
    // Borrowed: use through TOWUse.
    TOWBorrowed<TOWBasicPin> Items(int index);
    std::vector<TOWBorrowed<TOWBasicPin>> Snapshot();
    bool Contains(const TOWBasicPin* sink);
    // A null sink is ignored; a sink already listed is not added twice.
    void Add(TOWStreamPin* sink);
    void Remove(TOWStreamPin* sink);
    TOWDependencyKind Kind() const { return kind_; }

private:
    TOWStreamPin& ownerPin_;
    const TOWDependencyKind kind_;
    std::vector<TOWBorrowed<TOWBasicPin>> sinks_;
};

class TOWFunctionSinkPinList : public TOWSinkPinList {
public:
    explicit TOWFunctionSinkPinList(TOWStreamPin& ownerPin) : TOWSinkPinList(ownerPin, TOWDependencyKind::Function) {}
};

class TOWDataTypeSinkPinList : public TOWSinkPinList {
public:
    explicit TOWDataTypeSinkPinList(TOWStreamPin& ownerPin) : TOWSinkPinList(ownerPin, TOWDependencyKind::DataType) {}
};

// A counted list of pin-model objects (the visited pins of a dependents
// walk), freed with its last reference.
class TOWObjectList final : public TOWInterfacedObject<IOWInterface> {
public:
    static TOWIntf<TOWObjectList> Create() { return OWMake<TOWObjectList>(); }

    // False when the object is listed already.
    bool Add(TOWPinObject* object);
    bool Contains(const TOWPinObject* object) const;
    int Count() const { return static_cast<int>(items_.size()); }
    TOWPinObject* Items(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    // Further lists of the same walk.
    void AddList(TOWIntf<TOWObjectList> list) { lists_.push_back(std::move(list)); }
    int ListCount() const { return static_cast<int>(lists_.size()); }
    TOWObjectList& Lists(int index) const { return *lists_.at(static_cast<std::size_t>(index)); }

private:
    std::vector<TOWPinObject*> items_;
    std::vector<TOWIntf<TOWObjectList>> lists_;
};
