#include "platform/hid/HidError.h"
#include "platform/hid/HidrawBackend.h"
#include "platform/hid/LibudevSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <future>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zq::hid;

namespace {

// Stands in for udev and sysfs: a list of nodes the test edits.
class FakeUdevSource : public UdevSource {
public:
    bool available() const override { return true; }
    std::vector<HidrawNode> hidrawNodes() override { return nodes; }
    std::optional<HidrawNode> nodeForDevnode(const std::string& devnode) override
    {
        for (const auto& n : nodes)
            if (n.devnode == devnode)
                return n;
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> reportDescriptor(const HidrawNode& node) override
    {
        auto it = descriptors.find(node.hidSyspath);
        return it == descriptors.end() ? std::nullopt : std::optional(it->second);
    }
    ChangeSubscription watch(std::function<void()>) override { return {}; }

    std::vector<HidrawNode> nodes;
    std::map<std::string, std::vector<std::uint8_t>> descriptors;
};

HidrawNode loggerNode(const std::string& devnode, int sequence)
{
    HidrawNode n;
    n.devnode = devnode;
    n.hidSyspath = "/sys/devices/usb1/1-2/1-2:1.0/0003:FF00:FF01." + std::to_string(sequence);
    n.syspath = n.hidSyspath + "/hidraw/" + devnode.substr(5);
    n.hidId = "0003:0000FF00:0000FF01";
    n.hidName = "Zorvan Quillstone";
    n.hidPhys = "usb-0000:00:14.0-2/input0";
    n.driver = "hid-generic";
    n.modalias = "hid:b0003g0001v0000FF00p0000FF01";
    n.usbManufacturer = "Zorvan Performance Parts.";
    n.usbProduct = "Quillstone";
    n.bcdDevice = "0102";
    n.busnum = "1";
    n.devnum = "7";
    return n;
}

struct HidrawFixture : testing::Test {
    std::shared_ptr<FakeUdevSource> source = std::make_shared<FakeUdevSource>();
    HidrawBackend backend{source};
};

TEST_F(HidrawFixture, DevInstStaysWhilePluggedAndChangesAfterReplug)
{
    source->nodes = {loggerNode("/dev/hidraw0", 7), loggerNode("/dev/hidraw1", 8)};
    const auto first = backend.enumerate();
    const auto again = backend.enumerate();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].devInst, again[0].devInst);
    EXPECT_EQ(first[1].devInst, again[1].devInst);
    EXPECT_NE(first[0].devInst, first[1].devInst);
    EXPECT_EQ(first[0].devicePath, "/dev/hidraw0");

    // Re-plugged: the kernel gives the HID device a new sequence number, the
    // node name may come back the same.
    source->nodes = {loggerNode("/dev/hidraw0", 9)};
    const auto replugged = backend.enumerate();
    ASSERT_EQ(replugged.size(), 1u);
    EXPECT_NE(replugged[0].devInst, first[0].devInst);
    EXPECT_NE(replugged[0].devInst, first[1].devInst);
}

struct PropertyCase {
    RegistryProperty property;
    const char* expected;  // nullptr: the call fails
};

class PropertyTest : public HidrawFixture, public testing::WithParamInterface<PropertyCase> {};

TEST_P(PropertyTest, ReadsFromUdevValues)
{
    source->nodes = {loggerNode("/dev/hidraw0", 7)};
    const auto entries = backend.enumerate();
    std::vector<std::uint8_t> buffer(1024, 0xEE);
    const bool ok = backend.getRegistryProperty(entries[0], GetParam().property, buffer);
    if (!GetParam().expected) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(lastError(), static_cast<std::uint32_t>(ENODATA));
        return;
    }
    ASSERT_TRUE(ok);
    EXPECT_STREQ(reinterpret_cast<const char*>(buffer.data()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Properties, PropertyTest,
    testing::Values(PropertyCase{RegistryProperty::DeviceDesc, "Quillstone"},
                    PropertyCase{RegistryProperty::Mfg, "Zorvan Performance Parts."},
                    PropertyCase{RegistryProperty::HardwareId, "hid:b0003g0001v0000FF00p0000FF01"},
                    PropertyCase{RegistryProperty::LocationInformation, "usb-0000:00:14.0-2/input0"},
                    PropertyCase{RegistryProperty::Driver, "hid-generic"},
                    PropertyCase{RegistryProperty::Address, "7"},
                    PropertyCase{RegistryProperty::ConfigFlags, nullptr},
                    PropertyCase{RegistryProperty::SecuritySds, nullptr}));

TEST_F(HidrawFixture, NumberAndListPropertiesAreEncodedAndSizeChecked)
{
    source->nodes = {loggerNode("/dev/hidraw0", 7)};
    const auto entries = backend.enumerate();
    std::uint8_t number[4] = {};
    ASSERT_TRUE(backend.getRegistryProperty(entries[0], RegistryProperty::BusNumber, number));
    EXPECT_EQ(number[0], 1);
    EXPECT_EQ(number[1] | number[2] | number[3], 0);

    std::vector<std::uint8_t> list(64, 0xEE);
    ASSERT_TRUE(backend.getRegistryProperty(entries[0], RegistryProperty::HardwareId, list));
    const std::size_t len = std::strlen("hid:b0003g0001v0000FF00p0000FF01");
    EXPECT_EQ(list[len], 0);
    EXPECT_EQ(list[len + 1], 0);  // the empty text that closes the list

    std::uint8_t small[8];
    EXPECT_FALSE(backend.getRegistryProperty(entries[0], RegistryProperty::Mfg, small));
    EXPECT_EQ(lastError(), static_cast<std::uint32_t>(ERANGE));
}

TEST_F(HidrawFixture, QueryOnlyHandleAnswersFromSysfsAndRefusesReports)
{
    auto node = loggerNode("/dev/hidraw0", 7);
    source->nodes = {node};
    source->descriptors[node.hidSyspath] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08,
                                            0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0xC0};
    const Handle h = backend.open("/dev/hidraw0", AccessQueryOnly, false);
    ASSERT_NE(h, InvalidHandle);

    DeviceAttributes attributes;
    ASSERT_TRUE(backend.getAttributes(h, attributes));
    EXPECT_EQ(attributes.vendorId, 0xFF00);
    EXPECT_EQ(attributes.productId, 0xFF01);
    EXPECT_EQ(attributes.versionNumber, 0x0102);

    std::u16string text(254, u'\0');
    ASSERT_TRUE(backend.getManufacturerString(h, text));
    EXPECT_EQ(std::u16string(text.c_str()), u"Zorvan Performance Parts.");

    const auto preparsed = backend.getPreparsedData(h);
    ASSERT_NE(preparsed, nullptr);
    EXPECT_EQ(preparsed->caps.inputReportByteLength, 65);

    std::uint8_t report[65] = {};
    EXPECT_FALSE(backend.getFeature(h, report));
    EXPECT_EQ(lastError(), static_cast<std::uint32_t>(EACCES));
    EXPECT_FALSE(backend.setNumInputBuffers(h, 64));

    EXPECT_TRUE(backend.close(h));
    EXPECT_FALSE(backend.close(h));
    EXPECT_EQ(lastError(), static_cast<std::uint32_t>(EBADF));
}

TEST_F(HidrawFixture, OpenFailuresCarryErrno)
{
    source->nodes = {loggerNode("/dev/hidraw-missing-for-test", 7)};
    EXPECT_EQ(backend.open("/dev/not-listed", AccessQueryOnly, false), InvalidHandle);
    EXPECT_EQ(lastError(), static_cast<std::uint32_t>(ENOENT));
    // Listed by udev but the node itself is gone (unplugged between the two).
    EXPECT_EQ(backend.open("/dev/hidraw-missing-for-test", AccessReadWrite, false), InvalidHandle);
    EXPECT_EQ(lastError(), static_cast<std::uint32_t>(ENOENT));
    EXPECT_FALSE(errorMessage(ENOENT).empty());
}

struct HidIdCase {
    const char* text;
    bool ok;
    std::uint16_t vendor;
    std::uint16_t product;
};

class HidIdTest : public testing::TestWithParam<HidIdCase> {};

TEST_P(HidIdTest, Parses)
{
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    EXPECT_EQ(HidrawBackend::parseHidId(GetParam().text, vendor, product), GetParam().ok);
    if (GetParam().ok) {
        EXPECT_EQ(vendor, GetParam().vendor);
        EXPECT_EQ(product, GetParam().product);
    }
}

INSTANTIATE_TEST_SUITE_P(HidIds, HidIdTest,
                         testing::Values(HidIdCase{"0003:0000FF00:0000FF01", true, 0xFF00, 0xFF01},
                                         HidIdCase{"0005:0000046D:0000B33D", true, 0x046D, 0xB33D},
                                         HidIdCase{"0003:0001FF00:0000FF01", false, 0, 0},
                                         HidIdCase{"", false, 0, 0}, HidIdCase{"garbage", false, 0, 0},
                                         HidIdCase{"0003:0000FF00:0000FF01x", false, 0, 0}));

TEST(HidrawBcd, VersionFromUsbDevice)
{
    EXPECT_EQ(HidrawBackend::parseBcd(std::string("0102")), 0x0102);
    EXPECT_EQ(HidrawBackend::parseBcd(std::nullopt), 0);
    EXPECT_EQ(HidrawBackend::parseBcd(std::string("zz")), 0);
    EXPECT_EQ(HidrawBackend::parseBcd(std::string("123456")), 0);
}

} // namespace

namespace {

// A FIFO stands in for the hidraw node: the read path (poll, size checks,
// hang-up, cancel) is the same, and the descriptor comes from the fake sysfs.
struct HidrawReadTest : HidrawFixture {
    std::string path;
    int writer = -1;

    void SetUp() override
    {
        char dir[] = "/tmp/zq-hidraw-XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        path = std::string(dir) + "/hidraw0";
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        auto node = loggerNode(path, 7);
        source->nodes = {node};
    }
    void TearDown() override
    {
        if (writer >= 0)
            ::close(writer);
        ::unlink(path.c_str());
        ::rmdir(path.substr(0, path.rfind('/')).c_str());
    }
    Handle openReader(const std::vector<std::uint8_t>& descriptor)
    {
        source->descriptors[source->nodes[0].hidSyspath] = descriptor;
        const Handle h = backend.open(path, AccessRead, true);
        writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
        return h;
    }
};

const std::vector<std::uint8_t> noIds = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08,
                                         0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0xC0};
const std::vector<std::uint8_t> withId = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x75,
                                          0x08, 0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0xC0};

struct ReadCase {
    const char* name;
    const std::vector<std::uint8_t>* descriptor;
    std::size_t written;        // bytes the device sends
    std::uint32_t expectBytes;  // 0: refused
};

class HidrawReadCases : public HidrawReadTest, public testing::WithParamInterface<ReadCase> {};

TEST_P(HidrawReadCases, ReportsArriveWithTheirIdByte)
{
    const auto& c = GetParam();
    const Handle h = openReader(*c.descriptor);
    ASSERT_NE(h, InvalidHandle);
    std::vector<std::uint8_t> sent(c.written, 0x5A);
    if (c.descriptor == &withId)
        sent[0] = 0x01;
    ASSERT_EQ(::write(writer, sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));

    std::vector<std::uint8_t> buffer(65, 0xEE);
    OverlappedRead overlapped;
    AlertableWaiter waiter;
    ASSERT_TRUE(backend.startRead(h, buffer, overlapped, waiter));
    EXPECT_EQ(waiter.sleepEx(2000), WaitResult::IoCompletion);
    std::uint32_t bytes = 0;
    EXPECT_EQ(backend.getOverlappedResult(h, overlapped, bytes), c.expectBytes != 0);
    EXPECT_EQ(bytes, c.expectBytes);
    if (c.expectBytes == 0) {
        EXPECT_EQ(lastError(), static_cast<std::uint32_t>(EMSGSIZE));
    } else {
        EXPECT_EQ(buffer[0], c.descriptor == &withId ? 0x01 : 0x00);
        EXPECT_EQ(buffer[c.expectBytes - 1], 0x5A);
    }
    backend.close(h);
}

INSTANTIATE_TEST_SUITE_P(Reads, HidrawReadCases,
                         testing::Values(ReadCase{"NoIdsGetZeroInFront", &noIds, 64, 65},
                                         ReadCase{"NumberedAsTheyCome", &withId, 65, 65},
                                         ReadCase{"ShortReport", &withId, 3, 3},
                                         ReadCase{"TooLongWithoutIds", &noIds, 65, 0},
                                         ReadCase{"TooLongWithIds", &withId, 66, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HidrawReadTest, HangUpFailsTheReadAndEveryLaterStart)
{
    const Handle h = openReader(noIds);
    ASSERT_NE(h, InvalidHandle);
    std::vector<std::uint8_t> buffer(65);
    OverlappedRead overlapped;
    AlertableWaiter waiter;
    ASSERT_TRUE(backend.startRead(h, buffer, overlapped, waiter));
    ::close(std::exchange(writer, -1));
    EXPECT_EQ(waiter.sleepEx(2000), WaitResult::IoCompletion);
    std::uint32_t bytes = 0;
    EXPECT_FALSE(backend.getOverlappedResult(h, overlapped, bytes));
    EXPECT_EQ(lastError(), static_cast<std::uint32_t>(ENODEV));
    EXPECT_FALSE(backend.startRead(h, buffer, overlapped, waiter));
    EXPECT_EQ(lastError(), static_cast<std::uint32_t>(ENODEV));
    backend.close(h);
}

TEST_F(HidrawReadTest, ClosingTheHandleEndsAPendingReadOnAnotherThread)
{
    const Handle h = openReader(noIds);
    ASSERT_NE(h, InvalidHandle);
    std::vector<std::uint8_t> buffer(65);
    OverlappedRead overlapped;
    WaitResult result = WaitResult::Timeout;
    std::uint32_t error = 0;
    // The close must come after the read has started, however slowly the
    // reader thread gets going on a loaded machine.
    std::promise<bool> started;
    std::future<bool> readStarted = started.get_future();
    std::thread reader([&] {
        AlertableWaiter waiter;
        const bool ok = backend.startRead(h, buffer, overlapped, waiter);
        started.set_value(ok);
        if (!ok)
            return;
        result = waiter.sleepEx(5000);
        std::uint32_t bytes = 0;
        backend.getOverlappedResult(h, overlapped, bytes);
        error = lastError();
    });
    const bool readIsPending = readStarted.get();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(backend.close(h));
    reader.join();
    ASSERT_TRUE(readIsPending);
    EXPECT_EQ(result, WaitResult::IoCompletion);
    EXPECT_EQ(error, static_cast<std::uint32_t>(ECANCELED));
}

} // namespace

namespace {

// The real udev source on this machine: whatever it finds, a character device
// that is not a hidraw node is never taken for one.
TEST(LibudevSource, OtherCharacterDevicesAreNotHidNodes)
{
    LibudevSource source;
    for (const auto& node : source.hidrawNodes()) {
        EXPECT_FALSE(node.devnode.empty());
        EXPECT_FALSE(node.hidSyspath.empty());
    }
    EXPECT_FALSE(source.nodeForDevnode("/dev/null"));
    EXPECT_FALSE(source.nodeForDevnode("/nonexistent/hidraw0"));
}

} // namespace
