#include "framework/OWTypeUnitTestSupport.h"

#include "framework/buffers/SLBlockBuffer.h"
#include "framework/buffers/SLComplexBuffer.h"
#include "framework/buffers/SLIntegerBuffer.h"
#include "framework/buffers/SLRealBuffer.h"
#include "framework/buffers/SLRealMatrixBuffer.h"
#include "framework/streams/SLOWConverters.h"
#include "framework/text/FloatToDisplayText.h"
#include "framework/text/OWValueText.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

using namespace owTypeTest;
namespace st = owStreamTypes;
namespace sl = slStreamTypes;

namespace {

// A buffer source of one array type that counts what its sinks send upstream.
class TArraySource : public TSLOWSourcePin {
public:
    TArraySource(TPinOwner& owner, const TGUID& type)
        : TSLOWSourcePin(&owner, &owner.OwnerLock(), TNotifyEvent{}, TSLOWReceiveEvent::Of<&TArraySource::upstream>(this))
    {
        offer(type);
    }
    std::atomic<int> queries{0};

private:
    bool upstream(TOWBasicPin*, const TGUID&, const TOWNotifyOperationRef& operation, TOWHandlerFlags)
    {
        if (OWOperationAs<TOWQueryStreamOperation>(operation))
            ++queries;
        return true;
    }
};

TOWNotifyOperationRef supplied(SLRef<ISLData> buffer)
{
    return OWMakeOperation<TOWSuppliedBufferOperation>(std::move(buffer));
}

ISLDataBuffer& bufferOf(const TOWNotifyOperationRef& operation)
{
    const auto* op = OWOperationAs<TOWSuppliedBufferOperation>(operation);
    EXPECT_NE(op, nullptr);
    return dynamic_cast<ISLDataBuffer&>(*op->Buffer());
}

std::string textOf(const TOWNotifyOperationRef& operation)
{
    const auto* op = OWOperationAs<TOWSuppliedStringOperation>(operation);
    return op ? op->Value() : "(no text)";
}

// The bytes of the output are those of the input, on the same block.
void sameBytes(const TOWNotifyOperationRef& input, const TOWNotifyOperationRef& output)
{
    ISLDataBuffer& in = bufferOf(input);
    ISLDataBuffer& out = bufferOf(output);
    EXPECT_NE(dynamic_cast<ISLBlockBuffer*>(&out), nullptr);
    EXPECT_EQ(out.GetByteSize(), in.GetByteSize());
    EXPECT_EQ(out.GetCount(), in.GetByteSize());
    EXPECT_EQ(out.GetRawReadPointer(), in.GetRawReadPointer()) << "handed on by reference";
}

struct TConverterCase {
    const char* name;
    TGUID from;
    // A buffer source, or a scalar source (which receives nothing upstream).
    bool bufferSource;
    std::function<TOWNotifyOperationRef()> value;
    TGUID to;
    const char* converter;
    std::function<void(const TOWNotifyOperationRef& input, const TOWNotifyOperationRef& output)> check;
};

class Converters : public TypeUnits, public ::testing::WithParamInterface<TConverterCase> {};

TEST_P(Converters, NegotiationPicksTheConverterWhichConvertsAndPassesTheRestOnBothWays)
{
    const TConverterCase& c = GetParam();
    TArraySource* bufferSource = nullptr;
    TOwned<TOWSourcePin> source;
    if (c.bufferSource) {
        auto made = MakeObject<TArraySource>(owner, c.from);
        bufferSource = made.get();
        source.reset(made.release());
    } else {
        source.reset(MakeObject<TOneTypeSource>(owner, c.from).release());
    }
    auto sink = MakeObject<TRecordingSink>(owner, std::vector<TGUID>{c.to}, true);
    ASSERT_TRUE(sink->Connect(source.get()));
    const auto converters = source->ConvertersSnapshot();
    ASSERT_EQ(converters.size(), 1u);
    EXPECT_EQ(converters[0]->ClassInfo().Name(), c.converter);
    EXPECT_EQ(sink->GetStreamType(nullptr), c.to);

    const TOWNotifyOperationRef start = OWMakeOperation<TOWStartSampleRateOperation>(0, 50.0);
    const TOWNotifyOperationRef input = c.value();
    const TOWNotifyOperationRef stop = OWMakeOperation<TOWStopOperation>();
    source->SendOperation(start);
    source->SendOperation(input);
    source->SendOperation(stop);
    const auto delivered = sink->Delivered();
    if (c.bufferSource) {
        ASSERT_EQ(delivered.size(), 3u);
        EXPECT_EQ(delivered[0].operation, start) << "passed on unchanged";
        EXPECT_EQ(delivered[2].operation, stop) << "passed on unchanged";
        c.check(input, delivered[1].operation);
    } else {
        ASSERT_EQ(delivered.size(), 1u);
        c.check(input, delivered[0].operation);
    }

    const bool answered = sink->SendOperation(OWMakeOperation<TOWQueryStreamOperation>());
    EXPECT_EQ(answered, c.bufferSource);
    if (bufferSource) {
        EXPECT_EQ(bufferSource->queries.load(), 1) << "the query travels upstream through the converter";
    }
}

SLRef<ISLData> integers(std::vector<std::int32_t> values)
{
    auto buffer = TSLIntegerBuffer::CreateSized(static_cast<std::uint32_t>(values.size()));
    std::memcpy(buffer->GetWritePointer(), values.data(), values.size() * sizeof(std::int32_t));
    return buffer;
}

SLRef<ISLData> reals(std::vector<double> values)
{
    return TSLRealBuffer::CreateFromData(values.data(), static_cast<std::uint32_t>(values.size()));
}

SLRef<ISLData> complexes(std::uint32_t count)
{
    auto buffer = TSLComplexBuffer::CreateSized(count);
    std::memset(buffer->GetWritePointer(), 7, count * sizeof(Ipp64fc));
    return buffer;
}

INSTANTIATE_TEST_SUITE_P(
    EveryConverter, Converters,
    ::testing::Values(
        TConverterCase{"IntToBinary", sl::IntegerArray, true, [] { return supplied(integers({1, -2, 3})); },
                       sl::BinaryArray, "TSLOWIntToBinaryFormatConverter", sameBytes},
        TConverterCase{"RealToBinary", sl::RealArray, true, [] { return supplied(reals({0.5, -1})); },
                       sl::BinaryArray, "TSLOWRealToBinaryFormatConverter", sameBytes},
        TConverterCase{"ComplexToBinary", sl::ComplexArray, true, [] { return supplied(complexes(3)); },
                       sl::BinaryArray, "TSLOWComplexToBinaryFormatConverter", sameBytes},
        TConverterCase{"IntToReal", sl::IntegerArray, true,
                       [] { return supplied(integers({1, -2, std::numeric_limits<std::int32_t>::min()})); },
                       sl::RealArray, "TSLOWIntToRealFormatConverter",
                       [](const TOWNotifyOperationRef&, const TOWNotifyOperationRef& output) {
                           auto* out = dynamic_cast<ISLRealBuffer*>(&bufferOf(output));
                           ASSERT_NE(out, nullptr);
                           ASSERT_EQ(out->GetCount(), 3u);
                           EXPECT_EQ(out->GetItem(0), 1.0);
                           EXPECT_EQ(out->GetItem(1), -2.0);
                           EXPECT_EQ(out->GetItem(2), -2147483648.0);
                       }},
        TConverterCase{"RealToRealMatrix", sl::RealArray, true, [] { return supplied(reals({1, 2, 3, 4})); },
                       sl::RealMatrix, "TSLOWRealToRealMatrixFormatConverter",
                       [](const TOWNotifyOperationRef& input, const TOWNotifyOperationRef& output) {
                           const auto* op = OWOperationAs<TOWSuppliedBufferOperation>(output);
                           auto* matrix = dynamic_cast<ISLRealMatrixBuffer*>(op->Buffer().get());
                           ASSERT_NE(matrix, nullptr);
                           EXPECT_EQ(matrix->GetRows(), 1);
                           EXPECT_EQ(matrix->GetCols(), 4);
                           EXPECT_EQ(matrix->GetItem(0, 3), 4.0);
                           EXPECT_EQ(static_cast<const void*>(matrix->GetReadPointer()),
                                     bufferOf(input).GetRawReadPointer());
                       }},
        TConverterCase{"TimeToString", st::DateTime, false, op<TOWSuppliedDateTimeOperation>(2.5), sl::String,
                       "TSLOWTimeToStringFormatConverter",
                       [](const TOWNotifyOperationRef&, const TOWNotifyOperationRef& output) {
                           EXPECT_EQ(textOf(output), DateTimeToText(2.5));
                       }},
        TConverterCase{"IntegerToString", st::Integer32, false, op<TOWSuppliedIntegerOperation>(-42), sl::String,
                       "TSLOWIntegerToStringFormatConverter",
                       [](const TOWNotifyOperationRef&, const TOWNotifyOperationRef& output) {
                           EXPECT_EQ(textOf(output), "-42");
                       }},
        TConverterCase{"RealToString", st::RealSingle, false, op<TOWSuppliedRealOperation>(1.0 / 3), sl::String,
                       "TSLOWRealToStringFormatConverter",
                       [](const TOWNotifyOperationRef&, const TOWNotifyOperationRef& output) {
                           EXPECT_EQ(textOf(output), "0.333333333333333");
                       }}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ sizes that do not fit

// Buffers that report more elements than the converted type can hold; their
// data are never read.
class THugeIntegers : public TSLIntegerBuffer {
public:
    explicit THugeIntegers(std::uint32_t count) : TSLIntegerBuffer(std::uint64_t{16}), count_(count) {}
    std::uint32_t GetCount() override { return count_; }
    std::uint32_t GetByteSize() override
    {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{count_} * 4, UINT32_MAX));
    }

private:
    std::uint32_t count_;
};

class THugeReals : public TSLRealBuffer {
public:
    explicit THugeReals(std::uint32_t count) : TSLRealBuffer(std::uint64_t{16}), count_(count) {}
    std::uint32_t GetCount() override { return count_; }

private:
    std::uint32_t count_;
};

struct TTooLargeCase {
    const char* name;
    TGUID from;
    std::function<SLRef<ISLData>()> buffer;
    TGUID to;
    // One that fits.
    std::function<SLRef<ISLData>()> small;
};

class TooLarge : public TypeUnits, public ::testing::WithParamInterface<TTooLargeCase> {};

TEST_P(TooLarge, IsRefusedWithAnErrorInsteadOfAWrappedSize)
{
    const TTooLargeCase& c = GetParam();
    auto source = MakeObject<TArraySource>(owner, c.from);
    auto sink = MakeObject<TRecordingSink>(owner, std::vector<TGUID>{c.to}, true);
    ASSERT_TRUE(sink->Connect(source.get()));
    ASSERT_EQ(source->ConverterCount(), 1);
    try {
        source->SendOperation(supplied(c.buffer()));
        ADD_FAILURE() << "no error";
    } catch (const EOWException& error) {
        EXPECT_NE(std::string(error.what()).find("too large"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(sink->Delivered().empty());
    // The pin still works.
    source->SendOperation(supplied(c.small()));
    EXPECT_EQ(sink->Delivered().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Converters, TooLarge,
    ::testing::Values(
        // 2^31 bytes: past a byte buffer's signed 32-bit index.
        TTooLargeCase{"ByteCountOfABlock", sl::IntegerArray, [] { return SLRef<ISLData>(new THugeIntegers(1u << 29)); },
                      sl::BinaryArray, [] { return integers({5}); }},
        // 2^27 + 1 doubles need more than the largest block.
        TTooLargeCase{"IntegersAsReals", sl::IntegerArray,
                      [] { return SLRef<ISLData>(new THugeIntegers((1u << 27) + 1)); }, sl::RealArray,
                      [] { return integers({5}); }},
        TTooLargeCase{"ColumnsOfAMatrix", sl::RealArray, [] { return SLRef<ISLData>(new THugeReals(1u << 31)); },
                      sl::RealMatrix, [] { return reals({5}); }}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ value texts

struct TRealTextCase {
    double value;
    char32_t separator;
    const char* text;
};

TEST(ValueTexts, RealsInGeneralFormWithFifteenDigitsAndTheDisplaySeparator)
{
    const TRealTextCase cases[] = {
        {0.1, U'.', "0.1"},
        {1.0 / 3, U'.', "0.333333333333333"},
        {123456789012345678.0, U'.', "1.23456789012346e+17"},
        {1e-5, U'.', "1e-05"},
        {-0.0, U'.', "-0"},
        {2.5, U',', "2,5"},
        {2.5, U'\u00B7', "2\u00B75"},
    };
    const char32_t saved = DisplayDecimalSeparator();
    for (const TRealTextCase& c : cases) {
        SetDisplayDecimalSeparator(c.separator);
        EXPECT_EQ(RealToGeneralText(c.value), c.text) << c.value;
    }
    SetDisplayDecimalSeparator(saved);
}

TEST(ValueTexts, DateTimesCountDaysFromTheEndOf1899WithTheTimeAsFraction)
{
    // The tests run in the "C" locale: month/day/two-digit year.
    const std::pair<double, const char*> cases[] = {
        {0.0, "12/30/99 00:00:00"},
        {2.5, "01/01/00 12:00:00"},
        {-1.25, "12/29/99 06:00:00"},
        {25569.75, "01/01/70 18:00:00"},
        // Less than half a millisecond before midnight is the next day.
        {1.0 - 1e-9, "12/31/99 00:00:00"},
        {std::nan(""), "nan"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(DateTimeToText(value), text) << value;
}

} // namespace
