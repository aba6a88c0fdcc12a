#include "platform/hid/HidError.h"
#include "platform/hid/SimulatedHidBus.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

using namespace zq::hid;

namespace {

enum class Call { GetFeature, SetFeature, Write };
enum class Answer { None, Refuses, Accepts };

struct ReportCallCase {
    Call call;
    unsigned access;
    Answer answer;
    std::size_t reportLength;
    std::uint32_t expectedError;  // 0: the call succeeds
};

class SimulatedReportCall : public ::testing::TestWithParam<ReportCallCase> {};

TEST_P(SimulatedReportCall, ChecksAccessThenReportThenHandler)
{
    const auto& c = GetParam();
    auto bus = std::make_shared<SimulatedHidBus>();
    SimulatedDeviceInfo info;
    info.featureReportLength = info.outputReportLength = 9;
    auto device = bus->plug(info);
    int handled = 0;
    const bool accepts = c.answer == Answer::Accepts;
    if (c.answer != Answer::None) {
        device->setGetFeatureHandler([&](std::span<std::uint8_t>) { ++handled; return accepts; });
        device->setSetFeatureHandler([&](std::span<const std::uint8_t>) { ++handled; return accepts; });
        device->setOutputReportHandler([&](std::span<const std::uint8_t>) { ++handled; return accepts; });
    }
    const Handle h = bus->open(device->path(), c.access, false);
    ASSERT_NE(h, InvalidHandle);
    std::vector<std::uint8_t> report(c.reportLength, 0);
    setLastError(0);
    std::uint32_t written = 123;
    bool ok = false;
    switch (c.call) {
    case Call::GetFeature: ok = bus->getFeature(h, report); break;
    case Call::SetFeature: ok = bus->setFeature(h, report); break;
    case Call::Write: ok = bus->write(h, report, written); break;
    }
    EXPECT_EQ(ok, c.expectedError == 0);
    EXPECT_EQ(lastError(), c.expectedError);
    const bool reachedHandler = c.expectedError == 0 || (c.expectedError == EPIPE && c.answer == Answer::Refuses);
    EXPECT_EQ(handled, reachedHandler ? 1 : 0);
    if (c.call == Call::Write) {
        EXPECT_EQ(written, ok ? c.reportLength : 0u);
    }
    EXPECT_TRUE(bus->close(h));
}

constexpr std::uint32_t ok = 0;

INSTANTIATE_TEST_SUITE_P(
    Table, SimulatedReportCall,
    ::testing::Values(
        ReportCallCase{Call::GetFeature, AccessQueryOnly, Answer::Accepts, 9, EACCES},
        ReportCallCase{Call::GetFeature, AccessRead, Answer::Accepts, 9, ok},
        ReportCallCase{Call::GetFeature, AccessWrite, Answer::Accepts, 9, ok},
        ReportCallCase{Call::GetFeature, AccessReadWrite, Answer::Accepts, 0, EINVAL},
        ReportCallCase{Call::GetFeature, AccessReadWrite, Answer::None, 9, EPIPE},
        ReportCallCase{Call::GetFeature, AccessReadWrite, Answer::Refuses, 9, EPIPE},
        ReportCallCase{Call::SetFeature, AccessQueryOnly, Answer::Accepts, 9, EACCES},
        ReportCallCase{Call::SetFeature, AccessRead, Answer::Accepts, 9, ok},
        ReportCallCase{Call::SetFeature, AccessReadWrite, Answer::Accepts, 0, EINVAL},
        ReportCallCase{Call::SetFeature, AccessReadWrite, Answer::None, 9, EPIPE},
        ReportCallCase{Call::SetFeature, AccessReadWrite, Answer::Refuses, 9, EPIPE},
        ReportCallCase{Call::Write, AccessQueryOnly, Answer::Accepts, 9, EACCES},
        ReportCallCase{Call::Write, AccessRead, Answer::Accepts, 9, EACCES},
        ReportCallCase{Call::Write, AccessWrite, Answer::Accepts, 9, ok},
        ReportCallCase{Call::Write, AccessReadWrite, Answer::Accepts, 0, EINVAL},
        ReportCallCase{Call::Write, AccessReadWrite, Answer::None, 9, EPIPE},
        ReportCallCase{Call::Write, AccessReadWrite, Answer::Refuses, 9, EPIPE}));

} // namespace
