// Look-ups by path on one thread while another frees the form that holds the
// pin the path names: a look-up keeps what it found from being freed while it
// reads it, or finds nothing, and a link it made goes with the form as any
// link does.
#include "framework/OWLinkTestSupport.h"

using namespace owLinkTest;

namespace {

const std::string remotePath = "Form2.Remote1.Out";

struct TLookUpCase {
    const char* name;
    // One look-up for the sink; true when it found the pin.
    bool (*lookUp)(TTestSinkPin& sink);
};

class PinLookupThreads : public ::testing::TestWithParam<TLookUpCase> {
protected:
    void TearDown() override { owPlaceholderDetail::FreeAll(); }
};

TEST_P(PinLookupThreads, AFormFreedMeanwhileIsNotReadOnceFreed)
{
    constexpr int rounds = 3000;
    const TWatchdog watchdog(std::chrono::seconds(30));
    TTestForm form1{nullptr, "Form1"};
    TTestSinkPin& sink = *MakeComponent<TDataScope>(form1, "Local1")->In();
    std::atomic<bool> done{false};
    std::atomic<int> lookUps{0}, found{0};
    std::thread looker([&, lookUp = GetParam().lookUp] {
        while (!done.load()) {
            if (lookUp(sink))
                found.fetch_add(1);
            lookUps.fetch_add(1);
        }
    });
    while (lookUps.load() == 0)
        std::this_thread::yield();
    std::mt19937 rng(41);
    for (int round = 0; round < rounds; ++round) {
        auto form2 = MakeObject<TTestForm>(nullptr, "Form2");
        MakeComponent<TDataScope>(*form2, "Remote1");
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(rng() % 100);
        while (std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        form2.reset();
    }
    done.store(true);
    looker.join();
    EXPECT_GT(found.load(), 0) << "the look-ups never met the form";
    TOWBasicPin* linked = sink.GetLinkedPin();
    EXPECT_TRUE(!linked || dynamic_cast<TOWUnloadedPin*>(linked)) << "still linked to a pin of the freed form";
}

INSTANTIATE_TEST_SUITE_P(
    LookUps, PinLookupThreads,
    ::testing::Values(TLookUpCase{"ConnectByPath",
                                  [](TTestSinkPin& sink) {
                                      return ConnectByPath(sink, nullptr, remotePath, remotePath) &&
                                             sink.GetSource() != nullptr;
                                  }},
                      TLookUpCase{"FindLinkPin",
                                  [](TTestSinkPin& sink) {
                                      const auto pin = Use(
                                          OWFindLinkPin(TOWLinkReader::Of(sink), remotePath, remotePath));
                                      return pin && pin->GetSinkKind() == TOWPinKind::Source;
                                  }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
