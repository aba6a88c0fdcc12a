#pragma once
// The pin model: who owns what, which locks are taken in which order, and what
// may be called while a lock is held. Every class of the pin model (the pins,
// pin lists, state dispatchers, placeholders and converters) keeps to these
// rules; code that adds pins keeps to them too.
//
// OWNERSHIP
// - A pin is owned by exactly one of: its owner component (a TOwned member or
//   a component it owns), a TOWPinList made with OwnsPins, or a format
//   converter (its two pins). It is freed with FreeObject (TOwned does that),
//   so that BeforeDestruction runs the destruction protocol below while the
//   whole object still exists.
// - A component is owned by its owner component. Handlers on several threads
//   may free or rename components of one owner, their own included, while
//   its owner is being freed: whoever claims a component's destruction first
//   (FreeObject) frees it, a second FreeObject leaves it alone, and the
//   owner's destruction frees its components outside its list lock and then
//   waits until those that other threads are freeing are gone. A thread
//   freeing a component counts it among its uses until it is gone, so a
//   handler freeing the owner of its pin's component while another thread
//   frees that component does not hold it up: that thread's destruction of
//   the pin does not wait for the handler's use (the owner's destruction
//   waits for it), and the handler finds its pin gone, as if it had freed
//   it itself.
// - Placeholders (TOWUnloadedPin) are owned by the process-wide placeholder
//   list and by nothing else. A pin list slot that holds a placeholder only
//   borrows it, even in a list that owns its pins.
//   A placeholder lasts only while something waits on it: a link recorded
//   (it is freed once the last pin linked to it is freed, links elsewhere or
//   lets go; of two placeholders linked, each records the other), a link of
//   two other pins made with it as DependsOn (asked again when that link
//   goes, OWDependencyLinkWent, or one of the two is freed), the slot
//   of a pin list it stands in (or, purged from the slot with its links, the
//   list's wait for a pin of that slot), or Keep. A pin list that goes,
//   alone or with its owner, frees its stand-ins, links and all. So once a
//   form is freed, none of the placeholders it made or stood in for is left,
//   and a pin made later takes over only links of pins that still stand. A
//   placeholder left without links while a link change or a hand-over to its
//   real pin runs on the thread is freed when the outermost of these ends.
// - A state dispatcher is reference-counted: each member pin holds one
//   reference and so does every delivery or relay walking its members. When
//   its last member leaves it leaves the global dispatcher list and is freed
//   with the last reference, never under a walk.
// - Format converters made by a source pin are owned by that source's
//   converter list; a state converter by the dispatcher that records it.
// - Operations are counted interfaces (TOWNotifyOperationRef). Handlers get a
//   borrowed reference and take their own when they keep the operation.
// - Pin-event listeners are counted interfaces; the listener list holds one
//   reference to each registered listener.
// - The registries of stream types and converters, the pin registry, the
//   dispatcher lists, the placeholder list and the listener list belong to
//   the pin unit. They exist from their first use (never filled by static
//   constructors); OWPinsStartUp fills the registries from the stream-type
//   units, OWPinsFinalize frees the placeholders and listeners and empties
//   the registries.
//
// BORROWED POINTERS AND THE DESTROY LOCK
// Every pin, pin list and dispatcher has a destroy lock (TOWDestroyLock), a
// counted object that outlives it. A pointer to another pin-model object that
// is kept beyond one call (a sink entry, a dispatcher member, a list slot, a
// placeholder's partner, a queued pin's back pointer) is a TOWBorrowed<T>: the
// pointer together with a reference to that object's destroy lock. It is
// dereferenced only inside a use of that lock (Use(borrowed)): a use is
// refused once the object's destruction has begun, and the destruction waits
// until the uses of other threads have ended. A refused use means "that
// object is gone": the caller treats the link as absent. Uses never block.
//
// LOCK ORDER (outermost first; a thread takes locks only in this order)
//   1. Owner locks: the IOWLock of a component or chart (the `Lock` a pin or
//      pin list is made with). Taken by component code, never by pin-model
//      code while it holds anything below.
//   1a. Link gates (OWLinkGate.h): one per sink pin, taken by that sink's
//      link changes (connect, disconnect, the source side's removal) inside
//      a use of the sink, so that the sink's record and the source's entry
//      change together. Held across the partner's AddLink and RemoveLink,
//      which take only their own sections and no other gate; not held across
//      the announcement of a new link, the sink's listener calls, the
//      handlers the sink calls or a relink's wait (RELINK below). A source's RemoveLink runs under the gate of
//      the sink that leaves: what it does there (a stop for that sink) must
//      not wait for another thread. A source never removes the entry of a
//      sink whose destruction has begun: the sink's own disconnection and
//      the PinDestroying pass do, on the destroying thread, before the sink
//      can be freed. A removal by another thread is not waited for and could
//      outlast the sink, taking the entry of a new pin made at its address.
//   2. One pin-model section: the read or write section of ONE pin, pin list
//      or dispatcher (its own TOWObject lock, with the owner lock as yield
//      lock). Sections of the same object nest (the lock is recursive); a
//      section of a different object is never taken while one is held. Work
//      on another object is collected under the section and done after it.
//      The one exception: a pin joining or leaving a dispatcher holds its
//      own write section while it takes the dispatcher's section, so that
//      its dispatcher field and the dispatcher's member list change
//      together. A dispatcher never takes a pin's section while it holds
//      its own, so the order pin, then dispatcher, is one-way.
//   3. Leaf critical sections: the pin registry, the dispatcher lists, the
//      placeholder list and the listener list. Nothing is taken while one of
//      them is held except destroy-lock uses, which never block.
//   4. Component lists: the lock of an owner component that guards its list
//      of components, their owner fields and its name index (TComponent in
//      Component.h). Held for a moment to insert, remove, rename, look up or
//      claim the destruction of a component, and never while anything is
//      called: no handler, destructor, notification, section, owner lock or
//      destroy lock is taken under it. The one lock taken under it is the
//      list lock of a component it owns, by a walk down the tree (owner
//      first). It may be taken with anything above held. A look-up by path
//      takes a use of each component it found (TComponentUse, which never
//      blocks) under it, and reads the component's pins after letting go:
//      the component's destruction waits for that use before anything of it
//      goes.
// Consequences: the registry leaf is never held while a section is taken, and
// the destruction pass collects under the leaf and tells the pins after
// leaving it, one section at a time; so linking on one thread and destroying
// on another take their locks in the same direction, and two pins destroyed
// on two threads each hold no section while telling the others.
//
// WHAT IS CALLED WITH WHICH LOCK HELD
// - Handlers, receivers, listeners (pin events), other pins, pin lists and
//   dispatchers are called with no pin-model section and no leaf critical
//   section of the caller held. Owner locks may be held (the caller's
//   business); a source pin lets go of its owner lock around its handlers.
// - Every call out of a pin is made inside a use of the calling pin's own
//   destroy lock (TOWSelfUse). When the call returns, the caller asks that
//   use whether the pin still exists (Gone) before it touches a member
//   again: a handler may destroy its own pin or its owner, and then the
//   destruction has finished by the time the handler returns.
// - A section may come back empty: while another thread stops a lock
//   (a stop section), sections of other threads are let pass without the
//   lock. Every pin-model operation checks that its section was acquired
//   (TOWPinSection converts to false otherwise) and then touches no shared
//   state: it answers as if there were nothing (no link, no entry, False).
//
// DELIVERY
// - A delivery walks a copy of the targets made under the section, each
//   target as a TOWBorrowed, so that handlers may link, unlink or destroy
//   pins (the delivering one included) while it runs. A state delivery keeps
//   its copy (with the negotiated types and handlers) as a plan until the
//   link epoch moves on (OWPinLinksChanged, called by every change of a link,
//   a dispatcher's members or a handler table); a replaced plan is freed
//   only when no delivery is walking it. A target whose use is
//   refused is skipped. Results that go back into the entries (weights) are
//   applied under a new section to the entries that still exist: a source
//   or multi-sink (OWDeliveryRoute.h) leaves them in counters of the list it
//   walked, folded into the entries by the next delivery's section, or by
//   Id when the list was replaced meanwhile. A list of one target has no
//   order to keep: its counters wait for an inspection, a change of the
//   entries, or a few thousand deliveries.
// - What a pin hands on to a target later (a backlog kept while a new link is
//   being announced, the start replayed to it, a stop for a link that went)
//   goes one call at a time, and each call only while the pin, the target
//   and the very link it was kept for still exist: a link made anew with the
//   same pins is another link, and nothing kept for the old one reaches it.
//   A sink counts the links begun for it (TOWBasicPin::LinksMade, raised as
//   a link call closes the former links and again as the source makes the
//   entry); a stop kept for a link that went records the count and is not
//   delivered once it moved on, whichever source the sink was linked to.
// - RELINK. No delivery is ever held back to be let go later. A link call of
//   a sink (ConnectData of a sink or multi-sink; every relink goes through
//   it) takes the old link away and, still under the sink's gate, closes the
//   links that went: from then on nothing of them is admitted (neither a
//   delivery from a copy taken before nor their kept stop). While a delivery
//   (or stop) of a link that went still runs on another thread, the call
//   leaves the gate and waits for it, with the owner locks of the sink and
//   the source let go as a destruction lets go of its own, holding uses of
//   both pins; then it checks that both still stand and begins again. Only
//   then is the new link made visible to the source, so everything of the
//   old link comes before anything of the new one. The calling thread's own
//   deliveries (a handler relinking its own sink) and threads that wait for
//   a use the caller holds are not waited for (OWLinkTicket.h).
// - Converters a source lets go of while a delivery or a link change runs on
//   the thread are freed when the outermost of them ends: a delivery of this
//   thread may be passing through the converter.
// - Nesting counters (deliveries and announcements in progress) are raised
//   and lowered by a scope guard, so they come back down when an exception
//   passes; the guard does not touch a pin that is gone.
//
// DESTRUCTION OF A PIN (TOWBasicPin::BeforeDestruction, then the destructor)
//   1. Mark the destroy lock pending: from now on no use is granted, nor is
//      a delivery admitted through the pin's links as a sink. Wait for the
//      uses (and those deliveries) of other threads to end; while waiting
//      the thread lets go of
//      its holds on the pin's owner lock, so that a delivery that waits for
//      that lock inside a use of this pin can finish. Uses of the destroying
//      thread itself (a handler destroying its own pin) are not waited for;
//      nor are those of a thread that is itself waiting in a destruction for
//      a use this thread holds (directly or through a chain of such waiting
//      threads): it cannot go on before this thread does, and when it does
//      it finds the pin gone, as if its own handler had freed it. Of two
//      destructions waiting for each other (handlers on two threads each
//      freeing a pin, or the owner of a pin, whose delivery runs on the
//      other) the first to see it goes on and the other waits for it.
//   2. DisconnectAll (data links and the dispatcher), no section held across
//      calls into the partners.
//   3. The PinDestroying notification to the listeners.
//   4. The PinDestroying pass: under the registry leaf, take a use of every
//      other registered pin (refused for pins that are being destroyed
//      themselves: their own disconnection drops what they held, and they
//      reach this pin only through its refused destroy lock); leave the
//      leaf; tell each used pin once, in registry order; end the uses. Pins
//      registered or destroyed meanwhile do not disturb the walk, and no pin
//      is told twice. A pin told may free others of the walk on this thread
//      (a source freeing a converter and its pins): the walk holds their
//      destroy locks and passes over each that has been retired.
//      A pin that goes with its root (its form is being freed) skips the
//      pass when no other object holds a reference to its destroy lock
//      beyond the pin itself, its destroy section and its pin-list slot:
//      every reference a pin could have to drop is a TOWBorrowed, which
//      holds one, so a pin still held (a placeholder's pending link, a
//      dependency, a plan, a use in progress) is told as above, and
//      closing a form costs time linear in its pins.
//   5. Leave the pin list (the list finds the pin by identity: no pointer into
//      the list's storage is kept), leave the registry, retire the destroy
//      lock (every later use is refused for good).
// A pin is freed only after step 5, so no registered pin keeps a reference to
// it that it could still follow.
//
// PIN LISTS
// - Count and Items purge placeholders only when no walk is in progress: a
//   caller that walks the list holds a TOWPinList::TWalk, which defers the
//   purge to the end of the outermost walk, so indices do not shift under it.
//   A purged placeholder that holds links is not freed while the list
//   stands: a pin of the list's owner added to the list later takes over
//   every placeholder known by its slot's index path alone (those with a
//   name path wait for that path). The list keeps those it purged and frees
//   them, with the stand-ins still in its slots, when it goes.
// - Delete broadcasts before it frees: the pin is taken out of the list, the
//   notifications are sent with the pin still alive, and then it is freed.
//
// QUEUED PINS AND THE CHART
// - The chart is the owner component of its channels' pins, and its lock
//   their owner lock: their paths run through its name and its published
//   lists InputPins and XInputPins. Each channel holds (TOwned) its two pins;
//   the lists only name them.
// - State that a pin shares with other threads and that may outlive it (a
//   queued pin's queue and rate) holds a TOWBorrowed back to the pin, never a
//   plain pointer.
// - A chart removing a channel lets go of its lock before the channel's pins
//   are freed; even when it does not, step 1 above lets the owner lock go
//   while the pin waits for deliveries in progress.
#include "framework/locks/OWDestroyLock.h"
#include "framework/locks/OWInterface.h"
#include "framework/operations/OWPinTypes.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

// A pointer to a pin-model object that someone else owns, with the object's
// destroy lock. Copyable; says nothing about whether the object still exists
// until Use is asked.
template<class T>
class TOWBorrowed {
public:
    TOWBorrowed() = default;
    TOWBorrowed(T* object, TOWIntf<TOWDestroyLock> life) : object_(object), life_(std::move(life)) {}

    // The pointer, for identity comparisons only: never dereference it
    // outside a use.
    T* Get() const noexcept { return object_; }
    explicit operator bool() const noexcept { return object_ != nullptr; }
    TOWDestroyLock* Life() const noexcept { return life_.Get(); }

    friend bool operator==(const TOWBorrowed& a, const TOWBorrowed& b) noexcept { return a.object_ == b.object_; }
    friend bool operator==(const TOWBorrowed& a, const T* b) noexcept { return a.object_ == b; }

private:
    T* object_ = nullptr;
    TOWIntf<TOWDestroyLock> life_;
};

// A use of a borrowed object: while it converts to true the object exists and
// its destruction waits for the use to end (unless it is the using thread's).
template<class T>
class TOWUse {
public:
    explicit TOWUse(const TOWBorrowed<T>& borrowed)
        : object_(borrowed.Get()), use_(borrowed.Life())
    {
        if (!use_)
            object_ = nullptr;
    }

    explicit operator bool() const noexcept { return object_ != nullptr && !use_.Gone(); }
    T* operator->() const noexcept { return object_; }
    T& operator*() const noexcept { return *object_; }
    T* Get() const noexcept { return *this ? object_ : nullptr; }

private:
    T* object_;
    TOWDestroyLockUse use_;
};

template<class T>
TOWUse<T> Use(const TOWBorrowed<T>& borrowed)
{
    return TOWUse<T>(borrowed);
}
