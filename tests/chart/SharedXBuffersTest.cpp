#include "chart/SharedXBuffers.h"

#include "chart/SLChannelData.h"

#include <gmock/gmock.h>

#include <vector>

using zq::chart::SharedXBuffers;

TEST(SharedXBuffers, EqualValuesShareOneBlockUntilTheLastHolderGoes)
{
    const std::size_t before = SharedXBuffers::HeldCount();
    std::vector<double> times{0.0, 0.1, 0.2, 0.3};
    std::vector<double> other{0.0, 0.1, 0.2, 0.4};
    SLRef<TSLRealBuffer> a = SharedXBuffers::Acquire(times.data(), times.size());
    SLRef<TSLRealBuffer> b = SharedXBuffers::Acquire(times.data(), times.size());
    SLRef<TSLRealBuffer> c = SharedXBuffers::Acquire(other.data(), other.size());
    SLRef<TSLRealBuffer> shorter = SharedXBuffers::Acquire(times.data(), 3);
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
    EXPECT_EQ(SharedXBuffers::Acquire(nullptr, 5)->GetCount(), 0u);
}

TEST(SharedXBuffers, ChannelsOfOneLogKeepTheirTimesOnce)
{
    zq::chart::ChartLock lock;
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
