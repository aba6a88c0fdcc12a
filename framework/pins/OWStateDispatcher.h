#pragma once
// A named join of state pins. Reference-counted: each member pin holds a
// reference, and so does every walk over its members, so a dispatcher that
// loses its last member dissolves (leaves the global list, tells the
// listeners) and is freed only when the last walk has let go of it.
#include "framework/pins/OWFormatConverter.h"
#include "framework/pins/OWPins.h"

#include <string>
#include <vector>

class TOWStateDispatcher;

// One member: the member pin, the pin it depends on (its link data) and the
// member that drives it.
struct TOWDispatcherPinStorage {
    TOWBorrowed<TOWBasicPin> Member;
    TOWBorrowed<TOWBasicPin> DependsOn;
    TOWBorrowed<TOWBasicPin> Driver;
};

class TOWStateDispatcher final : public TOWPinObject, public IOWInterface {
public:
    // Registered in the list of its design state; one reference to the caller.
    static TOWStateDispatcherRef Create(std::string name, bool designing);
    // Named by UniqueLinkName of the component.
    static TOWStateDispatcherRef CreateFor(TComponent* component, bool designing);
    ~TOWStateDispatcher() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    std::uint32_t AddRef() noexcept override;
    std::uint32_t Release() noexcept override;

    std::string Name() { return name_; }
    bool Designing() const { return designing_; }
    // False once the last member has left: it takes no new members.
    bool Dissolved();

    int Count();
    // The member pins in order; borrowed, to be used through TOWUse.
    std::vector<TOWDispatcherPinStorage> Members();
    TOWBasicPin* MemberPins(int index);
    // False when the pin is a member already or the dispatcher has dissolved.
    bool AddMember(TOWBasicPin* pin, TOWBasicPin* dependsOn);
    // The member's entry goes and it loses its dispatcher; members driven by
    // it lose their driver; when one end of the link is left (or none), the
    // dispatcher dissolves: the pins left in it lose it and it frees itself
    // (and its converters) with the last reference.
    void RemoveMember(TOWBasicPin* pin);
    // RemoveMember in two halves, for a pin that leaves under its own write
    // section: the first under the dispatcher's section (nested in the
    // pin's), the second after both sections have ended, as it calls out.
    struct TRemoval {
        std::vector<TOWBorrowed<TOWBasicPin>> others;
        std::vector<TOwned<TOWFormatConverter>> converters;
        bool removed = false;
        bool dissolved = false;
    };
    TRemoval TakeOutMember(TOWBasicPin* pin);
    void FinishRemoval(TRemoval removal);
    // A pin that names this dispatcher without being a member (a sink fed by
    // one of its converters); it leaves as the members do, and is told when
    // the dispatcher dissolves.
    void NamedBy(TOWBasicPin* pin);
    bool HasPin(TOWBasicPin* pin);
    bool HasLink(TOWBasicPin* pin, TOWBasicPin* dependsOn);
    TOWBasicPin* DependsOnOf(TOWBasicPin* pin);
    // The member whose path equals the text becomes the pin's driver.
    void SetDriver(TOWBasicPin* pin, const std::string& path);
    TOWBasicPin* DriverOf(TOWBasicPin* pin);
    // True when b is null; False when a is b or b is not a member; else the
    // answer for a and b's own driver, so that no chain of drivers loops.
    bool CanDrive(TOWBasicPin* a, TOWBasicPin* b);
    // Admission of a pin with a DependsOn: the DependsOn is a member and its
    // chain of dependencies does not lead back to the pin.
    bool CanAdmit(TOWBasicPin* pin, TOWBasicPin* dependsOn);
    std::string MemberPath(TOWBasicPin* pin);
    bool MembersInDifferentRoots();

    // The state converters recorded in this dispatcher (owned).
    void AddConverter(TOwned<TOWFormatConverter> converter);
    std::vector<TOWFormatConverter*> Converters();

    // The walk marks of a negotiation.
    void MarkVisited(TOWBasicPin* pin);
    bool IsVisited(TOWBasicPin* pin);
    void ClearVisited();
    int VisitCount();

    // A member changed (its type or its links).
    void PinChanged(TOWBasicPin* pin);
    // The state relay for the requesting member.
    void RelayState(TOWBasicPin* requester);

    TOWBorrowed<TOWStateDispatcher> Borrow() { return {this, life_}; }

    // For the dispatcher lists: the name never changes after creation.
    const std::string& NameUnlocked() const { return name_; }
    std::atomic<std::uint32_t>& refCountForLookup() { return refCount_; }

private:
    TOWStateDispatcher(std::string name, bool designing);
    // Under the section: the member's index, -1 when absent.
    int indexOf(TOWBasicPin* pin) const;
    void dissolve();

    std::atomic<std::uint32_t> refCount_{1};
    TOWIntf<TOWDestroyLock> life_;
    std::string name_;
    const bool designing_;
    bool registered_ = false;
    bool dissolved_ = false;
    std::vector<TOWDispatcherPinStorage> members_;
    std::vector<TOWBorrowed<TOWBasicPin>> named_;
    TOWFormatConverterList converters_;
    std::vector<TOWBasicPin*> visited_;
    int visitCount_ = 0;
};

// The dispatcher of that name in the list of that design state, or null;
// searched under the dispatcher lists' critical section.
TOWStateDispatcherRef FindDispatcher(const std::string& name, bool designing);
// The same; when none exists, the pin is asked to make one for the name.
TOWStateDispatcherRef FindOrMakeDispatcher(const std::string& name, TOWBasicPin& pin);
// Name + "Link" + n for the first n from 1 that no dispatcher of the same
// design state has.
std::string UniqueLinkName(TComponent* component, bool designing);
