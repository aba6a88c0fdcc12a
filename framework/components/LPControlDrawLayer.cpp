#include "framework/components/LPControlDrawLayer.h"

#include "framework/ClassLibrary/TypeInfo.h"

#include <algorithm>

const TClassInfo& TLPDrawLayers::StaticClassInfo()
{
    static const TClassInfo info("TLPDrawLayers", &TSLComponentItems::StaticClassInfo(), {});
    return info;
}

TLPControlDrawLayer::TLPControlDrawLayer(TComponent* owner) : TSLCustomControlItem(owner) {}

TLPControlDrawLayer::~TLPControlDrawLayer()
{
    DestroyLayer();
}

const TClassInfo& TLPControlDrawLayer::StaticClassInfo()
{
    static const TClassInfo info("TLPControlDrawLayer", &TSLCustomControlItem::StaticClassInfo(), {});
    return info;
}

const TClassInfo& TLPControlDrawLayer::ItemListClass() const
{
    return TLPDrawLayers::StaticClassInfo();
}

bool TLPControlDrawLayer::AddClient(TObject& client)
{
    const TOWLockSectionRef section = Lock().WriteSection();
    if (!section || layerDestroyed_)
        return false;
    if (std::find(clients_.begin(), clients_.end(), &client) == clients_.end())
        clients_.push_back(&client);
    return true;
}

void TLPControlDrawLayer::RemoveClient(TObject& client)
{
    const TOWLockSectionRef section = Lock().WriteSection();
    if (section)
        std::erase(clients_, &client);
}

int TLPControlDrawLayer::ClientCount() const
{
    const TOWLockSectionRef section = Lock().ReadSection();
    return static_cast<int>(clients_.size());
}

TObject* TLPControlDrawLayer::GetData(const void* key)
{
    const TOWLockSectionRef section = Lock().ReadSection();
    if (!section)
        return nullptr;
    for (const auto& [k, value] : data_)
        if (k == key)
            return value.get();
    return nullptr;
}

void TLPControlDrawLayer::SetData(const void* key, TOwned<TObject> value)
{
    TOwned<TObject> replaced;
    {
        const TOWLockSectionRef section = Lock().WriteSection();
        if (!section || layerDestroyed_)
            return;
        auto it = std::find_if(data_.begin(), data_.end(), [key](const auto& entry) { return entry.first == key; });
        if (it == data_.end()) {
            if (value)
                data_.emplace_back(key, std::move(value));
        } else if (!value) {
            replaced = std::move(it->second);
            data_.erase(it);
        } else if (value.get() == it->second.get()) {
            // Stored again: it stays, and only once.
            (void)value.release();
        } else {
            replaced = std::exchange(it->second, std::move(value));
        }
    }
    // Freed outside the section: its destructor may use the layer.
}

void TLPControlDrawLayer::ClearData()
{
    std::vector<std::pair<const void*, TOwned<TObject>>> cleared;
    {
        const TOWLockSectionRef section = Lock().WriteSection();
        if (!section)
            return;
        cleared.swap(data_);
    }
}

void TLPControlDrawLayer::BeforeDestruction()
{
    TSLCustomControlItem::BeforeDestruction();
    DestroyLayer();
}

void TLPControlDrawLayer::DestroyLayer()
{
    if (layerDestroyed_)
        return;
    const TOWLockSectionRef stop = Lock().StopSection();
    layerDestroyed_ = true;
    // A client may or may not remove itself, and may even add clients as it
    // goes: each object is freed once, and the list is drained, not trusted.
    std::vector<TObject*> freed;
    for (;;) {
        std::vector<TObject*> batch;
        batch.swap(clients_);
        if (batch.empty())
            break;
        for (auto it = batch.rbegin(); it != batch.rend(); ++it) {
            if (std::find(freed.begin(), freed.end(), *it) != freed.end())
                continue;
            freed.push_back(*it);
            FreeObject(*it);
        }
    }
    std::vector<std::pair<const void*, TOwned<TObject>>> data;
    data.swap(data_);
    data.clear();
}
