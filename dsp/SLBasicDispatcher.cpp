#include "dsp/SLBasicDispatcher.h"

#include "dsp/LPIPPILoader.h"
#include "dsp/LPIPPSLoader.h"
#include "dsp/RoutineTableFill.h"
#include "dsp/SLNormDispatcher.h"
#include "dsp/SLScopeDispatcher.h"

#include <mutex>

namespace dsp {

namespace {

// The native routine behind every name; one line per entry.
constexpr BasicRoutineTable makeNativeBasicTable()
{
    BasicRoutineTable table{};
    ZQ_NOT_BUILT(ippsFFTInitAlloc_C_64fc);
    ZQ_NOT_BUILT(ippsFFTInitAlloc_R_64f);
    ZQ_NOT_BUILT(ippsFFTFree_C_64fc);
    ZQ_NOT_BUILT(ippsFFTFree_R_64f);
    ZQ_NOT_BUILT(ippsFFTFwd_CToC_64fc);
    ZQ_NOT_BUILT(ippsFFTInv_CToC_64fc);
    ZQ_NOT_BUILT(ippsFFTFwd_RToCCS_64f);
    ZQ_NOT_BUILT(ippsFFTInv_CCSToR_64f);
    ZQ_NOT_BUILT(ippsConjCcs_64fc_I);
    ZQ_NOT_BUILT(ippsWinBartlett_64fc_I);
    ZQ_NOT_BUILT(ippsWinBlackman_64fc_I);
    ZQ_NOT_BUILT(ippsWinHamming_64fc_I);
    ZQ_NOT_BUILT(ippsWinHann_64fc_I);
    ZQ_NOT_BUILT(ippsWinKaiser_64fc_I);
    ZQ_NOT_BUILT(ippsWinBartlett_64f_I);
    ZQ_NOT_BUILT(ippsWinBartlett_64f);
    ZQ_NOT_BUILT(ippsWinBlackman_64f_I);
    ZQ_NOT_BUILT(ippsWinBlackman_64f);
    ZQ_NOT_BUILT(ippsWinHamming_64f_I);
    ZQ_NOT_BUILT(ippsWinHamming_64f);
    ZQ_NOT_BUILT(ippsWinHann_64f_I);
    ZQ_NOT_BUILT(ippsWinHann_64f);
    ZQ_NOT_BUILT(ippsWinKaiser_64f_I);
    ZQ_NOT_BUILT(ippsWinKaiser_64f);
    ZQ_NOT_BUILT(ippsMean_64f);
    ZQ_NOT_BUILT(ippsMean_32f);
    ZQ_NOT_BUILT(ippsStdDev_64f);
    ZQ_NOT_BUILT(ippsMinIndx_64f);
    ZQ_NOT_BUILT(ippsMaxIndx_64f);
    ZQ_NOT_BUILT(ippsNormDiff_L1_64f);
    ZQ_NOT_BUILT(ippsNormDiff_L2_64f);
    ZQ_NOT_BUILT(ippsNormDiff_Inf_64f);
    ZQ_NOT_BUILT(ippsAutoCorr_64f);
    ZQ_NOT_BUILT(ippsAutoCorr_NormA_64f);
    ZQ_NOT_BUILT(ippsAutoCorr_NormB_64f);
    ZQ_NOT_BUILT(ippsCrossCorr_64f);
    ZQ_NOT_BUILT(ippsConv_64f);
    ZQ_NOT_BUILT(ippsAutoCorr_64fc);
    ZQ_NOT_BUILT(ippsAutoCorr_NormA_64fc);
    ZQ_NOT_BUILT(ippsAutoCorr_NormB_64fc);
    ZQ_NOT_BUILT(ippsCrossCorr_64fc);
    ZQ_NOT_BUILT(ippsFIRInitAlloc_64f);
    ZQ_NOT_BUILT(ippsFIR_64f);
    ZQ_NOT_BUILT(ippsFIRFree_64f);
    ZQ_NOT_BUILT(ippsNormalize_64f);
    ZQ_NOT_BUILT(ippsDotProd_64f);
    ZQ_NOT_BUILT(ippsThreshold_64f_I);
    ZQ_NOT_BUILT(ippsThreshold_64f);
    ZQ_NOT_BUILT(ippsAbs_64f_I);
    ZQ_NOT_BUILT(ippsAbs_64f);
    ZQ_NOT_BUILT(ippsSqr_64f_I);
    ZQ_NOT_BUILT(ippsSqr_64f);
    ZQ_NOT_BUILT(ippsSqrt_64f_I);
    ZQ_NOT_BUILT(ippsSqrt_64f);
    ZQ_NOT_BUILT(ippsExp_64f_I);
    ZQ_NOT_BUILT(ippsExp_64f);
    ZQ_NOT_BUILT(ippsLn_64f_I);
    ZQ_NOT_BUILT(ippsLn_64f);
    ZQ_NOT_BUILT(ippsMax_64f);
    ZQ_NOT_BUILT(ippsMin_64f);
    ZQ_NOT_BUILT(ippsSum_64f);
    ZQ_NOT_BUILT(ippsVectorJaehne_64f);
    ZQ_NOT_BUILT(ippsAdd_64f);
    ZQ_NOT_BUILT(ippsAdd_64f_I);
    ZQ_NOT_BUILT(ippsSub_64f_I);
    ZQ_NOT_BUILT(ippsMul_64f);
    ZQ_NOT_BUILT(ippsMul_64f_I);
    ZQ_NOT_BUILT(ippsMul_32f);
    ZQ_NOT_BUILT(ippsDiv_64f_I);
    ZQ_NOT_BUILT(ippsAddC_64f);
    ZQ_NOT_BUILT(ippsAddC_64f_I);
    ZQ_NOT_BUILT(ippsSubC_64f);
    ZQ_NOT_BUILT(ippsSubC_64f_I);
    ZQ_NOT_BUILT(ippsSubCRev_64f);
    ZQ_NOT_BUILT(ippsMulC_64f);
    ZQ_NOT_BUILT(ippsMulC_64f_I);
    ZQ_NOT_BUILT(ippsDivC_64f);
    ZQ_NOT_BUILT(ippsDivC_64f_I);
    ZQ_NOT_BUILT(ippsSet_64f);
    ZQ_NOT_BUILT(ippsSet_32f);
    ZQ_NOT_BUILT(ippsPowerSpectr_64fc);
    ZQ_NOT_BUILT(ippsPhase_64fc);
    ZQ_NOT_BUILT(ippsMagnitude_64fc);
    ZQ_NOT_BUILT(ippsSqr_64fc);
    ZQ_NOT_BUILT(ippsSqr_64fc_I);
    ZQ_NOT_BUILT(ippsSqrt_64fc);
    ZQ_NOT_BUILT(ippsSqrt_64fc_I);
    ZQ_NOT_BUILT(ippsThreshold_64fc);
    ZQ_NOT_BUILT(ippsThreshold_64fc_I);
    ZQ_NOT_BUILT(ippsDotProd_64fc);
    ZQ_NOT_BUILT(ippsNormalize_64fc);
    ZQ_NOT_BUILT(ippsRealToCplx_64f);
    ZQ_NOT_BUILT(ippsReal_64fc);
    ZQ_NOT_BUILT(ippsImag_64fc);
    ZQ_NOT_BUILT(ippsAdd_64fc);
    ZQ_NOT_BUILT(ippsAdd_64fc_I);
    ZQ_NOT_BUILT(ippsSub_64fc_I);
    ZQ_NOT_BUILT(ippsMul_64fc_I);
    ZQ_NOT_BUILT(ippsDiv_64fc_I);
    ZQ_NOT_BUILT(ippsAddC_64fc);
    ZQ_NOT_BUILT(ippsAddC_64fc_I);
    ZQ_NOT_BUILT(ippsSubC_64fc);
    ZQ_NOT_BUILT(ippsSubC_64fc_I);
    ZQ_NOT_BUILT(ippsSubCRev_64fc);
    ZQ_NOT_BUILT(ippsMulC_64fc);
    ZQ_NOT_BUILT(ippsMulC_64fc_I);
    ZQ_NOT_BUILT(ippsDivC_64fc);
    ZQ_NOT_BUILT(ippsDivC_64fc_I);
    ZQ_NOT_BUILT(ippsSet_64fc);
    ZQ_NOT_BUILT(ippsZero_64fc);
    ZQ_NOT_BUILT(ippsAdd_32s_ISfs);
    ZQ_NOT_BUILT(ippsSub_32s_ISfs);
    ZQ_NOT_BUILT(ippsMul_32s_ISfs);
    ZQ_NOT_BUILT(ippsDiv_32s_ISfs);
    ZQ_NOT_BUILT(ippsAddC_32s_ISfs);
    ZQ_NOT_BUILT(ippsAddC_32s_Sfs);
    ZQ_NOT_BUILT(ippsSubC_32s_ISfs);
    ZQ_NOT_BUILT(ippsSubC_32s_Sfs);
    ZQ_NOT_BUILT(ippsSubCRev_32s_Sfs);
    ZQ_NOT_BUILT(ippsMulC_32s_ISfs);
    ZQ_NOT_BUILT(ippsMulC_32s_Sfs);
    ZQ_NOT_BUILT(ippsDotProd_32s_Sfs);
    ZQ_NOT_BUILT(ippsAdd_8u_ISfs);
    ZQ_NOT_BUILT(ippsSub_8u_ISfs);
    ZQ_NOT_BUILT(ippsMul_8u_ISfs);
    ZQ_NOT_BUILT(ippsAnd_32u_I);
    ZQ_NOT_BUILT(ippsOr_32u_I);
    ZQ_NOT_BUILT(ippsXor_32u_I);
    ZQ_NOT_BUILT(ippsAndC_32u_I);
    ZQ_NOT_BUILT(ippsOrC_32u_I);
    ZQ_NOT_BUILT(ippsXorC_32u_I);
    ZQ_NOT_BUILT(ippsAndC_32u);
    ZQ_NOT_BUILT(ippsOrC_32u);
    ZQ_NOT_BUILT(ippsXorC_32u);
    ZQ_NOT_BUILT(ippsLShiftC_32s_I);
    ZQ_NOT_BUILT(ippsRShiftC_32s_I);
    ZQ_NOT_BUILT(ippsLShiftC_32s);
    ZQ_NOT_BUILT(ippsRShiftC_32s);
    ZQ_NOT_BUILT(ippsConvert_16s64f_Sfs);
    ZQ_NOT_BUILT(ippsConvert_32f64f);
    ZQ_NOT_BUILT(ippsConvert_64f32f);
    ZQ_NOT_BUILT(ippsConvert_64f32s_Sfs);
    ZQ_NOT_BUILT(ippsConvert_32s64f);
    ZQ_NOT_BUILT(ippsConvert_32f32s_Sfs);
    ZQ_NOT_BUILT(ippsConvert_32s32f);
    ZQ_NOT_BUILT(ippsSwapBytes_16u);
    ZQ_NOT_BUILT(ippsSwapBytes_24u);
    ZQ_NOT_BUILT(ippsSwapBytes_32u);
    ZQ_NOT_BUILT(ippsSwapBytes_32u_I);
    ZQ_NOT_BUILT(ippsCopy_64f);
    ZQ_NOT_BUILT(ippsMove_64f);
    ZQ_NOT_BUILT(ippsCopy_8u);
    ZQ_NOT_BUILT(ippsSet_32s);
    ZQ_NOT_BUILT(ippsSet_8u);
    ZQ_NOT_BUILT(ippsZero_16s);
    ZQ_NOT_BUILT(ippsZero_32s);
    ZQ_NOT_BUILT(ippsZero_64f);
    ZQ_NOT_BUILT(ippsZero_32f);
    ZQ_NOT_BUILT(ippsZero_8u);
    ZQ_NOT_BUILT(ippiAlphaComp_8u_AC4R);
    ZQ_NOT_BUILT(ippiCopy_32s_C1R);
    ZQ_NOT_BUILT(ippiCopy_8u_C4R);
    ZQ_NOT_BUILT(ippiSet_8u_C4R);
    ZQ_NOT_BUILT(ippiLUT_Linear_8u_C4R);
    ZQ_NOT_BUILT(ippiMirror_8u_C3IR);
    ZQ_NOT_BUILT(ippsRandUniform_Direct_64f);
    ZQ_BASIC_ROUTINES(ZQ_REQUIRE_FILLED)
    return table;
}

constexpr BasicRoutineTable kNativeBasicTable = makeNativeBasicTable();

std::once_flag initialised;

} // namespace

namespace detail {
constinit BasicRoutineTable basicTableStorage = kNativeBasicTable;
}

const BasicRoutineTable& NativeBasicTable() noexcept
{
    return kNativeBasicTable;
}

void FillBasicTable(BasicRoutineTable& table)
{
    table = kNativeBasicTable;
    ZQ_BASIC_ROUTINES(ZQ_TAKE_FROM_LIBRARY)
}

void InitRoutineTables()
{
    std::call_once(initialised, [] {
        LoadIppiLibraries();
        LoadIppsLibraries();
        FillBasicTable(detail::basicTableStorage);
        FillNormTable(detail::normTableStorage);
        FillScopeTable(detail::scopeTableStorage);
    });
}

void ShutdownRoutineTables()
{
    detail::basicTableStorage = kNativeBasicTable;
    detail::normTableStorage = NativeNormTable();
    detail::scopeTableStorage = NativeScopeTable();
    FreeIppsLibraries();
    FreeIppiLibraries();
}

} // namespace dsp
