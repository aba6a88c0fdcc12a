#pragma once
// Descriptions of classes and their published properties. Each class lists its
// own published properties in declaration order; a class's published
// properties are its ancestors' followed by its own (a redeclared name keeps
// the ancestor's place). Assign, the property copier and the form streams work
// from these descriptions only.
#include <concepts>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

class TObject;
class TClassInfo;

enum class TTypeKind : std::uint8_t {
    Integer,
    Char,
    Enumeration, // Booleans included
    Float,
    String,
    Set,
    Class,
    Method,
    WChar,
    LString,
    WString,
    Variant,
    Int64,
};

enum class TFloatType : std::uint8_t { Single, Double, Extended };

// The value of a variant property.
using TVariantValue = std::variant<std::monostate, bool, std::int64_t, double, std::string>;

// A property value in transit. Ordinal kinds travel as int64, floats as
// double, strings as UTF-8, wide strings as UTF-16, objects as pointers.
using TPropValue = std::variant<std::monostate, std::int64_t, double, std::string, std::u16string, TObject*, TVariantValue>;

// An enumeration type: its name and the names of its values 0 .. MaxValue, in
// order. An enumeration describes itself with an overload
// `const TEnumTypeInfo& EnumTypeInfo(E)` next to its declaration (found by
// argument-dependent lookup); its published properties then carry the
// description.
class TEnumTypeInfo {
public:
    TEnumTypeInfo(std::string name, std::vector<std::string> valueNames);
    TEnumTypeInfo(const TEnumTypeInfo&) = delete;
    TEnumTypeInfo& operator=(const TEnumTypeInfo&) = delete;

    std::string_view Name() const { return name_; }
    int MaxValue() const { return static_cast<int>(valueNames_.size()) - 1; }
    // Empty for a value outside 0 .. MaxValue.
    std::string_view ValueName(int value) const;

private:
    std::string name_;
    std::vector<std::string> valueNames_;
};

template<class E>
concept TDescribedEnum = std::is_enum_v<E> && requires(E e) {
    { EnumTypeInfo(e) } -> std::same_as<const TEnumTypeInfo&>;
};

template<TDescribedEnum E>
const TEnumTypeInfo& EnumTypeInfoOf()
{
    return EnumTypeInfo(E{});
}

struct TPropInfo {
    std::string name;
    TTypeKind kind = TTypeKind::Integer;
    TFloatType floatType = TFloatType::Double;
    // The declared type's name, e.g. "Double", "TDateTime", "Boolean".
    std::string typeName;
    // The values' names of a described enumeration, else null.
    const TEnumTypeInfo* enumType = nullptr;
    // Empty when the property cannot be read or written.
    std::function<TPropValue(const TObject&)> get;
    std::function<void(TObject&, const TPropValue&)> set;
    // For class-typed properties of a described class: that class.
    const TClassInfo& (*objectClass)() = nullptr;
    // Ordinal value that the form writer leaves out.
    std::int64_t ordinalDefault = 0;
    bool hasOrdinalDefault = false;

    bool IsOrdinal() const;
    // True for a class-typed property declared as cls or one of its descendants.
    bool DeclaresClass(const TClassInfo& cls) const;
};

class TClassInfo {
public:
    TClassInfo(std::string name, const TClassInfo* parent, std::vector<TPropInfo> ownProperties);
    TClassInfo(const TClassInfo&) = delete;
    TClassInfo& operator=(const TClassInfo&) = delete;

    std::string_view Name() const { return name_; }
    const TClassInfo* Parent() const { return parent_; }
    // Published properties in declaration order, ancestors first.
    const std::vector<const TPropInfo*>& Properties() const { return all_; }
    // The same, sorted by name (case-insensitively).
    std::vector<const TPropInfo*> SortedProperties() const;
    // Exact (case-sensitive) name.
    const TPropInfo* FindProperty(std::string_view name) const;
    bool InheritsFrom(const TClassInfo& ancestor) const;
    bool InheritsFromName(std::string_view className) const;

private:
    std::string name_;
    const TClassInfo* parent_;
    std::vector<TPropInfo> own_;
    std::vector<const TPropInfo*> all_;
};

// ------------------------------------------------------------ property builders

namespace typeInfoDetail {

template<class M>
struct TMemberTraits;
template<class C, class R>
struct TMemberTraits<R (C::*)() const> {
    using Class = C;
    using Value = std::remove_cvref_t<R>;
};
template<class C, class R>
struct TMemberTraits<R (C::*)() const noexcept> : TMemberTraits<R (C::*)() const> {};
template<class C, class R, class A>
struct TMemberTraits<R (C::*)(A)> {
    using Class = C;
    using Value = std::remove_cvref_t<A>;
};
template<class C, class R, class A>
struct TMemberTraits<R (C::*)(A) noexcept> : TMemberTraits<R (C::*)(A)> {};

template<class V>
constexpr TTypeKind kindOf()
{
    if constexpr (std::is_same_v<V, bool> || std::is_enum_v<V>)
        return TTypeKind::Enumeration;
    else if constexpr (std::is_same_v<V, char>)
        return TTypeKind::Char;
    else if constexpr (std::is_same_v<V, char16_t>)
        return TTypeKind::WChar;
    else if constexpr (std::is_integral_v<V> && sizeof(V) == 8)
        return TTypeKind::Int64;
    else if constexpr (std::is_integral_v<V>)
        return TTypeKind::Integer;
    else if constexpr (std::is_floating_point_v<V>)
        return TTypeKind::Float;
    else if constexpr (std::is_same_v<V, std::string>)
        return TTypeKind::LString;
    else if constexpr (std::is_same_v<V, std::u16string>)
        return TTypeKind::WString;
    else if constexpr (std::is_same_v<V, TVariantValue>)
        return TTypeKind::Variant;
    else {
        static_assert(std::is_pointer_v<V>, "unsupported property type");
        return TTypeKind::Class;
    }
}

template<class V>
constexpr const char* typeNameOf()
{
    if constexpr (std::is_same_v<V, bool>)
        return "Boolean";
    else if constexpr (std::is_same_v<V, float>)
        return "Single";
    else if constexpr (std::is_same_v<V, double>)
        return "Double";
    else if constexpr (std::is_same_v<V, long double>)
        return "Extended";
    else
        return "";
}

template<class V>
TPropValue toValue(const V& v)
{
    if constexpr (std::is_enum_v<V> || std::is_integral_v<V>)
        return static_cast<std::int64_t>(v);
    else if constexpr (std::is_floating_point_v<V>)
        return static_cast<double>(v);
    else if constexpr (std::is_pointer_v<V>)
        return static_cast<TObject*>(v);
    else
        return v;
}

// The class description of what a class-typed property points at, when that
// class has one; looked up on use, so that classes may refer to each other.
template<class V>
constexpr auto objectClassOf() -> const TClassInfo& (*)()
{
    if constexpr (std::is_pointer_v<V>) {
        using Pointee = std::remove_cv_t<std::remove_pointer_t<V>>;
        if constexpr (requires { { Pointee::StaticClassInfo() } -> std::same_as<const TClassInfo&>; })
            return &Pointee::StaticClassInfo;
    }
    return nullptr;
}

template<class V>
V fromValue(const TPropValue& value)
{
    if constexpr (std::is_same_v<V, bool>)
        return std::get<std::int64_t>(value) != 0;
    else if constexpr (std::is_enum_v<V> || std::is_integral_v<V>)
        return static_cast<V>(std::get<std::int64_t>(value));
    else if constexpr (std::is_floating_point_v<V>)
        return static_cast<V>(std::get<double>(value));
    else if constexpr (std::is_pointer_v<V>)
        return dynamic_cast<V>(std::get<TObject*>(value));
    else
        return std::get<V>(value);
}

} // namespace typeInfoDetail

// A published property read by Getter (a const member function) and written by
// Setter (a member function taking the value; nullptr for none).
template<auto Getter, auto Setter>
TPropInfo Published(std::string name, std::string typeName = {})
{
    using Traits = typeInfoDetail::TMemberTraits<decltype(Getter)>;
    using C = typename Traits::Class;
    using V = typename Traits::Value;
    TPropInfo info;
    info.name = std::move(name);
    info.kind = typeInfoDetail::kindOf<V>();
    if constexpr (std::is_floating_point_v<V>)
        info.floatType = sizeof(V) == 4 ? TFloatType::Single : sizeof(V) == 8 ? TFloatType::Double : TFloatType::Extended;
    info.typeName = typeName.empty() ? typeInfoDetail::typeNameOf<V>() : std::move(typeName);
    info.objectClass = typeInfoDetail::objectClassOf<V>();
    if constexpr (TDescribedEnum<V>) {
        info.enumType = &EnumTypeInfoOf<V>();
        if (info.typeName.empty())
            info.typeName = info.enumType->Name();
    }
    info.get = [](const TObject& o) { return typeInfoDetail::toValue<V>((static_cast<const C&>(o).*Getter)()); };
    if constexpr (!std::is_same_v<decltype(Setter), std::nullptr_t>) {
        using SetterClass = typename typeInfoDetail::TMemberTraits<decltype(Setter)>::Class;
        info.set = [](TObject& o, const TPropValue& v) {
            (static_cast<SetterClass&>(o).*Setter)(typeInfoDetail::fromValue<V>(v));
        };
    }
    return info;
}

// The same with an ordinal default that the form writer leaves out.
template<auto Getter, auto Setter>
TPropInfo Published(std::string name, std::int64_t ordinalDefault, std::string typeName = {})
{
    TPropInfo info = Published<Getter, Setter>(std::move(name), std::move(typeName));
    info.ordinalDefault = ordinalDefault;
    info.hasOrdinalDefault = true;
    return info;
}
