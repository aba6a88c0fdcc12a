#include "platform/hid/ReportDescriptorParser.h"

#include <gtest/gtest.h>

#include <vector>

using zq::hid::Capabilities;
using zq::hid::parseReportDescriptor;

namespace {

struct DescriptorCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    Capabilities expected;
};

// Vendor-defined device with 64-byte input, output and feature reports and no ids.
const std::vector<std::uint8_t> vendor64 = {
    0x06, 0x00, 0xFF,  // usage page (vendor 0xFF00)
    0x09, 0x01,        // usage 1
    0xA1, 0x01,        // collection (application)
    0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40,
    0x09, 0x01, 0x81, 0x02,  // input
    0x09, 0x02, 0x91, 0x02,  // output
    0x09, 0x03, 0xB1, 0x02,  // feature
    0xC0,
};

// A mouse: 3 buttons, 5 bits padding, X/Y/wheel bytes, inside a nested
// physical collection.
const std::vector<std::uint8_t> mouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01, 0x29, 0x03,
    0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x03,
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x09, 0x38, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x03,
    0x81, 0x06, 0xC0, 0xC0,
};

// Report ids: input id 1 of 8 bytes, input id 2 of 32 bytes, feature id 3 of 2
// bytes; push/pop around the second report must restore the 8-bit size.
const std::vector<std::uint8_t> withIds = {
    0x06, 0xA0, 0xFF, 0x09, 0x01, 0xA1, 0x01,
    0x85, 0x01, 0x75, 0x08, 0x95, 0x08, 0x09, 0x01, 0x81, 0x02,
    0xA4,                                      // push
    0x85, 0x02, 0x75, 0x10, 0x95, 0x10, 0x09, 0x02, 0x81, 0x02,
    0xB4,                                      // pop
    0x85, 0x03, 0x95, 0x02, 0x09, 0x03, 0xB1, 0x02,
    0xC0,
};

// The 64-byte descriptor with a long item (vendor data) in the middle.
std::vector<std::uint8_t> withLongItem()
{
    auto d = vendor64;
    d.insert(d.begin() + 7, {0xFE, 0x03, 0x10, 0xAA, 0xBB, 0xCC});
    return d;
}

std::vector<std::uint8_t> truncated(std::vector<std::uint8_t> d, std::size_t drop)
{
    d.resize(d.size() - drop);
    return d;
}

const DescriptorCase descriptorCases[] = {
    {"Vendor64", vendor64, {0x01, 0xFF00, 65, 65, 65}},
    {"Mouse", mouse, {0x02, 0x01, 5, 0, 0}},
    {"ReportIds", withIds, {0x01, 0xFFA0, 33, 0, 3, true}},
    {"LongItemSkipped", withLongItem(), {0x01, 0xFF00, 65, 65, 65}},
    {"Empty", {}, {}},
    {"CutInsideItemData", truncated(vendor64, 12), {}},
    {"CollectionNeverClosed", truncated(vendor64, 1), {}},
    {"EndCollectionWithoutCollection", {0xC0}, {}},
    {"PopWithoutPush", {0x05, 0x01, 0xB4}, {}},
    {"ReportIdZero", {0x85, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, {}},
    {"LongItemCut", {0xFE, 0x10, 0x00, 0x01}, {}},
    {"HugeReportOverflows", {0x75, 0xFF, 0x96, 0xFF, 0xFF, 0x81, 0x02}, {}},
    {"Garbage", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {}},
};

class ReportDescriptorParserTest : public testing::TestWithParam<DescriptorCase> {};

TEST_P(ReportDescriptorParserTest, GivesLongestReportOfEachKind)
{
    const auto& c = GetParam();
    EXPECT_EQ(parseReportDescriptor(c.bytes), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Descriptors, ReportDescriptorParserTest, testing::ValuesIn(descriptorCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReportDescriptorParserFuzz, EveryPrefixOfRealDescriptorsIsSafe)
{
    for (const auto* d : {&vendor64, &mouse, &withIds})
        for (std::size_t n = 0; n <= d->size(); ++n)
            parseReportDescriptor(std::span(d->data(), n));
    std::vector<std::uint8_t> noise(512);
    std::uint32_t state = 12345;
    for (int round = 0; round < 200; ++round) {
        for (auto& b : noise) {
            state = state * 1664525 + 1013904223;
            b = static_cast<std::uint8_t>(state >> 24);
        }
        const auto caps = parseReportDescriptor(noise);
        EXPECT_LE(caps.inputReportByteLength, 0xFFFF);
    }
}

} // namespace
