#include "platform/hid/ReportDescriptorParser.h"

#include <array>
#include <map>
#include <optional>
#include <utility>

namespace zq::hid {

namespace {

enum class ItemType : std::uint8_t { Main = 0, Global = 1, Local = 2, Reserved = 3 };

namespace MainTag {
constexpr std::uint8_t Input = 0x8;
constexpr std::uint8_t Output = 0x9;
constexpr std::uint8_t Collection = 0xA;
constexpr std::uint8_t Feature = 0xB;
constexpr std::uint8_t EndCollection = 0xC;
} // namespace MainTag

namespace GlobalTag {
constexpr std::uint8_t UsagePage = 0x0;
constexpr std::uint8_t ReportSize = 0x7;
constexpr std::uint8_t ReportId = 0x8;
constexpr std::uint8_t ReportCount = 0x9;
constexpr std::uint8_t Push = 0xA;
constexpr std::uint8_t Pop = 0xB;
} // namespace GlobalTag

namespace LocalTag {
constexpr std::uint8_t Usage = 0x0;
}

constexpr std::uint8_t LongItemPrefix = 0xFE;
constexpr std::uint8_t ApplicationCollection = 0x01;
constexpr std::size_t MaxPushDepth = 16;
// Beyond this a report cannot be described by the 16-bit length figures.
constexpr std::uint64_t MaxReportBits = 0xFFFEULL * 8;

struct GlobalState {
    std::uint32_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

enum class ReportKind : std::uint8_t { Input, Output, Feature };

class Parser {
public:
    std::optional<Capabilities> run(std::span<const std::uint8_t> d)
    {
        std::size_t pos = 0;
        while (pos < d.size()) {
            const std::uint8_t prefix = d[pos++];
            if (prefix == LongItemPrefix) {
                // Long items carry vendor data only; skip them whole.
                if (pos + 2 > d.size())
                    return std::nullopt;
                const std::size_t size = d[pos];
                pos += 2;
                if (pos + size > d.size())
                    return std::nullopt;
                pos += size;
                continue;
            }
            static constexpr std::array<std::size_t, 4> sizes{0, 1, 2, 4};
            const std::size_t size = sizes[prefix & 0x3];
            if (pos + size > d.size())
                return std::nullopt;
            std::uint32_t value = 0;
            for (std::size_t i = 0; i < size; ++i)
                value |= static_cast<std::uint32_t>(d[pos + i]) << (8 * i);
            pos += size;
            const auto type = static_cast<ItemType>((prefix >> 2) & 0x3);
            const std::uint8_t tag = prefix >> 4;
            if (!item(type, tag, value, size))
                return std::nullopt;
        }
        if (depth_ != 0)
            return std::nullopt;
        return finish();
    }

private:
    bool item(ItemType type, std::uint8_t tag, std::uint32_t value, std::size_t size)
    {
        switch (type) {
        case ItemType::Main:
            return mainItem(tag, value);
        case ItemType::Global:
            return globalItem(tag, value);
        case ItemType::Local:
            if (tag == LocalTag::Usage && !firstUsage_) {
                // A 4-byte usage carries its own page in the high half.
                firstUsage_ = size == 4 ? std::make_pair(value >> 16, value & 0xFFFF)
                                        : std::make_pair(global_.usagePage, value);
            }
            return true;
        case ItemType::Reserved:
            return true;
        }
        return true;
    }

    bool mainItem(std::uint8_t tag, std::uint32_t value)
    {
        bool ok = true;
        switch (tag) {
        case MainTag::Input:
            ok = addBits(ReportKind::Input);
            break;
        case MainTag::Output:
            ok = addBits(ReportKind::Output);
            break;
        case MainTag::Feature:
            ok = addBits(ReportKind::Feature);
            break;
        case MainTag::Collection:
            if (depth_ == 0 && !topLevel_ && (value & 0xFF) == ApplicationCollection && firstUsage_)
                topLevel_ = firstUsage_;
            ++depth_;
            break;
        case MainTag::EndCollection:
            if (depth_ == 0)
                return false;
            --depth_;
            break;
        default:
            break;
        }
        // Local items apply to the next main item only.
        firstUsage_.reset();
        return ok;
    }

    bool globalItem(std::uint8_t tag, std::uint32_t value)
    {
        switch (tag) {
        case GlobalTag::UsagePage:
            global_.usagePage = value;
            break;
        case GlobalTag::ReportSize:
            global_.reportSize = value;
            break;
        case GlobalTag::ReportCount:
            global_.reportCount = value;
            break;
        case GlobalTag::ReportId:
            if (value == 0 || value > 0xFF)
                return false;
            global_.reportId = static_cast<std::uint8_t>(value);
            usesIds_ = true;
            break;
        case GlobalTag::Push:
            if (stackDepth_ == MaxPushDepth)
                return false;
            stack_[stackDepth_++] = global_;
            break;
        case GlobalTag::Pop:
            if (stackDepth_ == 0)
                return false;
            global_ = stack_[--stackDepth_];
            break;
        default:
            break;
        }
        return true;
    }

    bool addBits(ReportKind kind)
    {
        std::uint64_t& bits = reports_[{kind, global_.reportId}];
        bits += std::uint64_t{global_.reportSize} * global_.reportCount;
        return bits <= MaxReportBits;
    }

    Capabilities finish() const
    {
        Capabilities caps;
        caps.reportIds = usesIds_;
        if (topLevel_) {
            caps.usagePage = static_cast<std::uint16_t>(topLevel_->first);
            caps.usage = static_cast<std::uint16_t>(topLevel_->second);
        }
        for (const auto& [key, bits] : reports_) {
            // A descriptor that mixes reports with and without an id leaves the
            // ones without at id 0; every report is sized with its id byte.
            const auto bytes = static_cast<std::uint16_t>((bits + 7) / 8 + 1);
            std::uint16_t* field = key.first == ReportKind::Input    ? &caps.inputReportByteLength
                                   : key.first == ReportKind::Output ? &caps.outputReportByteLength
                                                                     : &caps.featureReportByteLength;
            if (bits > 0 && bytes > *field)
                *field = bytes;
        }
        return caps;
    }

    GlobalState global_;
    std::array<GlobalState, MaxPushDepth> stack_{};
    std::size_t stackDepth_ = 0;
    std::size_t depth_ = 0;
    bool usesIds_ = false;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> firstUsage_;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> topLevel_;
    std::map<std::pair<ReportKind, std::uint8_t>, std::uint64_t> reports_;
};

} // namespace

Capabilities parseReportDescriptor(std::span<const std::uint8_t> descriptor)
{
    return Parser().run(descriptor).value_or(Capabilities{});
}

} // namespace zq::hid
