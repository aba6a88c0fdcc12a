#include "framework/streams/SLBufferTypes.h"

#include "framework/buffers/SLBlockBuffer.h"
#include "framework/buffers/SLComplexBuffer.h"
#include "framework/buffers/SLIntegerBuffer.h"
#include "framework/buffers/SLRealBuffer.h"
#include "framework/streams/OWScalarTypes.h"
#include "framework/streams/SLOWConverters.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<TSLBufferTypeEntry>& bufferTypes()
{
    static std::vector<TSLBufferTypeEntry> entries;
    return entries;
}

template<class Buffer>
SLRef<ISLData> createBuffer(std::uint32_t count)
{
    return Buffer::CreateSized(count);
}

void releaseNothing(ISLData*)
{
}

} // namespace

void RegisterBufferStreamType(const TGUID& streamType, std::uint32_t elementSize,
                              SLRef<ISLData> (*createBuffer)(std::uint32_t), void (*releaseBuffer)(ISLData*))
{
    auto& entries = bufferTypes();
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const TSLBufferTypeEntry& e) { return e.StreamType == streamType; });
    if (it == entries.end()) {
        entries.push_back({streamType, elementSize, createBuffer, releaseBuffer});
        return;
    }
    it->CreateBuffer = createBuffer;
    it->ReleaseBuffer = releaseBuffer;
}

std::span<const TSLBufferTypeEntry> BufferStreamTypes()
{
    return bufferTypes();
}

void slBufferTypesDetail::Clear()
{
    bufferTypes().clear();
}

bool SLStreamReceiverHandler(TOWPin*, TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                             const TOWNotifyOperationRef& operation)
{
    return !(flags & owAnnounceFlag) &&
           OWPassToReceiver(target, OWGuidOf<ISLStreamReceiver>(), streamType, operation, flags);
}

void SLRegisterBufferStreamTypes()
{
    using namespace slStreamTypes;
    namespace st = owStreamTypes;
    static constexpr TOWStreamTypeCaption captions[] = {
        {BinaryArray, "SL binary array"},
        {RealArray, "SL real array"},
        {IntegerArray, "SL integer array"},
        {ComplexArray, "SL complex array"},
        {Universal, "SL Universal stream"},
        {Generic, "SL Generic stream"},
        {PairedBuffers, "SL Paired Buffers stream"},
        {String, "SL String"},
        {RealMatrix, "SL Real Matrix"},
        {UserControl, "User control stream"},
    };
    OWRegisterCaptions(captions);
    RegisterTypeUnitFinalize(slBufferTypesDetail::Clear);
    for (const TGUID& type : {BinaryArray, RealArray, IntegerArray, ComplexArray, String, Generic, PairedBuffers,
                              RealMatrix})
        RegisterStreamTypeHandler(type, SLStreamReceiverHandler);

    RegisterBufferStreamType(Generic, 1, createBuffer<TSLBlockBuffer>, releaseNothing);
    RegisterBufferStreamType(BinaryArray, 1, createBuffer<TSLBlockBuffer>, releaseNothing);
    RegisterBufferStreamType(RealArray, 8, createBuffer<TSLRealBuffer>, releaseNothing);
    RegisterBufferStreamType(IntegerArray, 4, createBuffer<TSLIntegerBuffer>, releaseNothing);
    RegisterBufferStreamType(ComplexArray, 16, createBuffer<TSLComplexBuffer>, releaseNothing);

    RegisterFormatConverter(IntegerArray, BinaryArray, OWConverterClassOf<TSLOWIntToBinaryFormatConverter>());
    RegisterFormatConverter(RealArray, BinaryArray, OWConverterClassOf<TSLOWRealToBinaryFormatConverter>());
    RegisterFormatConverter(ComplexArray, BinaryArray, OWConverterClassOf<TSLOWComplexToBinaryFormatConverter>());
    RegisterFormatConverter(IntegerArray, RealArray, OWConverterClassOf<TSLOWIntToRealFormatConverter>());
    RegisterFormatConverter(st::DateTime, String, OWConverterClassOf<TSLOWTimeToStringFormatConverter>());
    RegisterFormatConverter(st::Integer32, String, OWConverterClassOf<TSLOWIntegerToStringFormatConverter>());
    RegisterFormatConverter(st::RealSingle, String, OWConverterClassOf<TSLOWRealToStringFormatConverter>());
    RegisterFormatConverter(RealArray, RealMatrix, OWConverterClassOf<TSLOWRealToRealMatrixFormatConverter>());
}

std::span<const TOWTypeUnitStartUp> OWStandardTypeUnits()
{
    static constexpr TOWTypeUnitStartUp units[] = {OWRegisterScalarStreamTypes, SLRegisterBufferStreamTypes};
    return units;
}
