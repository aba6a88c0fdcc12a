#include "framework/ClassLibrary/TypeInfo.h"

#include <algorithm>
#include <cctype>

namespace {

bool lessIgnoringCase(std::string_view a, std::string_view b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) < std::toupper(static_cast<unsigned char>(y));
    });
}

} // namespace

TEnumTypeInfo::TEnumTypeInfo(std::string name, std::vector<std::string> valueNames)
    : name_(std::move(name)), valueNames_(std::move(valueNames))
{
}

std::string_view TEnumTypeInfo::ValueName(int value) const
{
    if (value < 0 || value > MaxValue())
        return {};
    return valueNames_[static_cast<std::size_t>(value)];
}

bool TPropInfo::IsOrdinal() const
{
    switch (kind) {
    case TTypeKind::Integer:
    case TTypeKind::Char:
    case TTypeKind::Enumeration:
    case TTypeKind::Set:
    case TTypeKind::WChar:
        return true;
    default:
        return false;
    }
}

bool TPropInfo::DeclaresClass(const TClassInfo& cls) const
{
    return kind == TTypeKind::Class && objectClass && objectClass().InheritsFrom(cls);
}

TClassInfo::TClassInfo(std::string name, const TClassInfo* parent, std::vector<TPropInfo> ownProperties)
    : name_(std::move(name)), parent_(parent), own_(std::move(ownProperties))
{
    if (parent_)
        all_ = parent_->all_;
    for (const TPropInfo& p : own_) {
        auto same = std::find_if(all_.begin(), all_.end(), [&](const TPropInfo* q) { return q->name == p.name; });
        if (same != all_.end())
            *same = &p;
        else
            all_.push_back(&p);
    }
}

std::vector<const TPropInfo*> TClassInfo::SortedProperties() const
{
    std::vector<const TPropInfo*> sorted = all_;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const TPropInfo* a, const TPropInfo* b) { return lessIgnoringCase(a->name, b->name); });
    return sorted;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const
{
    auto it = std::find_if(all_.begin(), all_.end(), [&](const TPropInfo* p) { return p->name == name; });
    return it == all_.end() ? nullptr : *it;
}

bool TClassInfo::InheritsFrom(const TClassInfo& ancestor) const
{
    for (const TClassInfo* c = this; c; c = c->parent_)
        if (c == &ancestor)
            return true;
    return false;
}

bool TClassInfo::InheritsFromName(std::string_view className) const
{
    for (const TClassInfo* c = this; c; c = c->parent_)
        if (c->name_ == className)
            return true;
    return false;
}
