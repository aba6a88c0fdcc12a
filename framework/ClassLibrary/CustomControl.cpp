#include "framework/ClassLibrary/CustomControl.h"

#include "framework/ClassLibrary/TypeInfo.h"

const TClassInfo& TCustomControl::StaticClassInfo()
{
    static const TClassInfo info("TCustomControl", &TComponent::StaticClassInfo(), {});
    return info;
}
