#include "framework/operations/OWOperations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>
#include <tuple>
#include <vector>

#include "framework/operations/OWGuid.h"

#include "framework/TypedBufferTestHelpers.h"

namespace {

using AllOperations = std::tuple<TOWNotifyOperation, TOWClockOperation, TOWSuppliedOperation, TOWStartOperation,
                                 TOWStartRateOperation, TOWStartSampleRateOperation, TOWStartSpectrumOperation,
                                 TOWStartIntensityOperation, TOWStopOperation, TOWQueryStreamOperation,
                                 TOWIgnoreStreamOperation, TOWSuppliedSingleOperation, TOWSuppliedStringOperation,
                                 TOWSuppliedRealOperation, TOWSuppliedRealValueRangeOperation,
                                 TOWSuppliedIntegerOperation, TOWSuppliedIntValueRangeOperation,
                                 TOWSuppliedIntRangeOperation, TOWSuppliedInt64Operation,
                                 TOWSuppliedInt64ValueRangeOperation, TOWSuppliedInt64RangeOperation,
                                 TOWSuppliedRealComplexOperation, TOWSuppliedDateTimeOperation,
                                 TOWSuppliedBufferOperation, TOWSuppliedBufferPairOperation>;

template<class T>
TOWNotifyOperationRef sampleOf()
{
    if constexpr (std::is_constructible_v<T>)
        return OWMakeOperation<T>();
    else if constexpr (std::is_constructible_v<T, std::int32_t, double>)
        return OWMakeOperation<T>(7, 1000.0);
    else if constexpr (std::is_constructible_v<T, std::string>)
        return OWMakeOperation<T>(std::string("text"));
    else if constexpr (std::is_constructible_v<T, SLRef<ISLData>>)
        return OWMakeOperation<T>(SLRef<ISLData>(reals({1.0})));
    else if constexpr (std::is_constructible_v<T, TOWIntf<ILPBufferPair>>)
        return OWMakeOperation<T>(OWMake<TLPBufferPair>(reals({1.0}), integers({2})));
    else if constexpr (std::is_constructible_v<T, int, int, int>)
        return OWMakeOperation<T>(1, 2, 3);
    else if constexpr (std::is_constructible_v<T, int, int>)
        return OWMakeOperation<T>(1, 2);
    else
        return OWMakeOperation<T>(1);
}

// The kind ranges are written by hand; the language's own class test is the
// reference they must agree with, for every kind against every class.
TEST(Operations, ClassTestsAgreeWithTheClassTreeForEveryPair)
{
    std::vector<std::pair<TOWNotifyOperationRef, TOWOperationKind>> samples;
    [&]<class... Ts>(std::type_identity<std::tuple<Ts...>>) {
        (samples.emplace_back(sampleOf<Ts>(), Ts::ClassKind), ...);
    }(std::type_identity<AllOperations>{});

    std::set<TOWOperationKind> kinds;
    // No structured binding: clang 14 does not let the lambdas below capture one.
    for (const auto& entry : samples) {
        const TOWNotifyOperationRef& sample = entry.first;
        const TOWOperationKind made = entry.second;
        const TOWNotifyOperation* object = &sample->OperationObject();
        EXPECT_EQ(object->Kind(), made);
        kinds.insert(made);
        auto agree = [&]<class T>(std::type_identity<T>) {
            EXPECT_EQ(OWOperationAs<T>(sample) != nullptr, dynamic_cast<const T*>(object) != nullptr)
                << "kind " << static_cast<int>(object->Kind()) << " as " << typeid(T).name();
        };
        [&]<class... Ts>(std::type_identity<std::tuple<Ts...>>) {
            (agree(std::type_identity<Ts>{}), ...);
        }(std::type_identity<AllOperations>{});
    }
    EXPECT_EQ(kinds.size(), samples.size());
    EXPECT_EQ(OWOperationAs<TOWNotifyOperation>(static_cast<const IOWNotifyOperation*>(nullptr)), nullptr);
}

TEST(Operations, BuffersStayAliveAsLongAsTheOperation)
{
    TOWNotifyOperationRef operation;
    TOWNotifyOperationRef pair;
    {
        SLRef<TSLRealBuffer> buffer = reals({1.0, 2.0, 3.0});
        operation = OWMakeOperation<TOWSuppliedBufferOperation>(buffer);
        pair = OWMakeOperation<TOWSuppliedBufferPairOperation>(OWMake<TLPBufferPair>(buffer, integers({4, 5})));
    }
    auto realsOf = [](const SLRef<ISLData>& data) { return values(*intfCast<ISLRealBuffer>(data)); };
    EXPECT_EQ(realsOf(OWOperationAs<TOWSuppliedBufferOperation>(operation)->Buffer()),
              (std::vector<double>{1.0, 2.0, 3.0}));
    const auto& buffers = OWOperationAs<TOWSuppliedBufferPairOperation>(pair)->Buffers();
    EXPECT_EQ(realsOf(buffers->First()).size(), 3u);
    EXPECT_EQ(values(*intfCast<ISLIntegerBuffer>(buffers->Second())), (std::vector<std::int32_t>{4, 5}));
}

TEST(Operations, SerialNumbersAreConsecutiveOnOneThreadAndDistinctAcrossThreads)
{
    const auto first = OWMakeOperation<TOWStopOperation>();
    const auto second = OWMakeOperation<TOWSuppliedStringOperation>("x");
    EXPECT_GE(first->OperationObject().SerialNumber(), 1u);
    EXPECT_EQ(second->OperationObject().SerialNumber(), first->OperationObject().SerialNumber() + 1);

    constexpr int threadCount = 8;
    constexpr int perThread = 5000;
    std::vector<std::vector<std::uint32_t>> serials(threadCount);
    {
        std::vector<std::jthread> threads;
        for (auto& mine : serials)
            threads.emplace_back([&mine] {
                for (int i = 0; i < perThread; ++i)
                    mine.push_back(OWMakeOperation<TOWNotifyOperation>()->OperationObject().SerialNumber());
            });
    }
    std::vector<std::uint32_t> all;
    for (const auto& mine : serials) {
        EXPECT_TRUE(std::is_sorted(mine.begin(), mine.end()));
        all.insert(all.end(), mine.begin(), mine.end());
    }
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
    EXPECT_EQ(all.front(), second->OperationObject().SerialNumber() + 1);
    EXPECT_EQ(all.back(), all.front() + threadCount * perThread - 1);
}

} // namespace
