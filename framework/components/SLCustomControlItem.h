#pragma once
// A control that can be an item of a component's item list. While it belongs
// to a list it is parked on the parking form, names the list's owner as its
// parent component and streams as that owner's child; its stream records which
// property of the owner holds the list ("_OwnerCollection").
//
// It joins the list its parent component keeps in a published property of the
// item-list class: after being read from a stream (unless that parent is a
// "TILGlassPanel", or the stream already named the list) and when its parent
// component is set at run time.
#include "framework/components/SLComponentItems.h"

class TWriter;

class TSLCustomControlItem : public TLPCustomControl, public virtual ISLComponentItem {
public:
    explicit TSLCustomControlItem(TComponent* owner);
    // Leaves its list even when freed without BeforeDestruction.
    ~TSLCustomControlItem() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // The class of the lists this item joins.
    virtual const TClassInfo& ItemListClass() const;

    void SetOwnerCollection(TSLComponentItems* list) override;
    TSLComponentItems* GetOwnerCollection() const override { return ownerCollection_; }
    void SetCollectionOwner(TComponent* owner) override { collectionOwner_ = owner; }
    TComponent* GetCollectionOwner() const override { return collectionOwner_; }
    TCustomControl& GetComponent() override { return *this; }
    int GetIndex() const override;
    // Clamped into the list; the item swaps places with the one at the target.
    void SetIndex(int index) override;
    bool GetVisible() const override { return Visible(); }
    void SetVisible(bool visible) override { TCustomControl::SetVisible(visible); }

    // In a list the parent is always the parking form, whatever is asked.
    void SetParent(TCustomControl* parent) override;
    bool HasParent() const override;
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;

    void ReadState(TReader& reader) override;
    void DefineProperties(TFiler& filer) override;
    // Leaves the list under a stop section of the list's lock.
    void BeforeDestruction() override;

private:
    // Joins the list that parent keeps in a property of the item-list class.
    void joinListOf(TComponent* parent);
    void park();
    void leaveList();
    void readOwnerCollection(TReader& reader);
    void writeOwnerCollection(TWriter& writer) const;

    TSLComponentItems* ownerCollection_ = nullptr;
    TComponent* collectionOwner_ = nullptr;
    bool joinedFromStream_ = false;
};
