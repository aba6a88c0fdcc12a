#pragma once
// Form streams: the published and defined properties of objects as a tree of
// named values. A property's value is one value, which may be a list of
// values. The writer leaves out what a reader would not change: ordinals at
// their default, floats that are 0, empty strings. Objects that need more
// define extra stream properties with a reader, a writer and a has-data test.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TPersistent;
class TComponent;
struct TPropInfo;

enum class TValueType : std::uint8_t {
    Null = 0,
    List = 1,
    Integer = 4,
    Extended = 5,
    String = 6,
    Ident = 7,
    False = 8,
    True = 9,
    LString = 12,
    Nil = 13,
    WString = 18,
    Int64 = 19,
    UTF8String = 20,
    Double = 21,
};

bool IsStringValueType(TValueType type);

struct TFormValue {
    TValueType type = TValueType::Null;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string text;       // strings and identifiers, UTF-8
    std::u16string wide;    // wide strings
    std::vector<TFormValue> items;  // lists

    static TFormValue Of(TValueType type)
    {
        TFormValue v;
        v.type = type;
        return v;
    }
    static TFormValue Ident(std::string_view name)
    {
        TFormValue v = Of(TValueType::Ident);
        v.text = name;
        return v;
    }
    static TFormValue Float(double value)
    {
        TFormValue v = Of(TValueType::Double);
        v.real = value;
        return v;
    }
    static TFormValue List(std::vector<TFormValue> items)
    {
        TFormValue v = Of(TValueType::List);
        v.items = std::move(items);
        return v;
    }
};

struct TFormProperty {
    std::string name;  // dotted for properties of sub-objects: "Font.Size"
    TFormValue value;
};

struct TFormObject {
    std::string className;
    std::string name;
    std::vector<TFormProperty> properties;
    std::vector<TFormObject> children;
};

class TReader;
class TWriter;
// Run once a whole form stream has been read, before Loaded, with every
// component read (one hook per process; the pin unit makes the links with it).
using TReadFinishedHook = void (*)(const std::vector<TComponent*>& components);
void SetReadFinishedHook(TReadFinishedHook hook);
using TReaderProc = std::function<void(TReader&)>;
using TWriterProc = std::function<void(TWriter&)>;

class TFiler {
public:
    virtual ~TFiler() = default;
    virtual void DefineProperty(const std::string& name, const TReaderProc& reader, const TWriterProc& writer,
                                bool hasData) = 0;
};

class TWriter final : public TFiler {
public:
    // One object's published properties (sub-objects as dotted names), then its
    // defined ones.
    std::vector<TFormProperty> WriteProperties(TPersistent& object);
    // A component with its properties and its children (GetChildren), each
    // child with its own; the component is the root of the tree.
    TFormObject WriteComponent(TComponent& component);

    void DefineProperty(const std::string& name, const TReaderProc& reader, const TWriterProc& writer,
                        bool hasData) override;

    // Values of a defined property.
    void WriteListBegin();
    void WriteListEnd();
    void WriteIdent(std::string_view ident);
    void WriteString(std::string_view text);
    void WriteInteger(std::int64_t value);
    void WriteFloat(double value);
    void WriteBoolean(bool value);

private:
    void writeObject(TPersistent& object, const std::string& prefix, std::vector<const TPersistent*>& visited);
    TFormObject writeTree(TComponent& component, TComponent& root, std::vector<const TComponent*>& written);
    void put(TFormValue value);

    std::vector<TFormProperty>* out_ = nullptr;
    std::string prefix_;
    std::vector<TFormValue> open_;  // lists being written; the bottom holds the property's value
};

class TReader final : public TFiler {
public:
    // Sets each stored property; raises EReadError for a property the object
    // does not have or a value it cannot take.
    void ReadProperties(TPersistent& object, const std::vector<TFormProperty>& properties);
    // Reads into an existing component tree: each component's ReadState, the
    // children matched by name among their parent's owned components, then
    // the root's. Loaded runs on all of them at the end.
    void ReadComponent(TComponent& component, const TFormObject& form);
    // The stored properties and the children of the component being read;
    // what TComponent::ReadState does.
    void ReadData(TComponent& component);
    // The component the one being read is listed under (null for the root).
    TComponent* Parent() const { return parent_; }
    TComponent* Root() const { return root_; }
    // Raises the invalid-value error of the stream property being read (for
    // values whose shape a defined property's reader refuses).
    [[noreturn]] void InvalidValue() const;

    void DefineProperty(const std::string& name, const TReaderProc& reader, const TWriterProc& writer,
                        bool hasData) override;

    TValueType NextValue() const;
    void ReadListBegin();
    bool EndOfList() const;
    void ReadListEnd();
    std::string ReadIdent();
    std::string ReadString();
    std::int64_t ReadInteger();
    double ReadFloat();
    bool ReadBoolean();

private:
    void readProperty(TPersistent& object, const TFormProperty& property);
    void readComponentTree(TComponent& component, const TFormObject& form);
    // A stored component the tree lacks, made from its class name; null when
    // the class is not registered.
    TComponent* createStored(TComponent& parent, const TFormObject& form);
    const TFormValue& take();
    const TFormValue* peek() const;

    struct TCursor {
        const std::vector<TFormValue>* values;
        std::size_t next;
    };
    TComponent* root_ = nullptr;
    TComponent* parent_ = nullptr;
    std::vector<const TFormObject*> forms_;  // the components being read, innermost last
    std::vector<TComponent*> read_;
    std::vector<TCursor> cursors_;
    std::vector<TFormValue> single_;
    std::string wanted_;
    bool handled_ = false;
};
