// Links in form streams: the stream properties of pins ("Form", "State",
// "SinkPins", "SourcePin", "StateConverter") and of pin lists ("Form",
// "Pins", "PinsOwner"), and the completion of links once a form is read.
//
// Every value is parsed whole before anything is linked, so a value of a
// shape the writer never makes is refused (the reader's invalid-value error)
// without leaving half a link. A path that names nothing ends on a
// placeholder; a path that names a pin of the wrong kind links nothing.
#include "framework/ClassLibrary/FormStream.h"
#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/pins/OWFormatConverter.h"
#include "framework/pins/OWPinList.h"
#include "framework/pins/OWPinLookup.h"
#include "framework/pins/OWPins.h"
#include "framework/pins/OWStateDispatcher.h"
#include "framework/pins/OWUnloadedPin.h"

#include <optional>

namespace {

// One link as stored: the far end's paths and the DependsOn's index path
// (empty for none).
struct TLinkRef {
    std::string IndexPath;
    std::string NamePath;
    std::string DependsOnPath;
};

void countItem(TReader& reader, std::size_t count)
{
    if (count >= static_cast<std::size_t>(owMaxStreamLinks))
        reader.InvalidValue();
}

// identifier | list [identifier, optional string]
TLinkRef readPathPair(TReader& reader)
{
    TLinkRef ref;
    if (reader.NextValue() == TValueType::Ident) {
        ref.IndexPath = reader.ReadIdent();
        ref.NamePath = ref.IndexPath;
        return ref;
    }
    reader.ReadListBegin();
    ref.IndexPath = reader.ReadIdent();
    ref.NamePath = IsStringValueType(reader.NextValue()) ? reader.ReadString() : ref.IndexPath;
    reader.ReadListEnd();
    return ref;
}

// An item of a link list: identifier | list [identifier, optional identifier
// (DependsOn), optional string (name path)].
TLinkRef readLinkItem(TReader& reader)
{
    if (reader.NextValue() == TValueType::Ident)
        return readPathPair(reader);
    TLinkRef ref;
    reader.ReadListBegin();
    ref.IndexPath = reader.ReadIdent();
    if (reader.NextValue() == TValueType::Ident)
        ref.DependsOnPath = reader.ReadIdent();
    ref.NamePath = IsStringValueType(reader.NextValue()) ? reader.ReadString() : ref.IndexPath;
    reader.ReadListEnd();
    return ref;
}

std::vector<TLinkRef> readLinkList(TReader& reader)
{
    std::vector<TLinkRef> refs;
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        countItem(reader, refs.size());
        refs.push_back(readLinkItem(reader));
    }
    reader.ReadListEnd();
    return refs;
}

// A sink's source: identifier | list [identifier, string] | with a DependsOn
// list [list [identifier | list [identifier, string]], identifier].
TLinkRef readSourceValue(TReader& reader)
{
    if (reader.NextValue() == TValueType::Ident)
        return readPathPair(reader);
    reader.ReadListBegin();
    if (reader.NextValue() == TValueType::Ident) {
        TLinkRef ref;
        ref.IndexPath = reader.ReadIdent();
        ref.NamePath = IsStringValueType(reader.NextValue()) ? reader.ReadString() : ref.IndexPath;
        reader.ReadListEnd();
        return ref;
    }
    reader.ReadListBegin();
    TLinkRef ref = readPathPair(reader);
    reader.ReadListEnd();
    ref.DependsOnPath = reader.ReadIdent();
    reader.ReadListEnd();
    return ref;
}

// A "State" value: string | list [string, (identifier | list [identifier,
// string])...]. The listed pins of other roots restore their own membership.
std::string readStateValue(TReader& reader)
{
    std::string name;
    if (reader.NextValue() != TValueType::List) {
        name = reader.ReadString();
    } else {
        reader.ReadListBegin();
        name = reader.ReadString();
        for (std::size_t count = 0; !reader.EndOfList(); ++count) {
            countItem(reader, count);
            readPathPair(reader);
        }
        reader.ReadListEnd();
    }
    if (name.empty())
        reader.InvalidValue();
    return name;
}

void writePathPair(TWriter& writer, const std::string& indexPath, const std::string& namePath)
{
    if (namePath == indexPath) {
        writer.WriteIdent(indexPath);
        return;
    }
    writer.WriteListBegin();
    writer.WriteIdent(indexPath);
    writer.WriteString(namePath);
    writer.WriteListEnd();
}

void writeLinkItem(TWriter& writer, TOWBasicPin& far, TOWBasicPin* dependsOn)
{
    const std::string indexPath = far.GetIndexPath(true);
    const std::string namePath = far.GetPath(true);
    if (!dependsOn) {
        writePathPair(writer, indexPath, namePath);
        return;
    }
    writer.WriteListBegin();
    writer.WriteIdent(indexPath);
    writer.WriteIdent(dependsOn->GetIndexPath(true));
    if (namePath != indexPath)
        writer.WriteString(namePath);
    writer.WriteListEnd();
}

// The links of a source or multi-sink that wait for a far end not loaded yet
// and that the pin writes itself: a placeholder in a pin list of the pin's
// own form is written with that list, links and all.
std::vector<TOWUnloadedPin::TPendingLink> pendingLinksToWrite(TOWBasicPin& pin)
{
    // A placeholder's links are all in its own record.
    if (OWPlaceholderCount() == 0 || dynamic_cast<TOWUnloadedPin*>(&pin))
        return {};
    std::vector<TOWUnloadedPin::TPendingLink> pending = TOWUnloadedPin::PendingLinksOf(pin);
    const std::string root = pin.GetRootName();
    std::erase_if(pending, [&](const TOWUnloadedPin::TPendingLink& link) {
        auto placeholder = Use(link.Placeholder);
        const auto* standIn = dynamic_cast<const TOWUnloadedPin*>(placeholder.Get());
        return !standIn || standIn->WrittenWithListOf(root);
    });
    return pending;
}

// Whether a source or multi-sink has a link list to write.
bool hasLinkList(TOWBasicPin& pin)
{
    return pin.GetLinkCount() > 0 || !pendingLinksToWrite(pin).empty();
}

// The linked far ends first, then those not loaded yet (`pending`, as
// pendingLinksToWrite gives them), by the paths their placeholders stand
// for, so that the form read back waits for them again.
void writeLinkList(TWriter& writer, TOWBasicPin& pin, const std::vector<TOWUnloadedPin::TPendingLink>& pending)
{
    writer.WriteListBegin();
    const int count = pin.GetLinkCount();
    for (int i = 0; i < count; ++i) {
        if (TOWBasicPin* far = pin.GetLink(i))
            writeLinkItem(writer, *far, pin.GetLinkDependsOn(i));
    }
    for (const TOWUnloadedPin::TPendingLink& link : pending) {
        auto far = Use(link.Placeholder);
        auto dependsOn = Use(link.DependsOn);
        if (far)
            writeLinkItem(writer, *far, dependsOn.Get());
    }
    writer.WriteListEnd();
}

void writeSourceValue(TWriter& writer, TOWBasicPin& pin)
{
    TOWBasicPin* source = pin.GetSourceToWrite();
    if (!source)
        return;
    TOWBasicPin* dependsOn = pin.GetDependsOn(source);
    if (!dependsOn) {
        writePathPair(writer, source->GetIndexPath(true), source->GetPath(true));
        return;
    }
    writer.WriteListBegin();
    writer.WriteListBegin();
    writePathPair(writer, source->GetIndexPath(true), source->GetPath(true));
    writer.WriteListEnd();
    writer.WriteIdent(dependsOn->GetIndexPath(true));
    writer.WriteListEnd();
}

// The kind of pin at the far end of a link of a pin of that kind.
TOWPinKind farKindOf(TOWPinKind kind)
{
    switch (kind) {
    case TOWPinKind::Source:
        return TOWPinKind::Sink;
    case TOWPinKind::State:
        return TOWPinKind::State;
    default:
        return TOWPinKind::Source;
    }
}

// Whether a found pin may be the far end of a link of a pin of that kind.
bool fitsFarEnd(TOWPinKind kind, TOWBasicPin& far)
{
    if (dynamic_cast<TOWUnloadedPin*>(&far))
        return far.GetSinkKind() == farKindOf(kind);
    const TOWPinKind farKind = far.GetSinkKind();
    switch (kind) {
    case TOWPinKind::Source:
        return farKind != TOWPinKind::Source;
    case TOWPinKind::State:
        return farKind == TOWPinKind::State;
    default:
        return farKind == TOWPinKind::Source || farKind == TOWPinKind::State;
    }
}

void releaseIfPlaceholder(TOWBasicPin* pin)
{
    if (auto* placeholder = dynamic_cast<TOWUnloadedPin*>(pin))
        placeholder->ReleaseIfUnused();
}

// A link read while its form was read, made when the read ends.
struct TPendingLink {
    TOWBorrowed<TOWBasicPin> Pin;
    TOWLinkReader Reader;
    TOWPinKind Kind;
    TLinkRef Ref;  // qualified
};

std::vector<TPendingLink>& pendingLinks()
{
    thread_local std::vector<TPendingLink> pending;
    return pending;
}

// The DependsOn of ref: the pin of its path, or a placeholder for it; empty
// for none.
TOWBorrowed<TOWBasicPin> dependencyOf(const TOWLinkReader& reader, const TLinkRef& ref)
{
    if (ref.DependsOnPath.empty())
        return {};
    TOWBorrowed<TOWBasicPin> found = OWFindLinkPin(reader, ref.DependsOnPath, ref.DependsOnPath);
    return found ? found : OWFindLinkTarget(reader, ref.DependsOnPath, ref.DependsOnPath, TOWPinKind::Sink);
}

// Links pin to the far end of ref (paths qualified already), from the side
// that drives links; a missing far end or DependsOn is a placeholder.
void linkQualified(const TOWLinkReader& reader, TOWBasicPin& pin, TOWPinKind kind, const TLinkRef& ref)
{
    TOWBorrowed<TOWBasicPin> far = OWFindLinkPin(reader, ref.IndexPath, ref.NamePath);
    if (!far)
        far = OWFindLinkTarget(reader, ref.IndexPath, ref.NamePath, farKindOf(kind));
    auto farPin = Use(far);
    if (!farPin || farPin.Get() == &pin || !fitsFarEnd(kind, *farPin)) {
        releaseIfPlaceholder(farPin.Get());
        return;
    }
    // A source asks the sink to link (the sink drives data links).
    TOWBasicPin& driver = kind == TOWPinKind::Source ? *farPin : pin;
    TOWBasicPin& driven = kind == TOWPinKind::Source ? pin : *farPin;
    // A DependsOn not loaded yet lasts as long as a link names it, and is
    // recorded before the link exists, so that no other link's end frees it
    // meanwhile. One that another thread lets go of between the look-up and
    // then is looked up (or made) again.
    constexpr int attempts = 8;
    for (int attempt = 1;; ++attempt) {
        const TOWBorrowed<TOWBasicPin> dependsOn = dependencyOf(reader, ref);
        auto dependsOnPin = Use(dependsOn);
        auto* pendingDependency = dynamic_cast<TOWUnloadedPin*>(dependsOnPin.Get());
        const bool held = pendingDependency ? pendingDependency->AddDependent(driver, driven)
                                            : ref.DependsOnPath.empty() || dependsOnPin;
        if (!held && attempt < attempts)
            continue;
        const bool linked = driver.ConnectData(&driven, dependsOnPin.Get());
        // Between two placeholders (a list's stand-in and a pin not loaded)
        // each records the other: the far one then lasts as long as the link
        // waits on it, and whichever real pin comes first takes the link.
        if (linked && dynamic_cast<TOWUnloadedPin*>(&driver) && dynamic_cast<TOWUnloadedPin*>(&driven))
            driven.ConnectData(&driver, dependsOnPin.Get());
        if (linked)
            return;
        if (pendingDependency && held)
            pendingDependency->RemoveDependent(driver, driven);
        releaseIfPlaceholder(farPin.Get());
        releaseIfPlaceholder(dependsOnPin.Get());
        return;
    }
}

void linkRead(const TOWLinkReader& reader, TOWBasicPin& pin, TOWPinKind kind, const TLinkRef& ref)
{
    TLinkRef qualified = ref;
    QualifyPath(reader.FormName, reader.RootName, qualified.IndexPath);
    QualifyPath(reader.FormName, reader.RootName, qualified.NamePath);
    if (!qualified.DependsOnPath.empty())
        QualifyPath(reader.FormName, reader.RootName, qualified.DependsOnPath);
    if (reader.DeferToEnd) {
        pendingLinks().push_back({pin.Borrow(), reader, kind, std::move(qualified)});
        pendingLinks().back().Reader.DeferToEnd = false;
        return;
    }
    linkQualified(reader, pin, kind, qualified);
}

// The links left pending by the reads that ended on this thread.
void completePendingLinks()
{
    std::vector<TPendingLink> pending = std::exchange(pendingLinks(), {});
    // Linking adds no component: the trees are indexed once for all links.
    const TOWPathLookupBatch batch;
    for (const TPendingLink& link : pending) {
        if (auto pin = Use(link.Pin))
            linkQualified(link.Reader, *pin, link.Kind, link.Ref);
    }
}

template<class Object>
TOWLinkReader readerOf(Object& object, const TReader& stream)
{
    TOWLinkReader reader = TOWLinkReader::Of(object);
    reader.DeferToEnd = stream.Root() != nullptr;
    return reader;
}

void linkAll(const TOWLinkReader& reader, TOWBasicPin& pin, TOWPinKind kind, const std::vector<TLinkRef>& refs)
{
    for (const TLinkRef& ref : refs)
        linkRead(reader, pin, kind, ref);
}

// A dispatcher name saved with the form: when the form is read under another
// name, an automatic link name of the saved root (its name, "Link", a
// number) becomes the new root's, so that two copies of a form do not share
// state links. Other names stay.
void qualifyLinkName(const std::string& formName, const std::string& rootName, std::string& name)
{
    if (formName.empty() || formName == rootName || name.compare(0, formName.size(), formName) != 0)
        return;
    const std::string_view rest = std::string_view(name).substr(formName.size());
    constexpr std::string_view link = "Link";
    if (rest.size() <= link.size() || rest.substr(0, link.size()) != link ||
        rest.substr(link.size()).find_first_not_of("0123456789") != std::string_view::npos)
        return;
    name.replace(0, formName.size(), rootName);
}

void joinNamed(TOWBasicPin& pin, std::string name)
{
    qualifyLinkName(pin.FormName(), pin.GetRootName(), name);
    TOWStateDispatcherRef dispatcher = FindOrMakeDispatcher(name, pin);
    if (dispatcher && !pin.IsDispatcher(dispatcher.Get()))
        pin.JoinDispatcher(dispatcher.Get());
}

// The converter of the dispatcher that feeds this sink.
TOWFormatConverter* feedingConverter(TOWStateDispatcher& dispatcher, TOWBasicPin& sink)
{
    for (TOWFormatConverter* converter : dispatcher.Converters()) {
        if (converter->OutputPin() && converter->OutputPin()->IsLinkedWith(&sink))
            return converter;
    }
    return nullptr;
}

// The registered pair of the converter's class, the one that ends in the
// sink's type when the class converts several.
std::optional<TOWFormatConverterEntry> registeredPairOf(const TOWFormatConverter& converter, const TGUID& sinkType)
{
    std::optional<TOWFormatConverterEntry> found;
    for (const TOWFormatConverterEntry& entry : FormatConverterEntries()) {
        if (!entry.ConverterClass || entry.ConverterClass->name != converter.ClassName())
            continue;
        if (!found || entry.ToType == sinkType)
            found = entry;
        if (entry.ToType == sinkType)
            break;
    }
    return found;
}

} // namespace

// ---------------------------------------------------------------- pins

void TOWBasicPin::ReadLinks(TReader& reader)
{
    const TOWPinKind kind = GetSinkKind();
    std::vector<TLinkRef> refs;
    if (kind == TOWPinKind::Sink)
        refs.push_back(readSourceValue(reader));
    else if (kind == TOWPinKind::Source || kind == TOWPinKind::MultiSink)
        refs = readLinkList(reader);
    else
        reader.InvalidValue();
    linkAll(readerOf(*this, reader), *this, kind, refs);
}

void TOWBasicPin::ReadState(TReader& reader)
{
    joinNamed(*this, readStateValue(reader));
}

void TOWBasicPin::WriteState(TWriter& writer)
{
    TOWStateDispatcherRef dispatcher = GetDispatcher();
    if (!dispatcher)
        return;
    // The first member of this root also names the members of other roots.
    const std::string root = GetRootName();
    bool firstOfRoot = false;
    bool rootSeen = false;
    std::vector<std::pair<std::string, std::string>> others;
    for (const TOWDispatcherPinStorage& member : dispatcher->Members()) {
        auto pin = Use(member.Member);
        if (!pin)
            continue;
        if (pin->GetRootName() == root) {
            if (!rootSeen)
                firstOfRoot = pin.Get() == this;
            rootSeen = true;
        } else {
            others.emplace_back(pin->GetIndexPath(true), pin->GetPath(true));
        }
    }
    if (!firstOfRoot || others.empty()) {
        writer.WriteString(dispatcher->Name());
        return;
    }
    writer.WriteListBegin();
    writer.WriteString(dispatcher->Name());
    for (const auto& [indexPath, namePath] : others)
        writePathPair(writer, indexPath, namePath);
    writer.WriteListEnd();
}

bool TOWBasicPin::HasSourceLinkToWrite()
{
    return GetSinkKind() == TOWPinKind::Sink && GetSourceToWrite() && !HasStateToWrite() && !IsStateOwnedElsewhere();
}

bool TOWBasicPin::WriteLinks(TWriter& writer)
{
    switch (GetSinkKind()) {
    case TOWPinKind::Source:
    case TOWPinKind::MultiSink: {
        const auto pending = pendingLinksToWrite(*this);
        if (GetLinkCount() == 0 && pending.empty())
            return false;
        writer.WriteIdent(GetSinkKind() == TOWPinKind::Source ? "Sinks" : "Sources");
        writeLinkList(writer, *this, pending);
        return true;
    }
    case TOWPinKind::Sink:
        if (!HasSourceLinkToWrite())
            return false;
        writeSourceValue(writer, *this);
        return true;
    default:
        return false;
    }
}

void TOWBasicPin::WriteLinkValue(TWriter& writer)
{
    if (HasStateToWrite()) {
        writer.WriteIdent("State");
        writer.WriteListBegin();
        WriteState(writer);
        WriteLinks(writer);
        writer.WriteListEnd();
        return;
    }
    if (!WriteLinks(writer))
        writer.WriteIdent("nil");
}

void TOWBasicPin::WriteStateConverter(TWriter& writer)
{
    TOWStateDispatcherRef dispatcher = GetDispatcher();
    TOWFormatConverter* converter = dispatcher ? feedingConverter(*dispatcher, *this) : nullptr;
    const auto pair = converter ? registeredPairOf(*converter, GetStreamType(nullptr)) : std::nullopt;
    if (!pair)
        return;
    writer.WriteListBegin();
    WriteState(writer);
    writer.WriteString(GuidToString(pair->FromType));
    writer.WriteString(GuidToString(pair->ToType));
    writer.WriteListEnd();
}

void TOWBasicPin::ReadStateConverter(TReader& reader)
{
    reader.ReadListBegin();
    std::string name = readStateValue(reader);
    const std::optional<TGUID> fromType = TryParseGuid(reader.ReadString());
    const std::optional<TGUID> toType = TryParseGuid(reader.ReadString());
    reader.ReadListEnd();
    if (!fromType || !toType)
        reader.InvalidValue();
    // A pair no converter is registered for leaves the sink unlinked.
    const TOWFormatConverterClass* converterClass = FindFormatConverterClass(*fromType, *toType);
    if (!converterClass)
        return;
    qualifyLinkName(FormName(), GetRootName(), name);
    TOWStateDispatcherRef dispatcher = FindDispatcher(name);
    if (!dispatcher)
        dispatcher = TOWStateDispatcher::Create(name, IsDesigning());
    TOwned<TOWFormatConverter> converter = converterClass->create();
    if (!converter || !converter->InputPin() || !converter->OutputPin() ||
        !converter->OutputPin()->ConnectData(this, nullptr))
        return;
    converter->InputPin()->EnterDispatcher(dispatcher.Get(), nullptr);
    SetDispatcher(dispatcher);
    dispatcher->AddConverter(std::move(converter));
}

void TOWPin::DefineProperties(TFiler& filer)
{
    // The has-data tests take sections: only the writer needs them.
    const bool writing = dynamic_cast<TWriter*>(&filer) != nullptr;
    const TOWPinKind kind = GetSinkKind();
    // Links waiting for a far end not loaded yet are written too; so are the
    // root's name, by which their paths are read back.
    std::vector<TOWUnloadedPin::TPendingLink> pending;
    bool linkList = false;
    if (writing && (kind == TOWPinKind::Source || kind == TOWPinKind::MultiSink)) {
        pending = pendingLinksToWrite(*this);
        linkList = GetLinkCount() > 0 || !pending.empty();
    }
    const auto writeLinks = [this, &pending](TWriter& writer) { writeLinkList(writer, *this, pending); };
    filer.DefineProperty(
        "Form", [this](TReader& reader) { SetFormName(reader.ReadIdent()); },
        [this](TWriter& writer) { writer.WriteIdent(GetRootName()); }, writing && (HasLinksToWrite() || linkList));
    filer.DefineProperty(
        "State", [this](TReader& reader) { ReadState(reader); }, [this](TWriter& writer) { WriteState(writer); },
        writing && HasStateToWrite());
    const auto readLinks = [this](TReader& reader) { ReadLinks(reader); };
    switch (kind) {
    case TOWPinKind::Source:
        filer.DefineProperty(
            "SinkPins", readLinks, writeLinks, linkList);
        break;
    case TOWPinKind::MultiSink:
        filer.DefineProperty(
            "SourcePin", readLinks, writeLinks, linkList);
        break;
    case TOWPinKind::Sink:
        filer.DefineProperty(
            "SourcePin", readLinks, [this](TWriter& writer) { writeSourceValue(writer, *this); },
            writing && HasSourceLinkToWrite());
        filer.DefineProperty(
            "StateConverter", [this](TReader& reader) { ReadStateConverter(reader); },
            [this](TWriter& writer) { WriteStateConverter(writer); }, writing && IsStateOwnedElsewhere());
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- pin lists

namespace {

// The links a "Pins" item gives one slot, of one kind.
struct TSlotLinks {
    TOWPinKind Kind;
    std::vector<TLinkRef> Refs;
};

// One item of a "Pins" value as read. The whole value is read before any
// item is linked, so that a value refused at a late item links none.
struct TPinsItem {
    int Index;
    // Set for a "State" item of a slot that holds a pin of its own: the pin
    // joins this state and links from itself rather than from a placeholder.
    std::optional<std::string> OwnState;
    std::vector<TSlotLinks> Links;
};

// The pin at slot i; placeholders of that kind fill the slots up to i when
// the list is shorter.
TOWBorrowed<TOWBasicPin> slotFor(TOWPinList& list, const TOWLinkReader& reader, int index, TOWPinKind kind)
{
    for (int slot = list.EntryCount(); slot <= index; ++slot) {
        const std::string path = reader.RequesterPath + "._Pin" + std::to_string(slot);
        list.AddPin(TOWUnloadedPin::Create(path, path, reader.RequesterPath, reader.RootName, kind, reader.Designing),
                    {});
    }
    return list.ItemAt(index);
}

void linkSlot(TOWPinList& list, const TOWLinkReader& reader, int index, TOWPinKind kind,
              const std::vector<TLinkRef>& refs)
{
    if (refs.empty())
        return;
    auto pin = Use(slotFor(list, reader, index, kind));
    // A slot whose pin is of another kind than the stream says is left alone.
    if (!pin || pin->GetSinkKind() != kind)
        return;
    if (!dynamic_cast<TOWUnloadedPin*>(pin.Get()))
        pin->ResolvePlaceholders();
    linkAll(reader, *pin, kind, refs);
}

// The links of an item after its identifier (null: a list comes next).
TSlotLinks readItemLinks(TReader& reader, const std::string* ident)
{
    if (!ident)
        return {TOWPinKind::Sink, {readSourceValue(reader)}};
    if (*ident == "Sinks")
        return {TOWPinKind::Source, readLinkList(reader)};
    if (*ident == "Sources")
        return {TOWPinKind::MultiSink, readLinkList(reader)};
    return {TOWPinKind::Sink, {TLinkRef{*ident, *ident, {}}}};
}

// "State" and a list: the pin of the slot reads its state and links from
// it; an empty slot gets a placeholder linked to the state pins named.
TPinsItem readStateItem(TOWPinList& list, TReader& stream, int index)
{
    TPinsItem item{index, std::nullopt, {}};
    auto pin = Use(list.ItemAt(index));
    if (pin && !dynamic_cast<TOWUnloadedPin*>(pin.Get())) {
        stream.ReadListBegin();
        item.OwnState = readStateValue(stream);
        TSlotLinks links{pin->GetSinkKind(), {}};
        if (!stream.EndOfList()) {
            if (links.Kind == TOWPinKind::Sink) {
                links.Refs.push_back(readSourceValue(stream));
            } else {
                const std::string ident = stream.ReadIdent();
                if (ident != (links.Kind == TOWPinKind::Source ? "Sinks" : "Sources"))
                    stream.InvalidValue();
                links.Refs = readLinkList(stream);
            }
        }
        stream.ReadListEnd();
        item.Links.push_back(std::move(links));
        return item;
    }
    stream.ReadListBegin();
    TSlotLinks stateLinks{TOWPinKind::State, {}};
    while (IsStringValueType(stream.NextValue())) {
        countItem(stream, stateLinks.Refs.size());
        const std::string path = stream.ReadString();
        stateLinks.Refs.push_back({path, path, {}});
    }
    item.Links.push_back(std::move(stateLinks));
    if (stream.NextValue() == TValueType::Ident) {
        const std::string ident = stream.ReadIdent();
        item.Links.push_back(readItemLinks(stream, &ident));
    } else if (stream.NextValue() == TValueType::List) {
        item.Links.push_back(readItemLinks(stream, nullptr));
    }
    stream.ReadListEnd();
    return item;
}

void linkItem(TOWPinList& list, const TOWLinkReader& reader, const TPinsItem& item)
{
    if (!item.OwnState) {
        for (const TSlotLinks& links : item.Links)
            linkSlot(list, reader, item.Index, links.Kind, links.Refs);
        return;
    }
    auto pin = Use(list.ItemAt(item.Index));
    if (!pin)
        return;
    pin->ResolvePlaceholders();
    joinNamed(*pin, *item.OwnState);
    for (const TSlotLinks& links : item.Links)
        linkAll(reader, *pin, links.Kind, links.Refs);
}

void readPins(TOWPinList& list, TReader& stream)
{
    const TOWLinkReader reader = readerOf(list, stream);
    TOWPinList::TWalk walk(list);
    std::vector<TPinsItem> items;
    stream.ReadListBegin();
    for (int index = 0; !stream.EndOfList(); ++index) {
        countItem(stream, static_cast<std::size_t>(index));
        if (stream.NextValue() == TValueType::List) {
            items.push_back({index, std::nullopt, {readItemLinks(stream, nullptr)}});
            continue;
        }
        const std::string ident = stream.ReadIdent();
        if (ident == "nil")
            continue;
        if (ident == "State") {
            items.push_back(readStateItem(list, stream, index));
            continue;
        }
        items.push_back({index, std::nullopt, {readItemLinks(stream, &ident)}});
    }
    stream.ReadListEnd();
    for (const TPinsItem& item : items)
        linkItem(list, reader, item);
}

bool anyLinked(TOWPinList& list)
{
    TOWPinList::TWalk walk(list);
    const int count = list.EntryCount();
    for (int i = 0; i < count; ++i) {
        auto pin = Use(list.ItemAt(i));
        if (pin && (pin->HasLinksToWrite() || hasLinkList(*pin)))
            return true;
    }
    return false;
}

void writePins(TOWPinList& list, TWriter& writer)
{
    TOWPinList::TWalk walk(list);
    writer.WriteListBegin();
    const int count = list.EntryCount();
    for (int i = 0; i < count; ++i) {
        if (auto pin = Use(list.ItemAt(i)))
            pin->WriteLinkValue(writer);
        else
            writer.WriteIdent("nil");
    }
    writer.WriteListEnd();
}

// Once a form is read (before its components are told they are loaded), its
// links are made, in the order they were read, and its pins take the place
// of the placeholders that links read earlier (from another form) left for
// them.
void completeLinks(const std::vector<TComponent*>& components)
{
    completePendingLinks();
    for (TComponent* component : components) {
        if (OWPlaceholderCount() == 0)
            return;
        std::vector<TOWPinPathItem> pins;
        ListPins(*component, "TOWPin", pins, false);
        for (const TOWPinPathItem& item : pins) {
            if (item.Pin->GetOwnerComponent() == component)
                item.Pin->ResolvePlaceholders();
        }
    }
}

const bool linksCompletedAfterReading = (SetReadFinishedHook(&completeLinks), true);

} // namespace

void TOWPinList::DefineProperties(TFiler& filer)
{
    const bool writing = dynamic_cast<TWriter*>(&filer) != nullptr;
    filer.DefineProperty(
        "Form", [this](TReader& reader) { SetFormName(reader.ReadIdent()); },
        [this](TWriter& writer) {
            TComponent* root = FindRootOwner(Owner());
            writer.WriteIdent(root ? root->Name() : std::string());
        },
        writing);
    filer.DefineProperty(
        "Pins", [this](TReader& reader) { readPins(*this, reader); },
        [this](TWriter& writer) { writePins(*this, writer); }, writing && anyLinked(*this));
    filer.DefineProperty("PinsOwner", [](TReader& reader) { reader.ReadBoolean(); }, nullptr, false);
}
