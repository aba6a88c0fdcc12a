#include "dsp/SLBasicDispatcher.h"
#include "dsp/SLNormDispatcher.h"
#include "dsp/SLScopeDispatcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Entry {
    std::string name;
    const void* address;
};

template <typename Table>
std::vector<Entry> entriesOf(const Table& table);

#define ZQ_TEST_ENTRY(slot, signature) entries.push_back({#slot, reinterpret_cast<const void*>(table.slot)});

template <>
std::vector<Entry> entriesOf(const dsp::BasicRoutineTable& table)
{
    std::vector<Entry> entries;
    ZQ_BASIC_ROUTINES(ZQ_TEST_ENTRY)
    return entries;
}

template <>
std::vector<Entry> entriesOf(const dsp::NormRoutineTable& table)
{
    std::vector<Entry> entries;
    ZQ_NORM_ROUTINES(ZQ_TEST_ENTRY)
    return entries;
}

template <>
std::vector<Entry> entriesOf(const dsp::ScopeRoutineTable& table)
{
    std::vector<Entry> entries;
    ZQ_SCOPE_ROUTINES(ZQ_TEST_ENTRY)
    return entries;
}

TEST(RoutineTables, HoldTheirFullSetOfNamedEntries)
{
    EXPECT_EQ(entriesOf(dsp::BasicTable()).size(), 166u);
    EXPECT_EQ(entriesOf(dsp::NormTable()).size(), 1u);
    EXPECT_EQ(entriesOf(dsp::ScopeTable()).size(), 9u);
}

TEST(RoutineTables, WithoutLibrariesEveryEntryIsTheNativeRoutine)
{
    dsp::InitRoutineTables();
    const auto basic = entriesOf(dsp::BasicTable());
    const auto nativeBasic = entriesOf(dsp::NativeBasicTable());
    for (std::size_t i = 0; i < basic.size(); ++i) {
        EXPECT_NE(basic[i].address, nullptr) << basic[i].name;
        EXPECT_EQ(basic[i].address, nativeBasic[i].address) << basic[i].name;
    }
    for (const auto& entry : entriesOf(dsp::ScopeTable()))
        EXPECT_NE(entry.address, nullptr) << entry.name;
    EXPECT_NE(dsp::NormTable().ippsNorm_L2_64fc64f, nullptr);
}

} // namespace

namespace {

TEST(RoutineTables, ShutdownLeavesEveryEntryNative)
{
    dsp::InitRoutineTables();
    dsp::ShutdownRoutineTables();
    const auto basic = entriesOf(dsp::BasicTable());
    const auto nativeBasic = entriesOf(dsp::NativeBasicTable());
    for (std::size_t i = 0; i < basic.size(); ++i)
        EXPECT_EQ(basic[i].address, nativeBasic[i].address) << basic[i].name;
    EXPECT_EQ(dsp::ScopeTable().ippsMove_8u, dsp::NativeScopeTable().ippsMove_8u);
}

} // namespace
