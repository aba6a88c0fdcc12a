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
std::vector<Entry> entriesOf(const dsp::ScopeRoutineTable& table)
{
    std::vector<Entry> entries;
    ZQ_SCOPE_ROUTINES(ZQ_TEST_ENTRY)
    return entries;
}

// Before any library is looked for, and again after shutdown, every entry is
// the native routine.
TEST(RoutineTables, WithoutLibrariesEveryEntryIsTheNativeRoutine)
{
    for (const bool shutDown : {false, true}) {
        dsp::InitRoutineTables();
        if (shutDown)
            dsp::ShutdownRoutineTables();
        const auto basic = entriesOf(dsp::BasicTable());
        const auto nativeBasic = entriesOf(dsp::NativeBasicTable());
        ASSERT_EQ(basic.size(), nativeBasic.size());
        for (std::size_t i = 0; i < basic.size(); ++i) {
            EXPECT_NE(basic[i].address, nullptr) << basic[i].name;
            EXPECT_EQ(basic[i].address, nativeBasic[i].address) << basic[i].name << " shut down " << shutDown;
        }
        const auto scope = entriesOf(dsp::ScopeTable());
        const auto nativeScope = entriesOf(dsp::NativeScopeTable());
        for (std::size_t i = 0; i < scope.size(); ++i)
            EXPECT_EQ(scope[i].address, nativeScope[i].address) << scope[i].name << " shut down " << shutDown;
        EXPECT_NE(dsp::NormTable().ippsNorm_L2_64fc64f, nullptr);
    }
}

} // namespace
