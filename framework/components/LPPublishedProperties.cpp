#include "framework/components/LPPublishedProperties.h"

#include "framework/ClassLibrary/ClassLibraryErrors.h"
#include "framework/ClassLibrary/Component.h"
#include "framework/ClassLibrary/FormStream.h"
#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/locks/OWObject.h"

#include <array>
#include <string_view>

namespace {

bool sameKindGroup(const TPropInfo& a, const TPropInfo& b)
{
    return a.kind == b.kind || (a.IsOrdinal() && b.IsOrdinal()) ||
           ((a.kind == TTypeKind::String || a.kind == TTypeKind::LString) &&
            (b.kind == TTypeKind::String || b.kind == TTypeKind::LString));
}

void copyObjectProperty(TPersistent& dest, const TPersistent& source, const TPropInfo& to, const TPropInfo& from)
{
    if (!to.get)
        return;
    TObject* target = std::get<TObject*>(to.get(dest));
    TObject* origin = std::get<TObject*>(from.get(source));
    if (!target || dynamic_cast<TComponent*>(target))
        return;
    auto* targetPersistent = dynamic_cast<TPersistent*>(target);
    auto* originPersistent = dynamic_cast<TPersistent*>(origin);
    if (targetPersistent && originPersistent && !dynamic_cast<TOWObject*>(target))
        targetPersistent->Assign(*originPersistent);
}

constexpr std::array<std::string_view, 3> dateTimeTypes{"TDateTime", "TDate", "TTime"};

bool takesPartInFloats(const TPropInfo& p)
{
    if (p.kind != TTypeKind::Float || !p.get || !p.set)
        return false;
    for (std::string_view t : dateTimeTypes)
        if (p.typeName == t)
            return false;
    return true;
}

bool isZero(const TPersistent& object, const TPropInfo& p)
{
    return std::get<double>(p.get(object)) == 0.0;
}

} // namespace

void CopyPublishedProperties(TPersistent& dest, const TPersistent& source, bool skipName)
{
    for (const TPropInfo* to : dest.ClassInfo().SortedProperties()) {
        if (skipName && to->name == "Name")
            continue;
        if (!to->set || to->kind == TTypeKind::Method)
            continue;
        const TPropInfo* from = source.ClassInfo().FindProperty(to->name);
        if (!from || !from->get || !sameKindGroup(*to, *from))
            continue;
        if (to->kind == TTypeKind::Class)
            copyObjectProperty(dest, source, *to, *from);
        else if (to->kind != TTypeKind::Float || to->get)
            to->set(dest, from->get(source));
    }
}

void DefineFloatsProperty(TFiler& filer, TPersistent& object)
{
    bool hasData = false;
    for (const TPropInfo* p : object.ClassInfo().Properties())
        if (takesPartInFloats(*p) && isZero(object, *p)) {
            hasData = true;
            break;
        }

    auto reader = [&object](TReader& r) {
        r.ReadListBegin();
        while (!r.EndOfList()) {
            r.ReadListBegin();
            const std::string name = r.ReadIdent();
            const double value = r.ReadFloat();
            r.ReadListEnd();
            const TPropInfo* p = object.ClassInfo().FindProperty(name);
            if (!p || p->kind != TTypeKind::Float || !p->set)
                throw EReadError("Property " + name + " does not exist");
            p->set(object, value);
        }
        r.ReadListEnd();
    };
    auto writer = [&object](TWriter& w) {
        w.WriteListBegin();
        for (const TPropInfo* p : object.ClassInfo().SortedProperties())
            if (takesPartInFloats(*p) && isZero(object, *p)) {
                w.WriteListBegin();
                w.WriteIdent(p->name);
                w.WriteFloat(std::get<double>(p->get(object)));
                w.WriteListEnd();
            }
        w.WriteListEnd();
    };
    filer.DefineProperty("_Floats", reader, writer, hasData);
}
