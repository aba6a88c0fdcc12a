#include "framework/OWTypeUnitTestSupport.h"

#include "framework/streams/OWScalarConverters.h"
#include "framework/streams/OWScalarSinkPins.h"
#include "framework/streams/OWScalarSourcePins.h"

#include <functional>

using namespace owTypeTest;
namespace st = owStreamTypes;

namespace {

using ScalarTypes = TypeUnits;

// ------------------------------------------------------------ converters

struct TConverterCase {
    const char* name;
    TGUID from;
    std::function<TOWNotifyOperationRef()> value;
    std::vector<TGUID> sinkTypes;
    const char* converter;
    TOWOperationKind kind;
    // Value, then the bounds of a ranged value.
    std::vector<double> expected;
};

std::vector<double> valuesOf(const TOWNotifyOperationRef& operation)
{
    if (const auto* ranged = OWOperationAs<TOWSuppliedRealValueRangeOperation>(operation))
        return {ranged->Value(), ranged->FirstBound(), ranged->SecondBound()};
    if (const auto* real = OWOperationAs<TOWSuppliedRealOperation>(operation))
        return {real->Value()};
    if (const auto* single = OWOperationAs<TOWSuppliedSingleOperation>(operation))
        return {single->Value()};
    return {};
}

class ScalarConverters : public ScalarTypes, public ::testing::WithParamInterface<TConverterCase> {};

TEST_P(ScalarConverters, NegotiationPicksTheConverterAndItConvertsTheValue)
{
    const TConverterCase& c = GetParam();
    auto source = MakeObject<TOneTypeSource>(owner, c.from);
    auto sink = MakeObject<TRecordingSink>(owner, c.sinkTypes);
    ASSERT_TRUE(sink->Connect(source.get()));
    const auto converters = source->ConvertersSnapshot();
    ASSERT_EQ(converters.size(), 1u);
    EXPECT_EQ(converters[0]->ClassInfo().Name(), c.converter);

    source->SendOperation(c.value());
    const auto delivered = sink->Delivered();
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].operation->OperationObject().Kind(), c.kind);
    EXPECT_EQ(valuesOf(delivered[0].operation), c.expected);
}

constexpr std::int32_t twoTo24Plus1 = (1 << 24) + 1;
constexpr std::int64_t twoTo53Plus1 = (std::int64_t{1} << 53) + 1;
using K = TOWOperationKind;

INSTANTIATE_TEST_SUITE_P(
    EveryConverter, ScalarConverters,
    ::testing::Values(
        // The nearest single to 2^24 + 1 is 2^24.
        TConverterCase{"IntToFloat", st::Integer32, op<TOWSuppliedIntegerOperation>(twoTo24Plus1), {st::FloatSingle},
                       "TOWIntToFloatFormatConverter", K::SuppliedSingle, {16777216.0}},
        // A sink of both real kinds gets the real, the later registration.
        TConverterCase{"IntToReal", st::Integer32, op<TOWSuppliedIntegerOperation>(twoTo24Plus1),
                       {st::RealSingle, st::FloatSingle}, "TOWIntToRealFormatConverter", K::SuppliedReal,
                       {16777217.0}},
        TConverterCase{"Int64ToFloat", st::Integer64, op<TOWSuppliedInt64Operation>(twoTo53Plus1), {st::FloatSingle},
                       "TOWInt64ToFloatFormatConverter", K::SuppliedSingle, {9007199254740992.0}},
        TConverterCase{"Int64ToReal", st::Integer64, op<TOWSuppliedInt64Operation>(-twoTo53Plus1), {st::RealSingle},
                       "TOWInt64ToRealFormatConverter", K::SuppliedReal, {-9007199254740992.0}},
        TConverterCase{"FloatToReal", st::FloatSingle, op<TOWSuppliedSingleOperation>(0.1f), {st::RealSingle},
                       "TOWFloatToRealFormatConverter", K::SuppliedReal, {double(0.1f)}},
        // The bounds keep their order.
        TConverterCase{"IntToRealRanged", st::RangedInteger32, op<TOWSuppliedIntValueRangeOperation>(5, 10, -10),
                       {st::RangedReal}, "TOWIntToRealRangedFormatConverter", K::SuppliedRealValueRange,
                       {5.0, 10.0, -10.0}},
        // A plain value on a ranged stream becomes a single.
        TConverterCase{"IntToRealRangedPlain", st::RangedInteger32, op<TOWSuppliedIntegerOperation>(twoTo24Plus1),
                       {st::RangedReal}, "TOWIntToRealRangedFormatConverter", K::SuppliedSingle, {16777216.0}},
        TConverterCase{"Int64ToRealRanged", st::RangedInteger64,
                       op<TOWSuppliedInt64ValueRangeOperation>(std::int64_t{-1}, twoTo53Plus1, std::int64_t{0}),
                       {st::RangedReal}, "TOWInt64ToRealRangedFormatConverter", K::SuppliedRealValueRange,
                       {-1.0, 9007199254740992.0, 0.0}}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ real sources

// A real sink has both receivers; a float sink gets the rounded single.
TEST_F(ScalarTypes, TheAnnouncementAndEachValueUseTheRealReceiverFirst)
{
    for (const bool realSink : {true, false}) {
        SCOPED_TRACE(realSink);
        const double sent = 0.1, expected = realSink ? 0.1 : double(0.1f);
        auto source = MakeObject<TOWRealSourcePin>(&owner, &owner.OwnerLock());
        source->SetValue(sent);
        std::vector<double> seen;
        auto onValue = [&](TObject*, auto value) { seen.push_back(value); };
        TOwned<TOWSinkPin> sink;
        if (realSink)
            sink = MakeObject<TOWRealSinkPin>(&owner, &owner.OwnerLock(), TOWValueEvent<double>::OfCallable(&onValue));
        else
            sink = MakeObject<TOWFloatSinkPin>(&owner, &owner.OwnerLock(), TOWValueEvent<float>::OfCallable(&onValue));
        ASSERT_TRUE(sink->Connect(source.get()));
        source->SendOperation(OWMakeOperation<TOWSuppliedRealOperation>(sent));
        EXPECT_EQ(seen, (std::vector<double>{expected, expected}));
    }
}

// ------------------------------------------------------------ ranged sinks

struct TRangedCall {
    std::int64_t value;
    std::int64_t firstBound;
    std::int64_t secondBound;
    bool ranged;
    bool operator==(const TRangedCall&) const = default;
};

struct TRangedCase {
    const char* name;
    bool wide;
    std::vector<std::function<TOWNotifyOperationRef()>> sent;
    std::vector<TRangedCall> values;
    int ranges;
};

class RangedSinks : public ScalarTypes, public ::testing::WithParamInterface<TRangedCase> {};

TEST_P(RangedSinks, APlainValueKeepsTheEarlierRange)
{
    const TRangedCase& c = GetParam();
    std::vector<TRangedCall> values;
    int ranges = 0;
    auto onValue = [&](TObject*, auto value, auto first, auto second, bool ranged) {
        values.push_back({value, first, second, ranged});
    };
    auto onRange = [&](TObject*, auto, auto) { ++ranges; };
    TOwned<TOWSinkPin> sink;
    TGUID type;
    if (c.wide) {
        sink = MakeObject<TOWInt64AndRangedSinkPin>(&owner, &owner.OwnerLock(),
                                                    TOWRangedValueEvent<std::int64_t>::OfCallable(&onValue),
                                                    TOWRangeEvent<std::int64_t>::OfCallable(&onRange));
        type = st::RangedInteger64;
    } else {
        sink = MakeObject<TOWIntAndRangedSinkPin>(&owner, &owner.OwnerLock(),
                                                  TOWRangedValueEvent<std::int32_t>::OfCallable(&onValue),
                                                  TOWRangeEvent<std::int32_t>::OfCallable(&onRange));
        type = st::RangedInteger32;
    }
    auto source = MakeObject<TOneTypeSource>(owner, type);
    ASSERT_TRUE(sink->Connect(source.get()));
    for (const auto& make : c.sent)
        source->SendOperation(make());
    EXPECT_EQ(values, c.values);
    EXPECT_EQ(ranges, c.ranges);
}

using I64 = std::int64_t;

INSTANTIATE_TEST_SUITE_P(
    Sequences, RangedSinks,
    ::testing::Values(
        TRangedCase{"RangeThenValue",
                    false,
                    {op<TOWSuppliedIntRangeOperation>(1, 9), op<TOWSuppliedIntegerOperation>(4)},
                    {{4, 1, 9, false}},
                    1},
        TRangedCase{"ValueWithRangeThenValue",
                    false,
                    {op<TOWSuppliedIntValueRangeOperation>(4, 9, 1), op<TOWSuppliedIntegerOperation>(5)},
                    {{4, 9, 1, true}, {5, 9, 1, false}},
                    0},
        TRangedCase{"ValueWithoutAnyRange", false, {op<TOWSuppliedIntegerOperation>(-4)}, {{-4, 0, 0, false}}, 0},
        TRangedCase{"ALaterRangeReplacesTheEarlier",
                    true,
                    {op<TOWSuppliedInt64RangeOperation>(I64{1}, I64{2}), op<TOWSuppliedInt64RangeOperation>(I64{-3}, I64{3}),
                     op<TOWSuppliedInt64Operation>(I64{1} << 40)},
                    {{I64{1} << 40, -3, 3, false}},
                    2},
        TRangedCase{"OtherKindsAreIgnored",
                    true,
                    {op<TOWSuppliedRealOperation>(1.0), op<TOWStopOperation>()},
                    {},
                    0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
