#pragma once
// Placeholders: pins named by a form stream that do not exist yet. A
// placeholder records the links made to it and hands them to the real pin
// when that pin appears. Every placeholder is owned by the process-wide
// placeholder list; pin list slots only borrow them.
//
// A placeholder lasts only while something waits on it: a link recorded (it
// goes when the last pin linked to it is freed, links elsewhere or lets go),
// a link of two other pins whose DependsOn it stands for (until that link
// goes or names another), a slot of a pin list (the list frees its stand-ins
// when it goes), or Keep.
// So a pin made later takes over only the links of pins that still stand.
#include "framework/pins/OWPinEntryList.h"
#include "framework/pins/OWPins.h"

#include <string>
#include <vector>

class TOWUnloadedPin final : public TOWBasicPin {
public:
    ~TOWUnloadedPin() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Made and registered in the placeholder list, which owns it.
    static TOWUnloadedPin* Create(const std::string& indexPath, const std::string& namePath,
                                  const std::string& requesterPath, const std::string& rootName, TOWPinKind kind,
                                  bool designing);
    // The same, borrowed before another thread can find it: one that links
    // it and lets go may free it at once.
    static TOWBorrowed<TOWUnloadedPin> Make(const std::string& indexPath, const std::string& namePath,
                                            const std::string& requesterPath, const std::string& rootName,
                                            TOWPinKind kind, bool designing);

    const std::string& IndexPathText() const { return indexPath_; }
    const std::string& NamePathText() const { return namePath_; }
    const std::string& RequesterPath() const { return requesterPath_; }
    const std::string& RootNameText() const { return rootName_; }

    // The placeholder accepts every link and offers no type.
    bool CanLinkType(TOWBasicPin* pin, TOWFormatConverter*& converter, bool flag,
                     const TOWFormatConverterClass*& converterClass) override;
    // A DependsOn is recorded with the link, to be checked by the real pin.
    bool CanLink(TOWBasicPin* pin, TOWBasicPin* dependsOn, bool flag) override;
    TOWPinKind GetSinkKind() override { return kind_; }
    std::string GetRootName() override { return rootName_; }
    std::string GetLocalName() override;
    std::string GetPath(bool withRoot) override;
    std::string GetIndexPath(bool withRoot) override;
    bool IsFunctionDependentDeep(TOWBasicPin* pin) override { return false; }
    bool CanConnectTo(TOWBasicPin* pin, bool flag) override { return true; }
    bool IsDesigning() override { return designing_; }
    TGUID NegotiateStateType(TOWBasicPin* pin, TOWFormatConverter*& converter, bool flag,
                             const TOWFormatConverterClass*& converterClass) override;
    bool DeliverState(const TOWNotifyOperationRef& operation, TOWHandlerFlags flags, TOWBasicPin* target) override
    {
        return false;
    }
    bool IsConnected() override;
    bool IsLinkedWith(TOWBasicPin* pin) override;
    // Linking a placeholder records the partner and the link data.
    void AddLink(TOWBasicPin* pin, TOWBasicPin* dependsOn) override;
    bool ConnectData(TOWBasicPin* pin, TOWBasicPin* dependsOn) override;
    void RemoveLink(TOWBasicPin* pin, bool keepPlaceholder) override;
    void Disconnect(TOWBasicPin* pin) override { RemoveLink(pin, false); }
    void DisconnectAll() override;
    void PinDestroying(TOWBasicPin* pin) override;
    void PinReplaced(TOWBasicPin* oldPin, TOWBasicPin* newPin) override;
    // The DependsOn recorded with the link of that partner.
    TOWBasicPin* GetDependsOn(TOWBasicPin* pin) override;
    int GetLinkCount() override;
    TOWBasicPin* GetLink(int index) override;

    bool InList() const { return inList_.load(); }
    void SetInList(bool inList) { inList_.store(inList); }
    // Being freed or handed over to its real pin: it takes no link any more.
    bool Going() const { return releasing_.load(); }
    bool Keep() const { return keep_.load(); }
    void SetKeep(bool keep) { keep_.store(keep); }
    // Whether a pin list of the form of that root name writes this
    // placeholder's links with its slot (so its partners do not write them).
    bool WrittenWithListOf(const std::string& rootName) const { return InList() && rootName_ == rootName; }

    // A link between the two pins was made with this placeholder as its
    // DependsOn (a dependency not loaded yet). The placeholder lasts while
    // one of the two names it as the DependsOn of their link: it is asked
    // again when the link goes (OWDependencyLinkWent) or one of them is freed.
    // False when the placeholder is going already (it cannot be named).
    bool AddDependent(TOWBasicPin& pin, TOWBasicPin& far);
    void RemoveDependent(TOWBasicPin& pin, TOWBasicPin& far);

    // Gives way to the real pin: every pin replaces its references, the
    // recorded links are made from the real pin, and the placeholder is freed.
    // Do not touch the placeholder afterwards.
    void ResolveInto(TOWBasicPin& realPin);
    // Frees the placeholder when it holds no links, is not in a list and is
    // not kept. Do not touch it afterwards when it answers True.
    bool ReleaseIfUnused();
    // Frees the placeholder whatever links it holds, unless it is kept (a pin
    // list's stand-in going with the list); the partners hear that it goes.
    // Do not touch it afterwards when it answers True.
    bool Discard();

    // A link of a pin that waits on a placeholder, with the link's DependsOn.
    struct TPendingLink {
        TOWBorrowed<TOWBasicPin> Placeholder;
        TOWBorrowed<TOWBasicPin> DependsOn;
    };
    // The links of that pin that wait on placeholders, in the order the
    // placeholders were made.
    static std::vector<TPendingLink> PendingLinksOf(const TOWBasicPin& pin);

private:
    TOWUnloadedPin(std::string indexPath, std::string namePath, std::string requesterPath, std::string rootName,
                   TOWPinKind kind, bool designing);
    enum class TRelease { IfUnused, EvenIfWaitedOn };
    // Frees the placeholder unless it is kept, going already or, when only
    // if unused, still waited on: true when freed.
    bool release(TRelease when);
    // After a link went: released once nothing waits on it, when the partner's
    // link change (or this placeholder's own hand-over) has ended.
    void releaseWhenUnused();
    // Lets go of the recorded links of the two pins whose link no longer
    // names this placeholder as its DependsOn.
    void dependencyLinkWent(TOWBasicPin* pin, TOWBasicPin* far);
    // Keeps the placeholder list's count of those with dependents.
    void setHasDependents(bool has);
    friend void OWDependencyLinkWent(TOWBasicPin* pin, TOWBasicPin* far);

    struct TDependent {
        TOWBorrowed<TOWBasicPin> Pin;
        TOWBorrowed<TOWBasicPin> Far;
        bool Joins(const TOWBasicPin* a, const TOWBasicPin* b) const
        {
            return (Pin.Get() == a && Far.Get() == b) || (Pin.Get() == b && Far.Get() == a);
        }
    };

    const std::string indexPath_;
    const std::string namePath_;
    const std::string requesterPath_;
    const std::string rootName_;
    const TOWPinKind kind_;
    const bool designing_;
    TOWPinEntryList links_;
    std::vector<TDependent> dependents_;
    std::atomic<bool> hasDependents_{false};
    std::atomic<bool> inList_{false};
    std::atomic<bool> keep_{false};
    std::atomic<bool> releasing_{false};
};

// The placeholder standing for the path (index or name form, with root)
// under that root name, or empty. Borrowed: it may be freed by another
// thread once found (its last partner going), so use it through TOWUse.
TOWBorrowed<TOWUnloadedPin> OWFindPlaceholder(const std::string& rootName, const std::string& path);
// The same, among the placeholders known by their index path alone (a pin
// list's stand-ins for its slots, a link given without name path).
TOWBorrowed<TOWUnloadedPin> OWFindIndexOnlyPlaceholder(const std::string& rootName, const std::string& path);
// The same, among the placeholders of that kind only.
TOWBorrowed<TOWUnloadedPin> OWFindPlaceholderOfKind(const std::string& rootName, const std::string& path,
                                                    TOWPinKind kind);
// A placeholder that stands for the pin, searched by its paths with and
// without root; empty when none.
TOWBorrowed<TOWUnloadedPin> OWFindPlaceholderFor(TOWBasicPin& pin);
using TOWPlaceholderFinder = TOWBorrowed<TOWUnloadedPin> (*)(const std::string& rootName, const std::string& path);
// Resolves into the pin every placeholder that find gives for the path,
// first with the pin's root (pathWithRoot), then without (path), until none
// is left.
void OWResolvePlaceholdersOf(TOWBasicPin& pin, const std::string& pathWithRoot, const std::string& path,
                             TOWPlaceholderFinder find);
// The placeholder borrowed as a pin.
inline TOWBorrowed<TOWBasicPin> OWBorrowedPin(const TOWBorrowed<TOWUnloadedPin>& placeholder)
{
    return {placeholder.Get(), TOWIntf<TOWDestroyLock>(placeholder.Life())};
}
int OWPlaceholderCount();
// The link of the two pins went or changed (pointers compared only): a
// placeholder that stood for its DependsOn and that neither pin names any
// more lets go of it, and goes when nothing else waits on it.
void OWDependencyLinkWent(TOWBasicPin* pin, TOWBasicPin* far);
// Lets go of every link of the pin that waits on a placeholder (each
// placeholder goes when nothing else waits on it).
void OWLetGoOfPendingLinks(TOWBasicPin& pin);

namespace owPlaceholderDetail {
// Frees every placeholder (the pin unit's finalisation).
void FreeAll();
} // namespace owPlaceholderDetail
