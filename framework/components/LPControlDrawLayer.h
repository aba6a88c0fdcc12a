#pragma once
// Draw layers: item controls that keep a list of clients, which they destroy
// with themselves, and a store of objects under caller-chosen keys.
#include "framework/components/SLCustomControlItem.h"

#include <string>
#include <utility>
#include <vector>

// The item-list class for draw layers.
class TLPDrawLayers : public TSLComponentItems {
public:
    using TSLComponentItems::TSLComponentItems;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

class ILPDrawLayer : public virtual ISLComponentItem {
public:
    // The layer takes over the client and frees it with itself, unless the
    // client removes itself first. False (nothing taken) while the layer is
    // being destroyed by another thread.
    virtual bool AddClient(TObject& client) = 0;
    virtual void RemoveClient(TObject& client) = 0;
    virtual const std::string& LayerName() const = 0;
    virtual TOWLockSectionRef LayerWriteSection() = 0;
    virtual TObject* GetData(const void* key) = 0;
    virtual void SetData(const void* key, TOwned<TObject> value) = 0;
    virtual bool IsDrawLayer() const = 0;

protected:
    ~ILPDrawLayer() = default;
};

class TLPControlDrawLayer : public TSLCustomControlItem, public ILPDrawLayer {
public:
    explicit TLPControlDrawLayer(TComponent* owner);
    // Runs the layer's destruction when BeforeDestruction did not (a plain
    // delete): it may not be skipped.
    ~TLPControlDrawLayer() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    const TClassInfo& ItemListClass() const override;

    bool AddClient(TObject& client) override;
    void RemoveClient(TObject& client) override;
    int ClientCount() const;
    const std::string& LayerName() const override { return Name(); }
    TOWLockSectionRef LayerWriteSection() override { return Lock().WriteSection(); }

    // The object stored under key, null when none.
    TObject* GetData(const void* key) override;
    // Stores value under key and frees what it replaces; a null value removes
    // the key (freeing its object), and is ignored for a key not stored.
    void SetData(const void* key, TOwned<TObject> value) override;
    void ClearData();
    bool IsDrawLayer() const override { return true; }

    void BeforeDestruction() override;

protected:
    // Under a stop section of the lock: frees every client once (last first,
    // whatever the clients do meanwhile), then the stored objects. Runs once;
    // a subclass whose clients need the whole object calls it first thing in
    // its destructor.
    void DestroyLayer();

private:
    std::vector<TObject*> clients_;
    std::vector<std::pair<const void*, TOwned<TObject>>> data_;
    bool layerDestroyed_ = false;
};
