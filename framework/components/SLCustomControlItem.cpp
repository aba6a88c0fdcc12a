#include "framework/components/SLCustomControlItem.h"

#include "framework/ClassLibrary/FormStream.h"
#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/components/SLParkingForm.h"
#include "framework/components/SLPropertyLookup.h"

#include <algorithm>

namespace {

constexpr std::string_view ownerCollectionProperty = "_OwnerCollection";
// Its items are read into a panel that keeps its own lists; only a stored
// list name puts them into one.
constexpr std::string_view glassPanelClass = "TILGlassPanel";

} // namespace

TSLCustomControlItem::TSLCustomControlItem(TComponent* owner) : TLPCustomControl(owner) {}

TSLCustomControlItem::~TSLCustomControlItem()
{
    leaveList();
}

const TClassInfo& TSLCustomControlItem::StaticClassInfo()
{
    static const TClassInfo info("TSLCustomControlItem", &TLPCustomControl::StaticClassInfo(), {});
    return info;
}

const TClassInfo& TSLCustomControlItem::ItemListClass() const
{
    return TSLComponentItems::StaticClassInfo();
}

void TSLCustomControlItem::SetOwnerCollection(TSLComponentItems* list)
{
    if (list == ownerCollection_)
        return;
    if (ownerCollection_)
        ownerCollection_->Remove(*this);
    ownerCollection_ = list;
    if (list) {
        list->Add(*this);
        SetCollectionOwner(list->OwnerComponent());
        park();
    }
}

int TSLCustomControlItem::GetIndex() const
{
    return ownerCollection_ ? ownerCollection_->IndexOf(*this) : -1;
}

void TSLCustomControlItem::SetIndex(int index)
{
    if (!ownerCollection_)
        return;
    const int count = ownerCollection_->GetCount();
    const int target = std::clamp(index, 0, std::max(count - 1, 0));
    const int current = GetIndex();
    if (current >= 0 && target != current)
        ownerCollection_->Exchange(current, target);
}

void TSLCustomControlItem::SetParent(TCustomControl* parent)
{
    TLPCustomControl::SetParent(ownerCollection_ ? ParkingForm() : parent);
}

bool TSLCustomControlItem::HasParent() const
{
    return ownerCollection_ || TLPCustomControl::HasParent();
}

TComponent* TSLCustomControlItem::GetParentComponent() const
{
    return ownerCollection_ ? ownerCollection_->OwnerComponent() : TLPCustomControl::GetParentComponent();
}

void TSLCustomControlItem::SetParentComponent(TComponent* parent)
{
    TLPCustomControl::SetParentComponent(parent);
    if (!ComponentState().loading)
        joinListOf(parent);
}

void TSLCustomControlItem::ReadState(TReader& reader)
{
    joinedFromStream_ = false;
    TLPCustomControl::ReadState(reader);
    TComponent* parent = reader.Parent();
    // A list named in the stream stands: the class look-up would pick the
    // first list of the class and could move the item into another one.
    if (!joinedFromStream_ && !(parent && parent->ClassName() == glassPanelClass))
        joinListOf(parent);
    joinedFromStream_ = false;
}

void TSLCustomControlItem::joinListOf(TComponent* parent)
{
    TObject* list = nullptr;
    if (!FindPropertyOfClass(parent, ItemListClass(), list))
        return;
    park();
    if (auto* items = dynamic_cast<TSLComponentItems*>(list))
        SetOwnerCollection(items);
}

void TSLCustomControlItem::park()
{
    TLPCustomControl::SetParent(ParkingForm());
}

void TSLCustomControlItem::DefineProperties(TFiler& filer)
{
    TLPCustomControl::DefineProperties(filer);
    filer.DefineProperty(
        std::string(ownerCollectionProperty), [this](TReader& r) { readOwnerCollection(r); },
        [this](TWriter& w) { writeOwnerCollection(w); }, ownerCollection_ != nullptr);
}

void TSLCustomControlItem::readOwnerCollection(TReader& reader)
{
    const std::string name = reader.ReadIdent();
    TObject* list = nullptr;
    GetClassPropertyByName(reader.Parent(), name, list);
    park();
    if (auto* items = dynamic_cast<TSLComponentItems*>(list)) {
        SetOwnerCollection(items);
        joinedFromStream_ = true;
    }
}

void TSLCustomControlItem::writeOwnerCollection(TWriter& writer) const
{
    std::string name;
    if (ownerCollection_ && FindPropertyNameOfObject(collectionOwner_, ownerCollection_, name))
        writer.WriteIdent(name);
}

void TSLCustomControlItem::BeforeDestruction()
{
    leaveList();
    TLPCustomControl::BeforeDestruction();
}

void TSLCustomControlItem::leaveList()
{
    if (!ownerCollection_)
        return;
    // Other threads give up their sections on the list's tree meanwhile
    // rather than wait for an item that is going.
    const TOWLockSectionRef stop = ownerCollection_->Lock().StopSection();
    ownerCollection_->Detach(*this);
    ownerCollection_ = nullptr;
}
