#include "framework/components/SLPropertyLookup.h"

#include "framework/ClassLibrary/Object.h"

TPropInfoList ClassPropertiesOf(const TClassInfo& cls)
{
    TPropInfoList list;
    for (const TPropInfo* p : cls.SortedProperties())
        if (p->kind == TTypeKind::Class && p->get)
            list.push_back(p);
    return list;
}

bool GetPropertyValue(const TObject* object, std::string_view name, TPropValue& value)
{
    if (!object)
        return false;
    const TPropInfo* p = object->ClassInfo().FindProperty(name);
    if (!p || !p->get)
        return false;
    value = p->get(*object);
    return true;
}

bool FindPropertyOfClass(const TObject* object, const TClassInfo& cls, TObject*& value)
{
    if (!object)
        return false;
    for (const TPropInfo* p : ClassPropertiesOf(object->ClassInfo()))
        if (p->DeclaresClass(cls)) {
            value = std::get<TObject*>(p->get(*object));
            return true;
        }
    return false;
}

bool FindPropertyNameOfObject(const TObject* object, const TObject* target, std::string& name)
{
    if (!object || !target)
        return false;
    for (const TPropInfo* p : ClassPropertiesOf(object->ClassInfo()))
        if (std::get<TObject*>(p->get(*object)) == target) {
            name = p->name;
            return true;
        }
    return false;
}

bool GetClassPropertyByName(const TObject* object, std::string_view name, TObject*& value)
{
    if (!object)
        return false;
    const TPropInfo* p = object->ClassInfo().FindProperty(name);
    if (!p || p->kind != TTypeKind::Class || !p->get)
        return false;
    value = std::get<TObject*>(p->get(*object));
    return true;
}
