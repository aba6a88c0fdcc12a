#include "chart/SharedXBuffers.h"

#include "chart/ParallelPieces.h"
#include "chart/SLChannelData.h"

#include <gmock/gmock.h>

#include <cstring>
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
    EXPECT_EQ(other.MemoryBytes() - first.MemoryBytes(), 8000u / 2);

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
    EXPECT_EQ(SharedXBuffers::ShareOfBytes(a), (x.size() * sizeof(double) + a.index->MemoryBytes()) / 2);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, SharedXIndex,
    ::testing::Values(XIndexCase{"even", [](std::size_t i) { return 0.02 * static_cast<double>(i); }, true, false},
                      XIndexCase{"quadratic", [](std::size_t i) { return static_cast<double>(i * i); }, false, true},
                      XIndexCase{"unsorted", [](std::size_t i) { return static_cast<double>(i % 7); }, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

namespace {

using zq::chart::samplesPerPiece;

struct BigXCase {
    const char* name;
    std::size_t changedAt; // the second log's times are shifted from here on; npos: nowhere
    double by;
    bool sorted;
    bool evenlySpaced;
};

class BigSharedX : public ::testing::TestWithParam<BigXCase> {};

// Big X arrays are compared and analysed in pieces side by side: a difference
// or a defect in any piece, at its edges in particular, must still count.
TEST_P(BigSharedX, ComparedAndAnalysedWholeAcrossPieces)
{
    const BigXCase c = GetParam();
    std::vector<double> times(4 * samplesPerPiece + 11);
    for (std::size_t i = 0; i < times.size(); ++i)
        times[i] = 0.02 * static_cast<double>(i);
    std::vector<double> changed = times;
    for (std::size_t i = c.changedAt; i < changed.size(); ++i)
        changed[i] += c.by;
    const zq::chart::SharedX first = SharedXBuffers::Acquire(times.data(), times.size());
    const zq::chart::SharedX second = SharedXBuffers::Acquire(changed.data(), changed.size());
    EXPECT_EQ(first.buffer->GetReadPointer() == second.buffer->GetReadPointer(), c.changedAt == std::string::npos);
    EXPECT_EQ(second.index->Sorted(), c.sorted);
    EXPECT_EQ(second.index->EvenlySpaced(), c.evenlySpaced);
    EXPECT_EQ(std::memcmp(second.buffer->GetReadPointer(), changed.data(), changed.size() * sizeof(double)), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Defects, BigSharedX,
    ::testing::Values(BigXCase{"equal", std::string::npos, 0, true, true},
                      BigXCase{"last_time_later", 4 * samplesPerPiece + 10, 1e-9, true, true},
                      BigXCase{"back_step_at_a_piece_start", samplesPerPiece, -0.03, false, false},
                      BigXCase{"back_step_at_the_end", 4 * samplesPerPiece + 10, -0.03, false, false},
                      BigXCase{"pause_at_a_piece_end", 3 * samplesPerPiece - 1, 0.5, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
