#include "chart/SharedXBuffers.h"

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
