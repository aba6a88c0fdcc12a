#include "framework/components/SLComponentItems.h"

#include "framework/ClassLibrary/TypeInfo.h"

#include <algorithm>
#include <mutex>

TSLComponentItems::TSLComponentItems(TComponent* ownerComponent, ILPLock& lock)
    : TLPPersistent(ownerComponent, lock), ownerComponent_(ownerComponent)
{
}

TSLComponentItems::~TSLComponentItems()
{
    Clear(true);
}

const TClassInfo& TSLComponentItems::StaticClassInfo()
{
    static const TClassInfo info("TSLComponentItems", &TLPPersistent::StaticClassInfo(), {});
    return info;
}

void TSLComponentItems::Add(ISLComponentItem& item)
{
    bool added = false;
    {
        std::scoped_lock lock(guard_);
        if (std::find(items_.begin(), items_.end(), &item) == items_.end()) {
            items_.push_back(&item);
            added = true;
        }
    }
    item.SetOwnerCollection(this);
    item.SetCollectionOwner(ownerComponent_);
    if (added)
        Changed();
}

int TSLComponentItems::Remove(ISLComponentItem& item)
{
    int index = -1;
    {
        std::scoped_lock lock(guard_);
        auto it = std::find(items_.begin(), items_.end(), &item);
        if (it != items_.end()) {
            index = static_cast<int>(it - items_.begin());
            items_.erase(it);
        }
    }
    if (index >= 0)
        Changed();
    return index;
}

void TSLComponentItems::Detach(ISLComponentItem& item)
{
    if (Remove(item) >= 0)
        item.SetOwnerCollection(nullptr);
}

void TSLComponentItems::Exchange(int i, int j)
{
    {
        std::scoped_lock lock(guard_);
        const auto n = static_cast<int>(items_.size());
        if (i < 0 || j < 0 || i >= n || j >= n)
            return;
        std::swap(items_[static_cast<std::size_t>(i)], items_[static_cast<std::size_t>(j)]);
    }
    Changed();
}

int TSLComponentItems::GetCount() const
{
    std::scoped_lock lock(guard_);
    return static_cast<int>(items_.size());
}

ISLComponentItem* TSLComponentItems::GetItemIntf(int index) const
{
    std::scoped_lock lock(guard_);
    if (index < 0 || index >= static_cast<int>(items_.size()))
        return nullptr;
    return items_[static_cast<std::size_t>(index)];
}

int TSLComponentItems::IndexOf(const ISLComponentItem& item) const
{
    std::scoped_lock lock(guard_);
    auto it = std::find(items_.begin(), items_.end(), &item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

std::vector<ISLComponentItem*> TSLComponentItems::snapshot() const
{
    std::scoped_lock lock(guard_);
    return items_;
}

void TSLComponentItems::Clear(bool freeItems)
{
    // Each pass takes the last item still listed, so an item that does not
    // leave as asked is dealt with once and then dropped.
    std::vector<ISLComponentItem*> done;
    for (;;) {
        ISLComponentItem* item = nullptr;
        {
            std::scoped_lock lock(guard_);
            while (!items_.empty() && !item) {
                item = items_.back();
                if (std::find(done.begin(), done.end(), item) != done.end()) {
                    items_.pop_back();
                    item = nullptr;
                }
            }
        }
        if (!item)
            break;
        done.push_back(item);
        TCustomControl& control = item->GetComponent();
        if (freeItems && ownerComponent_) {
            ownerComponent_->RemoveComponent(control);
            if (auto* ownerControl = dynamic_cast<TCustomControl*>(ownerComponent_))
                ownerControl->RemoveControl(control);
        }
        item->SetOwnerCollection(nullptr);
        item->SetCollectionOwner(nullptr);
        if (freeItems)
            FreeObject(&control);
    }
}

void TSLComponentItems::GetChildren(const TGetChildProc& proc, TComponent* root) const
{
    for (ISLComponentItem* item : snapshot()) {
        TCustomControl& control = item->GetComponent();
        if (control.Owner() == root)
            proc(control);
    }
}

void TSLComponentItems::SetChildOrder(TComponent& child, int order)
{
    if (auto* item = dynamic_cast<ISLComponentItem*>(&child))
        if (IndexOf(*item) >= 0)
            item->SetIndex(order);
}

const TClassInfo& TLPComponentElements::StaticClassInfo()
{
    static const TClassInfo info("TLPComponentElements", &TSLComponentItems::StaticClassInfo(), {});
    return info;
}

void TLPComponentElements::Changed()
{
    if (onChanged_)
        onChanged_();
}
