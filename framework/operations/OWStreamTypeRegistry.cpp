#include "framework/operations/OWStreamTypeRegistry.h"

#include <algorithm>
#include <vector>

namespace {

struct TRegistries {
    std::vector<TOWStreamTypeEntry> streamTypes;
    std::vector<TOWFormatConverterEntry> converters;
    std::vector<TOWTypeUnitFinalize> finalizers;
    bool writable = false;
};

TRegistries& registries()
{
    static TRegistries instance;
    return instance;
}

TRegistries& writableRegistries()
{
    TRegistries& r = registries();
    if (!r.writable)
        throw EOWException("Stream types and converters are registered only during the pin unit's start-up");
    return r;
}

int indexOfStreamType(const std::vector<TOWStreamTypeEntry>& entries, const TGUID& streamType)
{
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const TOWStreamTypeEntry& e) { return e.StreamType == streamType; });
    return it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
}

} // namespace

int FindOrAddStreamType(const TGUID& streamType)
{
    TRegistries& r = writableRegistries();
    const int found = indexOfStreamType(r.streamTypes, streamType);
    if (found >= 0)
        return found;
    r.streamTypes.push_back(TOWStreamTypeEntry{streamType, {}, nullptr});
    return static_cast<int>(r.streamTypes.size()) - 1;
}

void RegisterStreamTypeCaption(const TGUID& streamType, std::string caption)
{
    const int index = FindOrAddStreamType(streamType);
    registries().streamTypes[static_cast<std::size_t>(index)].Caption = std::move(caption);
}

void RegisterStreamTypeHandler(const TGUID& streamType, TOWStreamHandlerProc handler)
{
    const int index = FindOrAddStreamType(streamType);
    registries().streamTypes[static_cast<std::size_t>(index)].Handler = handler;
}

std::string StreamTypeCaption(const TGUID& streamType)
{
    if (streamType.IsNull())
        return "NIL ID";
    const auto& entries = registries().streamTypes;
    const int index = indexOfStreamType(entries, streamType);
    if (index >= 0 && !entries[static_cast<std::size_t>(index)].Caption.empty())
        return entries[static_cast<std::size_t>(index)].Caption;
    return StreamTypeIDToString(streamType);
}

std::string StreamTypeIDToString(const TGUID& streamType)
{
    return GuidToString(streamType);
}

TOWStreamHandlerProc StreamTypeHandler(const TGUID& streamType)
{
    const auto& entries = registries().streamTypes;
    const int index = indexOfStreamType(entries, streamType);
    return index < 0 ? nullptr : entries[static_cast<std::size_t>(index)].Handler;
}

int IndexOfFormatConverter(const TGUID& fromType, const TGUID& toType)
{
    const auto& entries = registries().converters;
    auto it = std::find_if(entries.begin(), entries.end(), [&](const TOWFormatConverterEntry& e) {
        return e.FromType == fromType && e.ToType == toType;
    });
    return it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
}

void RegisterFormatConverter(const TGUID& fromType, const TGUID& toType, const TOWFormatConverterClass* converterClass)
{
    TRegistries& r = writableRegistries();
    const int index = IndexOfFormatConverter(fromType, toType);
    if (index >= 0)
        r.converters[static_cast<std::size_t>(index)].ConverterClass = converterClass;
    else
        r.converters.push_back(TOWFormatConverterEntry{fromType, toType, converterClass});
}

const TOWFormatConverterClass* FindFormatConverterClass(const TGUID& fromType, const TGUID& toType)
{
    const int index = IndexOfFormatConverter(fromType, toType);
    return index < 0 ? nullptr : registries().converters[static_cast<std::size_t>(index)].ConverterClass;
}

std::span<const TOWStreamTypeEntry> StreamTypeEntries()
{
    return registries().streamTypes;
}

std::span<const TOWFormatConverterEntry> FormatConverterEntries()
{
    return registries().converters;
}

void RegisterTypeUnitFinalize(TOWTypeUnitFinalize finalize)
{
    TRegistries& r = writableRegistries();
    if (std::find(r.finalizers.begin(), r.finalizers.end(), finalize) == r.finalizers.end())
        r.finalizers.push_back(finalize);
}

void owStreamTypeRegistryDetail::SetWritable(bool writable)
{
    registries().writable = writable;
}

void owStreamTypeRegistryDetail::Clear()
{
    TRegistries& r = registries();
    for (TOWTypeUnitFinalize finalize : r.finalizers)
        finalize();
    r.finalizers.clear();
    r.streamTypes.clear();
    r.converters.clear();
}
