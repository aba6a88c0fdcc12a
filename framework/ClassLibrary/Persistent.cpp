#include "framework/ClassLibrary/Persistent.h"

#include "framework/ClassLibrary/ClassLibraryErrors.h"
#include "framework/ClassLibrary/TypeInfo.h"

const TClassInfo& TPersistent::StaticClassInfo()
{
    static const TClassInfo info("TPersistent", &TObject::StaticClassInfo(), {});
    return info;
}

void TPersistent::Assign(const TPersistent& source)
{
    source.AssignTo(*this);
}

void TPersistent::AssignTo(TPersistent& dest) const
{
    throw EConvertError("Cannot assign a " + std::string(ClassName()) + " to a " + std::string(dest.ClassName()));
}
