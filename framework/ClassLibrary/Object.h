#pragma once
// Root of the class library. Objects have a two-phase life: AfterConstruction
// runs once the whole object is constructed and BeforeDestruction while it is
// still whole, so both may call virtual functions of the most derived class.
// Create objects with MakeObject (or MakeComponent) and free them through
// TOwned or FreeObject so that the two hooks run.
#include <memory>
#include <string_view>
#include <utility>

class TClassInfo;

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    virtual void AfterConstruction() {}
    virtual void BeforeDestruction() {}
    // Called as an object is freed, before BeforeDestruction, once the
    // caller's claim on it is sure: an object that other threads may be
    // reading without owning it waits here until they are done.
    virtual void WaitForUses() {}

    static const TClassInfo& StaticClassInfo();
    virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
    std::string_view ClassName() const;
    bool InheritsFrom(const TClassInfo& ancestor) const;

protected:
    // Asked first by FreeObject, set by a class whose objects two threads may
    // free at once (a component, by its owner and by a handler of its own).
    // False when the object's destruction has been taken up already: whoever
    // took it up frees it, and the caller must not touch the object again.
    // A plain member, not a virtual function: the object may be in its
    // destructors on the other thread.
    using TClaimDestruction = bool (*)(TObject& object);
    TClaimDestruction claimDestruction_ = nullptr;

    friend void FreeObject(TObject* object);
};

// Frees an object: BeforeDestruction, then the destructor, unless its
// destruction is under way already (claimDestruction_). Null is ignored.
void FreeObject(TObject* object);
// Frees an object whose destruction the caller has claimed itself.
void FreeClaimedObject(TObject* object);

struct TObjectDeleter {
    void operator()(TObject* object) const { FreeObject(object); }
};

template<class T>
using TOwned = std::unique_ptr<T, TObjectDeleter>;

template<class T, class... Args>
TOwned<T> MakeObject(Args&&... args)
{
    TOwned<T> object(new T(std::forward<Args>(args)...));
    object->AfterConstruction();
    return object;
}
