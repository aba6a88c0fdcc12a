#include "framework/ClassLibrary/FormStream.h"

#include "framework/ClassLibrary/ClassLibraryErrors.h"
#include "framework/ClassLibrary/Component.h"
#include "framework/ClassLibrary/ComponentClasses.h"
#include "framework/ClassLibrary/TypeInfo.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <utility>

bool IsStringValueType(TValueType type)
{
    switch (type) {
    case TValueType::String:
    case TValueType::LString:
    case TValueType::WString:
    case TValueType::UTF8String:
        return true;
    default:
        return false;
    }
}

namespace {

TFormValue typedValue(TValueType type)
{
    TFormValue value;
    value.type = type;
    return value;
}

TFormValue integerValue(std::int64_t v)
{
    TFormValue value;
    value.type = TValueType::Integer;
    value.integer = v;
    return value;
}

TFormValue textValue(TValueType type, std::string_view text)
{
    TFormValue value;
    value.type = type;
    value.text = text;
    return value;
}

std::atomic<TReadFinishedHook> readFinishedHook{nullptr};

[[noreturn]] void invalidValue(std::string_view property)
{
    throw EReadError("Invalid value of property " + std::string(property));
}

[[noreturn]] void noSuchProperty(std::string_view property)
{
    throw EReadError("Property " + std::string(property) + " does not exist");
}

std::int64_t ordinalOf(const TFormValue& v, std::string_view property)
{
    switch (v.type) {
    case TValueType::Integer:
    case TValueType::Int64:
        return v.integer;
    case TValueType::False:
        return 0;
    case TValueType::True:
        return 1;
    default:
        invalidValue(property);
    }
}

double floatOf(const TFormValue& v, std::string_view property)
{
    switch (v.type) {
    case TValueType::Double:
    case TValueType::Extended:
        return v.real;
    case TValueType::Integer:
    case TValueType::Int64:
        return static_cast<double>(v.integer);
    default:
        invalidValue(property);
    }
}

std::string textOf(const TFormValue& v, std::string_view property)
{
    if (v.type == TValueType::WString) {
        std::string narrow;
        for (char16_t c : v.wide) {
            if (c > 0x7F)
                invalidValue(property);
            narrow.push_back(static_cast<char>(c));
        }
        return narrow;
    }
    if (!IsStringValueType(v.type))
        invalidValue(property);
    return v.text;
}

std::u16string wideOf(const TFormValue& v, std::string_view property)
{
    if (v.type == TValueType::WString)
        return v.wide;
    std::u16string wide;
    for (char c : textOf(v, property)) {
        if (static_cast<unsigned char>(c) > 0x7F)
            invalidValue(property);
        wide.push_back(static_cast<char16_t>(c));
    }
    return wide;
}

} // namespace

// ---------------------------------------------------------------- writer

std::vector<TFormProperty> TWriter::WriteProperties(TPersistent& object)
{
    std::vector<TFormProperty> properties;
    out_ = &properties;
    std::vector<const TPersistent*> visited;
    writeObject(object, {}, visited);
    out_ = nullptr;
    return properties;
}

TFormObject TWriter::WriteComponent(TComponent& component)
{
    std::vector<const TComponent*> written;
    return writeTree(component, component, written);
}

TFormObject TWriter::writeTree(TComponent& component, TComponent& root, std::vector<const TComponent*>& written)
{
    written.push_back(&component);
    TFormObject form;
    form.className = component.ClassName();
    form.name = component.Name();
    form.properties = WriteProperties(component);
    // A component that two parents name is written once, under the first.
    component.GetChildren(
        [&](TComponent& child) {
            if (std::find(written.begin(), written.end(), &child) == written.end())
                form.children.push_back(writeTree(child, root, written));
        },
        &root);
    return form;
}

void TWriter::writeObject(TPersistent& object, const std::string& prefix, std::vector<const TPersistent*>& visited)
{
    visited.push_back(&object);
    const bool isComponent = dynamic_cast<TComponent*>(&object) != nullptr;
    for (const TPropInfo* p : object.ClassInfo().Properties()) {
        if (!p->get)
            continue;
        if (p->kind == TTypeKind::Class) {
            auto* sub = dynamic_cast<TPersistent*>(std::get<TObject*>(p->get(object)));
            if (sub && !dynamic_cast<TComponent*>(sub) &&
                std::find(visited.begin(), visited.end(), sub) == visited.end())
                writeObject(*sub, prefix + p->name + ".", visited);
            continue;
        }
        if (!p->set || (isComponent && p->name == "Name"))
            continue;
        const TPropValue v = p->get(object);
        TFormValue value;
        if (p->IsOrdinal()) {
            const std::int64_t ordinal = std::get<std::int64_t>(v);
            if (p->hasOrdinalDefault && ordinal == p->ordinalDefault)
                continue;
            if (p->typeName == "Boolean")
                value.type = ordinal ? TValueType::True : TValueType::False;
            else
                value = integerValue(ordinal);
        } else if (p->kind == TTypeKind::Int64) {
            value.type = TValueType::Int64;
            value.integer = std::get<std::int64_t>(v);
        } else if (p->kind == TTypeKind::Float) {
            // 0 is every float's default and is not stored.
            if (std::get<double>(v) == 0.0)
                continue;
            value.type = TValueType::Double;
            value.real = std::get<double>(v);
        } else if (p->kind == TTypeKind::String || p->kind == TTypeKind::LString) {
            if (std::get<std::string>(v).empty())
                continue;
            value = textValue(TValueType::String, std::get<std::string>(v));
        } else if (p->kind == TTypeKind::WString) {
            if (std::get<std::u16string>(v).empty())
                continue;
            value.type = TValueType::WString;
            value.wide = std::get<std::u16string>(v);
        } else {
            continue;  // methods and variants are not streamed
        }
        out_->push_back({prefix + p->name, std::move(value)});
    }
    const std::string saved = std::exchange(prefix_, prefix);
    object.DefineProperties(*this);
    prefix_ = saved;
}

void TWriter::DefineProperty(const std::string& name, const TReaderProc&, const TWriterProc& writer, bool hasData)
{
    if (!hasData || !writer || !out_)
        return;
    open_.assign(1, typedValue(TValueType::List));
    writer(*this);
    if (open_.size() != 1)
        throw std::logic_error("unbalanced list in stream property " + name);
    std::vector<TFormValue> written = std::move(open_.front().items);
    open_.clear();
    if (written.empty())
        return;
    if (written.size() != 1)
        throw std::logic_error("stream property " + name + " must write one value");
    out_->push_back({prefix_ + name, std::move(written.front())});
}

void TWriter::put(TFormValue value)
{
    if (open_.empty())
        throw std::logic_error("stream value written outside a stream property");
    open_.back().items.push_back(std::move(value));
}

void TWriter::WriteListBegin()
{
    if (open_.empty())
        throw std::logic_error("stream value written outside a stream property");
    open_.push_back(typedValue(TValueType::List));
}

void TWriter::WriteListEnd()
{
    if (open_.size() < 2)
        throw std::logic_error("list end without a list");
    TFormValue list = std::move(open_.back());
    open_.pop_back();
    put(std::move(list));
}

void TWriter::WriteIdent(std::string_view ident)
{
    put(textValue(TValueType::Ident, ident));
}

void TWriter::WriteString(std::string_view text)
{
    put(textValue(TValueType::String, text));
}

void TWriter::WriteInteger(std::int64_t value)
{
    put(integerValue(value));
}

void TWriter::WriteFloat(double value)
{
    TFormValue v;
    v.type = TValueType::Double;
    v.real = value;
    put(std::move(v));
}

void TWriter::WriteBoolean(bool value)
{
    put(typedValue(value ? TValueType::True : TValueType::False));
}

// ---------------------------------------------------------------- reader

void TReader::ReadProperties(TPersistent& object, const std::vector<TFormProperty>& properties)
{
    for (const TFormProperty& p : properties)
        readProperty(object, p);
}

void TReader::ReadComponent(TComponent& component, const TFormObject& form)
{
    root_ = &component;
    parent_ = nullptr;
    read_.clear();
    forms_.clear();
    readComponentTree(component, form);
    root_ = nullptr;
    std::vector<TComponent*> read = std::move(read_);
    read_.clear();
    if (TReadFinishedHook hook = readFinishedHook.load(std::memory_order_acquire))
        hook(read);
    for (TComponent* c : read)
        c->Loaded();
}

void SetReadFinishedHook(TReadFinishedHook hook)
{
    readFinishedHook.store(hook, std::memory_order_release);
}

void TReader::InvalidValue() const
{
    invalidValue(wanted_);
}

TComponent* TReader::createStored(TComponent& parent, const TFormObject& form)
{
    // Owned by the root, like every component a form stream names.
    TComponent* made = root_ ? CreateComponentOfClass(form.className, *root_) : nullptr;
    if (!made)
        return nullptr;
    made->SetName(form.name);
    if (made->HasParent())
        made->SetParentComponent(&parent);
    return made;
}

void TReader::readComponentTree(TComponent& component, const TFormObject& form)
{
    component.SetLoading(true);
    read_.push_back(&component);
    forms_.push_back(&form);
    component.ReadState(*this);
    forms_.pop_back();
}

void TReader::ReadData(TComponent& component)
{
    if (forms_.empty())
        throw std::logic_error("ReadData outside a component being read");
    const TFormObject& form = *forms_.back();
    ReadProperties(component, form.properties);
    for (const TFormObject& child : form.children) {
        TComponent* match = component.FindOwned(child.name);
        if (!match && root_)
            match = root_->FindOwned(child.name);
        if (!match)
            match = createStored(component, child);
        if (!match)
            throw EReadError("Component " + child.name + " not found");
        TComponent* const saved = std::exchange(parent_, &component);
        readComponentTree(*match, child);
        parent_ = saved;
    }
}

void TReader::readProperty(TPersistent& object, const TFormProperty& property)
{
    TPersistent* target = &object;
    std::string_view path = property.name;
    for (auto dot = path.find('.'); dot != std::string_view::npos; dot = path.find('.')) {
        const TPropInfo* p = target->ClassInfo().FindProperty(path.substr(0, dot));
        if (!p || p->kind != TTypeKind::Class || !p->get)
            noSuchProperty(property.name);
        target = dynamic_cast<TPersistent*>(std::get<TObject*>(p->get(*target)));
        if (!target)
            noSuchProperty(property.name);
        path.remove_prefix(dot + 1);
    }
    const TFormValue& v = property.value;
    if (const TPropInfo* p = target->ClassInfo().FindProperty(path); p && p->set && p->kind != TTypeKind::Class) {
        if (p->IsOrdinal() || p->kind == TTypeKind::Int64)
            p->set(*target, ordinalOf(v, property.name));
        else if (p->kind == TTypeKind::Float)
            p->set(*target, floatOf(v, property.name));
        else if (p->kind == TTypeKind::String || p->kind == TTypeKind::LString)
            p->set(*target, textOf(v, property.name));
        else if (p->kind == TTypeKind::WString)
            p->set(*target, wideOf(v, property.name));
        else
            invalidValue(property.name);
        return;
    }
    wanted_ = std::string(path);
    handled_ = false;
    single_.assign(1, v);
    cursors_.assign(1, TCursor{&single_, 0});
    target->DefineProperties(*this);
    const bool handled = handled_;
    cursors_.clear();
    wanted_.clear();
    handled_ = false;
    if (!handled)
        noSuchProperty(property.name);
}

void TReader::DefineProperty(const std::string& name, const TReaderProc& reader, const TWriterProc&, bool)
{
    if (handled_ || !reader || name != wanted_ || cursors_.empty())
        return;
    handled_ = true;
    reader(*this);
}

const TFormValue* TReader::peek() const
{
    if (cursors_.empty())
        return nullptr;
    const TCursor& c = cursors_.back();
    return c.next < c.values->size() ? &(*c.values)[c.next] : nullptr;
}

const TFormValue& TReader::take()
{
    const TFormValue* v = peek();
    if (!v)
        invalidValue(wanted_);
    ++cursors_.back().next;
    return *v;
}

TValueType TReader::NextValue() const
{
    const TFormValue* v = peek();
    return v ? v->type : TValueType::Null;
}

void TReader::ReadListBegin()
{
    const TFormValue& v = take();
    if (v.type != TValueType::List)
        invalidValue(wanted_);
    cursors_.push_back(TCursor{&v.items, 0});
}

bool TReader::EndOfList() const
{
    return !peek();
}

void TReader::ReadListEnd()
{
    if (cursors_.size() < 2 || !EndOfList())
        invalidValue(wanted_);
    cursors_.pop_back();
}

std::string TReader::ReadIdent()
{
    const TFormValue& v = take();
    if (v.type != TValueType::Ident)
        invalidValue(wanted_);
    return v.text;
}

std::string TReader::ReadString()
{
    return textOf(take(), wanted_);
}

std::int64_t TReader::ReadInteger()
{
    return ordinalOf(take(), wanted_);
}

double TReader::ReadFloat()
{
    return floatOf(take(), wanted_);
}

bool TReader::ReadBoolean()
{
    return ordinalOf(take(), wanted_) != 0;
}
