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

    static const TClassInfo& StaticClassInfo();
    virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
    std::string_view ClassName() const;
    bool InheritsFrom(const TClassInfo& ancestor) const;
};

// Frees an object: BeforeDestruction, then the destructor. Null is ignored.
void FreeObject(TObject* object);

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
