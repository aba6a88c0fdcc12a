#include "framework/ClassLibrary/Object.h"

#include "framework/ClassLibrary/TypeInfo.h"

const TClassInfo& TObject::StaticClassInfo()
{
    static const TClassInfo info("TObject", nullptr, {});
    return info;
}

std::string_view TObject::ClassName() const
{
    return ClassInfo().Name();
}

bool TObject::InheritsFrom(const TClassInfo& ancestor) const
{
    return ClassInfo().InheritsFrom(ancestor);
}

void FreeObject(TObject* object)
{
    if (object && (!object->claimDestruction_ || object->claimDestruction_(*object)))
        FreeClaimedObject(object);
}

void FreeClaimedObject(TObject* object)
{
    if (!object)
        return;
    object->WaitForUses();
    object->BeforeDestruction();
    delete object;
}
