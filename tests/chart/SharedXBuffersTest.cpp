#include "chart/SharedXBuffers.h"

#include "chart/SLChannelData.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

using zq::chart::SharedXBuffers;

TEST(SharedXBuffers, EqualValuesShareOneBlockUntilTheLastHolderGoes)
{
    const std::size_t before = SharedXBuffers::HeldCount();
    std::vector<double> times{0.0, 0.1, 0.2, 0.3};
    std::vector<double> other{0.0, 0.1, 0.2, 0.4};
    SLRef<TSLRealBuffer> a = SharedXBuffers::Acquire(times.data(), times.size()).buffer;
    SLRef<TSLRealBuffer> b = SharedXBuffers::Acquire(times.data(), times.size()).buffer;
    SLRef<TSLRealBuffer> c = SharedXBuffers::Acquire(other.data(), other.size()).buffer;
    SLRef<TSLRealBuffer> shorter = SharedXBuffers::Acquire(times.data(), 3).buffer;
    EXPECT_EQ(a->GetReadPointer(), b->GetReadPointer());
    EXPECT_NE(a->GetReadPointer(), c->GetReadPointer());
    EXPECT_NE(a->GetReadPointer(), shorter->GetReadPointer());
    EXPECT_EQ(SharedXBuffers::HeldCount(), before + 3);

    // A change to one channel's X stays its own.
    b->SetItem(0, -1.0);
    EXPECT_EQ(a->GetItem(0), 0.0);

    a.reset();
    c.reset();
    shorter.reset();
    EXPECT_EQ(SharedXBuffers::HeldCount(), before);
    EXPECT_EQ(SharedXBuffers::Acquire(nullptr, 5).buffer->GetCount(), 0u);
}

TEST(SharedXBuffers, ChannelsOfOneLogKeepTheirTimesOnce)
{
    const auto lockRef = TOWLock::Create();
    TOWLock& lock = *lockRef;
    zq::chart::TSLChannelData first(lock), second(lock), other(lock);
    std::vector<double> times(1000), values(1000, 1.0), shifted(1000);
    for (std::size_t i = 0; i < times.size(); ++i) {
        times[i] = 0.01 * static_cast<double>(i);
        shifted[i] = times[i] + 5.0;
    }
    first.SetXYData(times.data(), values.data(), times.size());
    second.SetXYData(times.data(), values.data(), times.size());
    other.SetXYData(shifted.data(), values.data(), shifted.size());
    for (auto* data : {&first, &second, &other})
        data->Commit();
    EXPECT_EQ(first.CommittedX().data(), second.CommittedX().data());
    EXPECT_NE(first.CommittedX().data(), other.CommittedX().data());
    // The shared block is counted half for each of its two channels.
    EXPECT_EQ(other.MemoryBytes() - first.MemoryBytes(), 8192u / 2);

    std::vector<double> copy;
    second.GetXData(copy);
    EXPECT_EQ(copy, times);
}

struct XIndexCase {
    const char* name;
    double (*at)(std::size_t i);
    bool evenlySpaced;
    bool keepsBlockStarts;
};

class SharedXIndex : public ::testing::TestWithParam<XIndexCase> {};

// Channels of one log share the analysis of their times as well as the
// values, and evenly stepped times need no table of block starts at all.
TEST_P(SharedXIndex, AnalysedOnceAndTableOnlyWhenNeeded)
{
    const XIndexCase c = GetParam();
    std::vector<double> x(10 * zq::chart::XIndex::stride + 3);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = c.at(i);
    const zq::chart::SharedX a = SharedXBuffers::Acquire(x.data(), x.size());
    const zq::chart::SharedX b = SharedXBuffers::Acquire(x.data(), x.size());
    EXPECT_EQ(a.index, b.index);
    EXPECT_EQ(a.index->EvenlySpaced(), c.evenlySpaced);
    EXPECT_EQ(a.index->MemoryBytes() > 0, c.keepsBlockStarts);
    EXPECT_EQ(SharedXBuffers::ShareOfBytes(a), (a.buffer->GetCapacity() + a.index->MemoryBytes()) / 2);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, SharedXIndex,
    ::testing::Values(XIndexCase{"even", [](std::size_t i) { return 0.02 * static_cast<double>(i); }, true, false},
                      XIndexCase{"quadratic", [](std::size_t i) { return static_cast<double>(i * i); }, false, true},
                      XIndexCase{"unsorted", [](std::size_t i) { return static_cast<double>(i % 7); }, false, false}),
    [](const auto& info) { return std::string(info.param.name); });
