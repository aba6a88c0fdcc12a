#include "platform/hid/HandleTable.h"
#include "platform/hid/HidBackend.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace zq::hid;

namespace {

TEST(HandleTable, ClosedNumbersAreNeverHandedOutAgain)
{
    HandleTable<int> table;
    std::set<Handle> seen;
    for (int round = 0; round < 3; ++round) {
        const Handle id = table.add(std::make_shared<int>(round));
        EXPECT_NE(id, InvalidHandle);
        EXPECT_TRUE(seen.insert(id).second) << "handle " << id << " reused";
        ASSERT_NE(table.find(id), nullptr);
        EXPECT_EQ(*table.find(id), round);
        EXPECT_EQ(*table.take(id), round);
        EXPECT_EQ(table.find(id), nullptr);
        EXPECT_EQ(table.take(id), nullptr);
    }
    EXPECT_EQ(table.size(), 0u);
}

TEST(HandleTable, TakingOneLeavesTheOthersOpen)
{
    HandleTable<std::string> table;
    const Handle a = table.add(std::make_shared<std::string>("a"));
    const Handle b = table.add(std::make_shared<std::string>("b"));
    EXPECT_EQ(table.find(InvalidHandle), nullptr);
    EXPECT_EQ(*table.take(a), "a");
    EXPECT_EQ(table.size(), 1u);
    EXPECT_EQ(*table.find(b), "b");
}

struct StoreCase {
    std::u16string text;
    std::size_t room;
    std::u16string expected;  // the whole buffer afterwards; 'x' marks untouched
};

class StoreString : public ::testing::TestWithParam<StoreCase> {};

TEST_P(StoreString, CutsToFitAndClosesOnlyWhenThereIsRoom)
{
    const auto& c = GetParam();
    std::u16string buffer(c.room, u'x');
    storeString(buffer, c.text);
    EXPECT_EQ(buffer, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, StoreString,
                         ::testing::Values(StoreCase{u"abc", 5, std::u16string(u"abc\0x", 5)},
                                           StoreCase{u"abc", 4, std::u16string(u"abc\0", 4)},
                                           StoreCase{u"abc", 3, u"abc"},
                                           StoreCase{u"abc", 2, u"ab"},
                                           StoreCase{u"", 2, std::u16string(u"\0x", 2)},
                                           StoreCase{u"abc", 0, u""}));

} // namespace
