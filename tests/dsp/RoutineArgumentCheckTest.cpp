// One sweep over the table entries: a refused argument returns its status and
// leaves every buffer untouched; a null pointer is reported before a bad length.
#include "dsp/ExpLn.h"
#include "dsp/FftVectorRoutines.h"
#include "dsp/SLBasicDispatcher.h"
#include "dsp/Statistics.h"
#include "dsp/SLNormDispatcher.h"
#include "dsp/SLScopeDispatcher.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "DspTestSupport.h"

namespace {

constexpr std::size_t kBufferBytes = 4096;
constexpr unsigned char kGuard = 0xA5;

// Argument kinds, one letter per parameter: p required pointer, o pointer that
// may be null alone, n length, s row step, z region size, v any other value.
struct CallPlan {
    std::string_view kinds;
    int nullAt = -1;
    bool optionalNull = false;
    int len = 4;
    IppiSize size{2, 2};
};

struct Buffers {
    std::array<std::vector<unsigned char>, 10> bytes;
    Buffers()
    {
        for (auto& b : bytes)
            b.assign(kBufferBytes, kGuard);
    }
    bool untouched() const
    {
        for (const auto& b : bytes)
            for (unsigned char c : b)
                if (c != kGuard)
                    return false;
        return true;
    }
};

template <typename T>
T makeArgument(const CallPlan& plan, std::size_t index, Buffers& buffers)
{
    const char kind = plan.kinds.at(index);
    if constexpr (std::is_pointer_v<T>) {
        if ((kind == 'p' && plan.nullAt == static_cast<int>(index)) || (kind == 'o' && plan.optionalNull))
            return nullptr;
        return reinterpret_cast<T>(buffers.bytes.at(index).data());
    } else if constexpr (std::is_same_v<T, IppiSize>) {
        return plan.size;
    } else if constexpr (std::is_same_v<T, Ipp64fc>) {
        return {3.0, 1.0};
    } else if constexpr (std::is_floating_point_v<T>) {
        return T(3);
    } else {
        if (kind == 'n')
            return T(plan.len);
        if (kind == 's')
            return T(64);
        return T(1);
    }
}

using Caller = std::function<IppStatus(const CallPlan&, Buffers&)>;

template <typename... Args, std::size_t... I>
IppStatus callWith(IppStatus (*routine)(Args...), const CallPlan& plan, Buffers& buffers, std::index_sequence<I...>)
{
    return routine(makeArgument<Args>(plan, I, buffers)...);
}

template <typename... Args>
Caller makeCaller(IppStatus (*routine)(Args...))
{
    return [routine](const CallPlan& plan, Buffers& buffers) {
        return callWith(routine, plan, buffers, std::index_sequence_for<Args...>{});
    };
}

struct Entry {
    std::string name;
    std::string_view kinds;
    Caller call;
    bool lengthBeforePointers = false;
};

std::ostream& operator<<(std::ostream& out, const Entry& entry)
{
    return out << entry.name;
}

#define BASIC(name, kinds) Entry{#name, kinds, makeCaller(dsp::BasicTable().name)}
#define BASIC_LENGTH_FIRST(name, kinds) Entry{#name, kinds, makeCaller(dsp::BasicTable().name), true}
#define SCOPE(name, kinds) Entry{"scope " #name, kinds, makeCaller(dsp::ScopeTable().name)}
#define NATIVE(name, kinds) Entry{"native " #name, kinds, makeCaller(dsp::native::name)}

std::vector<Entry> entries()
{
    dsp::InitRoutineTables();
    return {
        BASIC(ippsNormalize_64f, "ppnvv"), BASIC(ippsDotProd_64f, "ppnp"), BASIC(ippsThreshold_64f_I, "pnvv"),
        BASIC(ippsThreshold_64f, "ppnvv"), BASIC(ippsAbs_64f_I, "pn"), BASIC(ippsAbs_64f, "ppn"),
        BASIC(ippsSqr_64f_I, "pn"), BASIC(ippsSqr_64f, "ppn"), BASIC(ippsSqrt_64f_I, "pn"),
        BASIC(ippsSqrt_64f, "ppn"), BASIC(ippsMax_64f, "pnp"), BASIC(ippsMin_64f, "pnp"),
        BASIC(ippsSum_64f, "pnp"), BASIC(ippsVectorJaehne_64f, "pnv"),
        BASIC(ippsAdd_64f, "pppn"), BASIC(ippsAdd_64f_I, "ppn"), BASIC(ippsSub_64f_I, "ppn"),
        BASIC(ippsMul_64f, "pppn"), BASIC(ippsMul_64f_I, "ppn"), BASIC(ippsMul_32f, "pppn"),
        BASIC(ippsDiv_64f_I, "ppn"), BASIC(ippsAddC_64f, "pvpn"), BASIC(ippsAddC_64f_I, "vpn"),
        BASIC(ippsSubC_64f, "pvpn"), BASIC(ippsSubC_64f_I, "vpn"), BASIC(ippsSubCRev_64f, "pvpn"),
        BASIC(ippsMulC_64f, "pvpn"), BASIC(ippsMulC_64f_I, "vpn"), BASIC(ippsDivC_64f, "pvpn"),
        BASIC(ippsDivC_64f_I, "vpn"), BASIC(ippsSet_64f, "vpn"), BASIC(ippsSet_32f, "vpn"),
        BASIC(ippsPowerSpectr_64fc, "ppn"), BASIC(ippsPhase_64fc, "ppn"), BASIC(ippsMagnitude_64fc, "ppn"),
        BASIC(ippsSqr_64fc, "ppn"), BASIC(ippsSqr_64fc_I, "pn"), BASIC(ippsSqrt_64fc, "ppn"),
        BASIC(ippsSqrt_64fc_I, "pn"), BASIC(ippsThreshold_64fc, "ppnvv"), BASIC(ippsThreshold_64fc_I, "pnvv"),
        BASIC(ippsDotProd_64fc, "ppnp"), BASIC(ippsNormalize_64fc, "ppnvv"), BASIC(ippsRealToCplx_64f, "oopn"),
        BASIC(ippsReal_64fc, "ppn"), BASIC(ippsImag_64fc, "ppn"),
        BASIC_LENGTH_FIRST(ippsAdd_64fc, "pppn"), BASIC_LENGTH_FIRST(ippsAdd_64fc_I, "ppn"),
        BASIC_LENGTH_FIRST(ippsSub_64fc_I, "ppn"), BASIC(ippsMul_64fc_I, "ppn"), BASIC(ippsDiv_64fc_I, "ppn"),
        BASIC(ippsAddC_64fc, "pvpn"), BASIC(ippsAddC_64fc_I, "vpn"), BASIC(ippsSubC_64fc, "pvpn"),
        BASIC(ippsSubC_64fc_I, "vpn"), BASIC(ippsSubCRev_64fc, "pvpn"), BASIC(ippsMulC_64fc, "pvpn"),
        BASIC(ippsMulC_64fc_I, "vpn"), BASIC(ippsDivC_64fc, "pvpn"), BASIC(ippsDivC_64fc_I, "vpn"),
        BASIC(ippsSet_64fc, "vpn"), BASIC(ippsZero_64fc, "pn"),
        BASIC(ippsAdd_32s_ISfs, "ppnv"), BASIC(ippsSub_32s_ISfs, "ppnv"), BASIC(ippsMul_32s_ISfs, "ppnv"),
        BASIC(ippsDiv_32s_ISfs, "ppnv"), BASIC(ippsAddC_32s_ISfs, "vpnv"), BASIC(ippsAddC_32s_Sfs, "pvpnv"),
        BASIC(ippsSubC_32s_ISfs, "vpnv"), BASIC(ippsSubC_32s_Sfs, "pvpnv"), BASIC(ippsSubCRev_32s_Sfs, "pvpnv"),
        BASIC(ippsMulC_32s_ISfs, "vpnv"), BASIC(ippsMulC_32s_Sfs, "pvpnv"), BASIC(ippsDotProd_32s_Sfs, "ppnpv"),
        BASIC(ippsAdd_8u_ISfs, "ppnv"), BASIC(ippsSub_8u_ISfs, "ppnv"), BASIC(ippsMul_8u_ISfs, "ppnv"),
        BASIC(ippsAnd_32u_I, "ppn"), BASIC(ippsOr_32u_I, "ppn"), BASIC(ippsXor_32u_I, "ppn"),
        BASIC(ippsAndC_32u_I, "vpn"), BASIC(ippsOrC_32u_I, "vpn"), BASIC(ippsXorC_32u_I, "vpn"),
        BASIC(ippsAndC_32u, "pvpn"), BASIC(ippsOrC_32u, "pvpn"), BASIC(ippsXorC_32u, "pvpn"),
        BASIC(ippsLShiftC_32s_I, "vpn"), BASIC(ippsRShiftC_32s_I, "vpn"), BASIC(ippsLShiftC_32s, "pvpn"),
        BASIC(ippsRShiftC_32s, "pvpn"),
        BASIC(ippsConvert_16s64f_Sfs, "ppnv"), BASIC(ippsConvert_32f64f, "ppn"), BASIC(ippsConvert_64f32f, "ppn"),
        BASIC(ippsConvert_64f32s_Sfs, "ppnvv"), BASIC(ippsConvert_32s64f, "ppn"),
        BASIC(ippsConvert_32f32s_Sfs, "ppnvv"), BASIC(ippsConvert_32s32f, "ppn"), BASIC(ippsSwapBytes_16u, "ppn"),
        BASIC(ippsSwapBytes_24u, "ppn"), BASIC(ippsSwapBytes_32u, "ppn"), BASIC(ippsSwapBytes_32u_I, "pn"),
        BASIC(ippsCopy_64f, "ppn"), BASIC(ippsMove_64f, "ppn"), BASIC(ippsCopy_8u, "ppn"),
        BASIC(ippsSet_32s, "vpn"), BASIC(ippsSet_8u, "vpn"), BASIC(ippsZero_16s, "pn"), BASIC(ippsZero_32s, "pn"),
        BASIC(ippsZero_64f, "pn"), BASIC(ippsZero_32f, "pn"), BASIC(ippsZero_8u, "pn"),
        BASIC(ippiAlphaComp_8u_AC4R, "psps" "psz" "v"), BASIC(ippiCopy_32s_C1R, "pspsz"),
        BASIC(ippiCopy_8u_C4R, "pspsz"), BASIC(ippiSet_8u_C4R, "ppsz"), BASIC(ippiMirror_8u_C3IR, "psz" "v"),
        BASIC(ippsRandUniform_Direct_64f, "pnvvp"),
        SCOPE(ippiSet_8u_C4R, "ppsz"), SCOPE(ippsConvert_64f32f, "ppn"), SCOPE(ippsConvert_64f32s_Sfs, "ppnvv"),
        SCOPE(ippsMove_8u, "ppn"), SCOPE(ippsSubCRev_32s_ISfs, "vpnv"), SCOPE(ippsSubCRev_64f_I, "vpn"),
        SCOPE(ippsSubCRev_32f_I, "vpn"), SCOPE(ippsThreshold_LT_32s_I, "pnv"), SCOPE(ippsThreshold_GT_32s_I, "pnv"),
        Entry{"norm ippsNorm_L2_64fc64f", "pnp", makeCaller(dsp::NormTable().ippsNorm_L2_64fc64f)},
        NATIVE(ippsExp_64f, "ppn"), NATIVE(ippsExp_64f_I, "pn"), NATIVE(ippsLn_64f, "ppn"), NATIVE(ippsLn_64f_I, "pn"),
        NATIVE(ippsMean_64f, "pnp"), NATIVE(ippsStdDev_64f, "pnp"), NATIVE(ippsNormDiff_L1_64f, "ppnp"),
        NATIVE(ippsNormDiff_L2_64f, "ppnp"), NATIVE(ippsNormDiff_Inf_64f, "ppnp"), NATIVE(Copy_64fc, "ppn"),
        NATIVE(Conj_64fc, "ppn"), NATIVE(Conj_64fc_I, "pn"),
    };
}

bool isImage(const Entry& entry)
{
    return entry.kinds.find('z') != std::string_view::npos;
}

class RoutineArgumentCheck : public ::testing::TestWithParam<Entry> {};

TEST_P(RoutineArgumentCheck, NullPointerIsReportedBeforeLengthAndNothingIsWritten)
{
    const Entry& entry = GetParam();
    for (std::size_t i = 0; i < entry.kinds.size(); ++i) {
        if (entry.kinds[i] != 'p')
            continue;
        for (int len : {0, 4}) {
            Buffers buffers;
            CallPlan plan{entry.kinds, static_cast<int>(i)};
            plan.len = len;
            plan.size = len == 0 ? IppiSize{0, 0} : IppiSize{2, 2};
            const IppStatus expected =
                entry.lengthBeforePointers && len == 0 ? ippStsSizeErr : ippStsNullPtrErr;
            EXPECT_EQ(entry.call(plan, buffers), expected) << "pointer " << i << ", length " << len;
            EXPECT_TRUE(buffers.untouched()) << "pointer " << i;
        }
    }
    if (entry.kinds.find('o') != std::string_view::npos) {
        Buffers buffers;
        CallPlan plan{entry.kinds};
        plan.optionalNull = true;
        EXPECT_EQ(entry.call(plan, buffers), ippStsNullPtrErr);
        EXPECT_TRUE(buffers.untouched());
    }
}

TEST_P(RoutineArgumentCheck, LengthOrRegionBelowOneIsRefused)
{
    const Entry& entry = GetParam();
    const std::vector<std::pair<int, IppiSize>> refused = isImage(entry)
        ? std::vector<std::pair<int, IppiSize>>{{4, {0, 2}}, {4, {2, 0}}, {4, {-1, 2}}}
        : std::vector<std::pair<int, IppiSize>>{{0, {2, 2}}, {-1, {2, 2}}, {-2147483647 - 1, {2, 2}}};
    for (const auto& [len, size] : refused) {
        Buffers buffers;
        CallPlan plan{entry.kinds};
        plan.len = len;
        plan.size = size;
        EXPECT_EQ(entry.call(plan, buffers), ippStsSizeErr) << len << " " << size.width << "x" << size.height;
        EXPECT_TRUE(buffers.untouched());
    }
}

TEST_P(RoutineArgumentCheck, AcceptedCallSucceeds)
{
    Buffers buffers;
    const IppStatus status = GetParam().call(CallPlan{GetParam().kinds}, buffers);
    EXPECT_GE(status, ippStsNoErr);
}

INSTANTIATE_TEST_SUITE_P(AllNativeEntries, RoutineArgumentCheck, ::testing::ValuesIn(entries()),
                         [](const auto& info) { return dsptest::testNameOf(info.param.name); });

} // namespace
