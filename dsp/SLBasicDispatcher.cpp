#include "dsp/SLBasicDispatcher.h"

#include "dsp/ComplexCorrelation.h"
#include "dsp/ConversionRoutines.h"
#include "dsp/Convolution.h"
#include "dsp/Correlation.h"
#include "dsp/ExpLn.h"
#include "dsp/FftSpec.h"
#include "dsp/Fir.h"
#include "dsp/ImageRoutines.h"
#include "dsp/IntegerRoutines.h"
#include "dsp/LPIPPILoader.h"
#include "dsp/LPIPPSLoader.h"
#include "dsp/RandomRoutines.h"
#include "dsp/RoutineTableFill.h"
#include "dsp/SLNormDispatcher.h"
#include "dsp/SLScopeDispatcher.h"
#include "dsp/Statistics.h"
#include "dsp/VectorRoutines.h"
#include "dsp/WindowFunctions.h"

#include <mutex>

namespace dsp {

namespace {

// The native routine behind every name; one line per entry.
constexpr BasicRoutineTable makeNativeBasicTable()
{
    BasicRoutineTable table{};
    detail::FillTracker filled;
    ZQ_NATIVE(ippsFFTInitAlloc_C_64fc, native::ippsFFTInitAlloc_C_64fc);
    ZQ_NATIVE(ippsFFTInitAlloc_R_64f, native::ippsFFTInitAlloc_R_64f);
    ZQ_NATIVE(ippsFFTFree_C_64fc, native::ippsFFTFree_C_64fc);
    ZQ_NATIVE(ippsFFTFree_R_64f, native::ippsFFTFree_R_64f);
    ZQ_NATIVE(ippsFFTFwd_CToC_64fc, native::ippsFFTFwd_CToC_64fc);
    ZQ_NATIVE(ippsFFTInv_CToC_64fc, native::ippsFFTInv_CToC_64fc);
    ZQ_NATIVE(ippsFFTFwd_RToCCS_64f, native::ippsFFTFwd_RToCCS_64f);
    ZQ_NATIVE(ippsFFTInv_CCSToR_64f, native::ippsFFTInv_CCSToR_64f);
    ZQ_NATIVE(ippsConjCcs_64fc_I, native::ippsConjCcs_64fc_I);
    ZQ_NATIVE(ippsWinBartlett_64fc_I, native::ippsWinBartlett_64fc_I);
    ZQ_NATIVE(ippsWinBlackman_64fc_I, native::ippsWinBlackman_64fc_I);
    ZQ_NATIVE(ippsWinHamming_64fc_I, native::ippsWinHamming_64fc_I);
    ZQ_NATIVE(ippsWinHann_64fc_I, native::ippsWinHann_64fc_I);
    ZQ_NATIVE(ippsWinKaiser_64fc_I, native::ippsWinKaiser_64fc_I);
    ZQ_NATIVE(ippsWinBartlett_64f_I, native::ippsWinBartlett_64f_I);
    ZQ_NATIVE(ippsWinBartlett_64f, native::ippsWinBartlett_64f);
    ZQ_NATIVE(ippsWinBlackman_64f_I, native::ippsWinBlackman_64f_I);
    ZQ_NATIVE(ippsWinBlackman_64f, native::ippsWinBlackman_64f);
    ZQ_NATIVE(ippsWinHamming_64f_I, native::ippsWinHamming_64f_I);
    ZQ_NATIVE(ippsWinHamming_64f, native::ippsWinHamming_64f);
    ZQ_NATIVE(ippsWinHann_64f_I, native::ippsWinHann_64f_I);
    ZQ_NATIVE(ippsWinHann_64f, native::ippsWinHann_64f);
    ZQ_NATIVE(ippsWinKaiser_64f_I, native::ippsWinKaiser_64f_I);
    ZQ_NATIVE(ippsWinKaiser_64f, native::ippsWinKaiser_64f);
    ZQ_NATIVE(ippsMean_64f, native::ippsMean_64f);
    ZQ_NATIVE(ippsMean_32f, native::ippsMean_32f);
    ZQ_NATIVE(ippsStdDev_64f, native::ippsStdDev_64f);
    ZQ_NATIVE(ippsMinIndx_64f, native::ippsMinIndx_64f);
    ZQ_NATIVE(ippsMaxIndx_64f, native::ippsMaxIndx_64f);
    ZQ_NATIVE(ippsNormDiff_L1_64f, native::ippsNormDiff_L1_64f);
    ZQ_NATIVE(ippsNormDiff_L2_64f, native::ippsNormDiff_L2_64f);
    ZQ_NATIVE(ippsNormDiff_Inf_64f, native::ippsNormDiff_Inf_64f);
    ZQ_NATIVE(ippsAutoCorr_64f, native::ippsAutoCorr_64f);
    ZQ_NATIVE(ippsAutoCorr_NormA_64f, native::ippsAutoCorr_NormA_64f);
    ZQ_NATIVE(ippsAutoCorr_NormB_64f, native::ippsAutoCorr_NormB_64f);
    ZQ_NATIVE(ippsCrossCorr_64f, native::ippsCrossCorr_64f);
    ZQ_NATIVE(ippsConv_64f, native::ippsConv_64f);
    ZQ_NATIVE(ippsAutoCorr_64fc, native::ippsAutoCorr_64fc);
    ZQ_NATIVE(ippsAutoCorr_NormA_64fc, native::ippsAutoCorr_NormA_64fc);
    ZQ_NATIVE(ippsAutoCorr_NormB_64fc, native::ippsAutoCorr_NormB_64fc);
    ZQ_NATIVE(ippsCrossCorr_64fc, native::ippsCrossCorr_64fc);
    ZQ_NATIVE(ippsFIRInitAlloc_64f, native::ippsFIRInitAlloc_64f);
    ZQ_NATIVE(ippsFIR_64f, native::ippsFIR_64f);
    ZQ_NATIVE(ippsFIRFree_64f, native::ippsFIRFree_64f);
    ZQ_NATIVE(ippsNormalize_64f, native::ippsNormalize_64f);
    ZQ_NATIVE(ippsDotProd_64f, native::ippsDotProd_64f);
    ZQ_NATIVE(ippsThreshold_64f_I, native::ippsThreshold_64f_I);
    ZQ_NATIVE(ippsThreshold_64f, native::ippsThreshold_64f);
    ZQ_NATIVE(ippsAbs_64f_I, native::ippsAbs_64f_I);
    ZQ_NATIVE(ippsAbs_64f, native::ippsAbs_64f);
    ZQ_NATIVE(ippsSqr_64f_I, native::ippsSqr_64f_I);
    ZQ_NATIVE(ippsSqr_64f, native::ippsSqr_64f);
    ZQ_NATIVE(ippsSqrt_64f_I, native::ippsSqrt_64f_I);
    ZQ_NATIVE(ippsSqrt_64f, native::ippsSqrt_64f);
    ZQ_NATIVE(ippsExp_64f_I, native::ippsExp_64f_I);
    ZQ_NATIVE(ippsExp_64f, native::ippsExp_64f);
    ZQ_NATIVE(ippsLn_64f_I, native::ippsLn_64f_I);
    ZQ_NATIVE(ippsLn_64f, native::ippsLn_64f);
    ZQ_NATIVE(ippsMax_64f, native::ippsMax_64f);
    ZQ_NATIVE(ippsMin_64f, native::ippsMin_64f);
    ZQ_NATIVE(ippsSum_64f, native::ippsSum_64f);
    ZQ_NATIVE(ippsVectorJaehne_64f, native::ippsVectorJaehne_64f);
    ZQ_NATIVE(ippsAdd_64f, native::ippsAdd_64f);
    ZQ_NATIVE(ippsAdd_64f_I, native::ippsAdd_64f_I);
    ZQ_NATIVE(ippsSub_64f_I, native::ippsSub_64f_I);
    ZQ_NATIVE(ippsMul_64f, native::ippsMul_64f);
    ZQ_NATIVE(ippsMul_64f_I, native::ippsMul_64f_I);
    ZQ_NATIVE(ippsMul_32f, native::ippsMul_32f);
    ZQ_NATIVE(ippsDiv_64f_I, native::ippsDiv_64f_I);
    ZQ_NATIVE(ippsAddC_64f, native::ippsAddC_64f);
    ZQ_NATIVE(ippsAddC_64f_I, native::ippsAddC_64f_I);
    ZQ_NATIVE(ippsSubC_64f, native::ippsSubC_64f);
    ZQ_NATIVE(ippsSubC_64f_I, native::ippsSubC_64f_I);
    ZQ_NATIVE(ippsSubCRev_64f, native::ippsSubCRev_64f);
    ZQ_NATIVE(ippsMulC_64f, native::ippsMulC_64f);
    ZQ_NATIVE(ippsMulC_64f_I, native::ippsMulC_64f_I);
    ZQ_NATIVE(ippsDivC_64f, native::ippsDivC_64f);
    ZQ_NATIVE(ippsDivC_64f_I, native::ippsDivC_64f_I);
    ZQ_NATIVE(ippsSet_64f, native::ippsSet_64f);
    ZQ_NATIVE(ippsSet_32f, native::ippsSet_32f);
    ZQ_NATIVE(ippsPowerSpectr_64fc, native::ippsPowerSpectr_64fc);
    ZQ_NATIVE(ippsPhase_64fc, native::ippsPhase_64fc);
    ZQ_NATIVE(ippsMagnitude_64fc, native::ippsMagnitude_64fc);
    ZQ_NATIVE(ippsSqr_64fc, native::ippsSqr_64fc);
    ZQ_NATIVE(ippsSqr_64fc_I, native::ippsSqr_64fc_I);
    ZQ_NATIVE(ippsSqrt_64fc, native::ippsSqrt_64fc);
    ZQ_NATIVE(ippsSqrt_64fc_I, native::ippsSqrt_64fc_I);
    ZQ_NATIVE(ippsThreshold_64fc, native::ippsThreshold_64fc);
    ZQ_NATIVE(ippsThreshold_64fc_I, native::ippsThreshold_64fc_I);
    ZQ_NATIVE(ippsDotProd_64fc, native::ippsDotProd_64fc);
    ZQ_NATIVE(ippsNormalize_64fc, native::ippsNormalize_64fc);
    ZQ_NATIVE(ippsRealToCplx_64f, native::ippsRealToCplx_64f);
    ZQ_NATIVE(ippsReal_64fc, native::ippsReal_64fc);
    ZQ_NATIVE(ippsImag_64fc, native::ippsImag_64fc);
    ZQ_NATIVE(ippsAdd_64fc, native::ippsAdd_64fc);
    ZQ_NATIVE(ippsAdd_64fc_I, native::ippsAdd_64fc_I);
    ZQ_NATIVE(ippsSub_64fc_I, native::ippsSub_64fc_I);
    ZQ_NATIVE(ippsMul_64fc_I, native::ippsMul_64fc_I);
    ZQ_NATIVE(ippsDiv_64fc_I, native::ippsDiv_64fc_I);
    ZQ_NATIVE(ippsAddC_64fc, native::ippsAddC_64fc);
    ZQ_NATIVE(ippsAddC_64fc_I, native::ippsAddC_64fc_I);
    ZQ_NATIVE(ippsSubC_64fc, native::ippsSubC_64fc);
    ZQ_NATIVE(ippsSubC_64fc_I, native::ippsSubC_64fc_I);
    ZQ_NATIVE(ippsSubCRev_64fc, native::ippsSubCRev_64fc);
    ZQ_NATIVE(ippsMulC_64fc, native::ippsMulC_64fc);
    ZQ_NATIVE(ippsMulC_64fc_I, native::ippsMulC_64fc_I);
    ZQ_NATIVE(ippsDivC_64fc, native::ippsDivC_64fc);
    ZQ_NATIVE(ippsDivC_64fc_I, native::ippsDivC_64fc_I);
    ZQ_NATIVE(ippsSet_64fc, native::ippsSet_64fc);
    ZQ_NATIVE(ippsZero_64fc, native::ippsZero_64fc);
    ZQ_NATIVE(ippsAdd_32s_ISfs, native::ippsAdd_32s_ISfs);
    ZQ_NATIVE(ippsSub_32s_ISfs, native::ippsSub_32s_ISfs);
    ZQ_NATIVE(ippsMul_32s_ISfs, native::ippsMul_32s_ISfs);
    ZQ_NATIVE(ippsDiv_32s_ISfs, native::ippsDiv_32s_ISfs);
    ZQ_NATIVE(ippsAddC_32s_ISfs, native::ippsAddC_32s_ISfs);
    ZQ_NATIVE(ippsAddC_32s_Sfs, native::ippsAddC_32s_Sfs);
    ZQ_NATIVE(ippsSubC_32s_ISfs, native::ippsSubC_32s_ISfs);
    ZQ_NATIVE(ippsSubC_32s_Sfs, native::ippsSubC_32s_Sfs);
    ZQ_NATIVE(ippsSubCRev_32s_Sfs, native::ippsSubCRev_32s_Sfs);
    ZQ_NATIVE(ippsMulC_32s_ISfs, native::ippsMulC_32s_ISfs);
    ZQ_NATIVE(ippsMulC_32s_Sfs, native::ippsMulC_32s_Sfs);
    ZQ_NATIVE(ippsDotProd_32s_Sfs, native::ippsDotProd_32s_Sfs);
    ZQ_NATIVE(ippsAdd_8u_ISfs, native::ippsAdd_8u_ISfs);
    ZQ_NATIVE(ippsSub_8u_ISfs, native::ippsSub_8u_ISfs);
    ZQ_NATIVE(ippsMul_8u_ISfs, native::ippsMul_8u_ISfs);
    ZQ_NATIVE(ippsAnd_32u_I, native::ippsAnd_32u_I);
    ZQ_NATIVE(ippsOr_32u_I, native::ippsOr_32u_I);
    ZQ_NATIVE(ippsXor_32u_I, native::ippsXor_32u_I);
    ZQ_NATIVE(ippsAndC_32u_I, native::ippsAndC_32u_I);
    ZQ_NATIVE(ippsOrC_32u_I, native::ippsOrC_32u_I);
    ZQ_NATIVE(ippsXorC_32u_I, native::ippsXorC_32u_I);
    ZQ_NATIVE(ippsAndC_32u, native::ippsAndC_32u);
    ZQ_NATIVE(ippsOrC_32u, native::ippsOrC_32u);
    ZQ_NATIVE(ippsXorC_32u, native::ippsXorC_32u);
    ZQ_NATIVE(ippsLShiftC_32s_I, native::ippsLShiftC_32s_I);
    ZQ_NATIVE(ippsRShiftC_32s_I, native::ippsRShiftC_32s_I);
    ZQ_NATIVE(ippsLShiftC_32s, native::ippsLShiftC_32s);
    ZQ_NATIVE(ippsRShiftC_32s, native::ippsRShiftC_32s);
    ZQ_NATIVE(ippsConvert_16s64f_Sfs, native::ippsConvert_16s64f_Sfs);
    ZQ_NATIVE(ippsConvert_32f64f, native::ippsConvert_32f64f);
    ZQ_NATIVE(ippsConvert_64f32f, native::ippsConvert_64f32f);
    ZQ_NATIVE(ippsConvert_64f32s_Sfs, native::ippsConvert_64f32s_Sfs);
    ZQ_NATIVE(ippsConvert_32s64f, native::ippsConvert_32s64f);
    ZQ_NATIVE(ippsConvert_32f32s_Sfs, native::ippsConvert_32f32s_Sfs);
    ZQ_NATIVE(ippsConvert_32s32f, native::ippsConvert_32s32f);
    ZQ_NATIVE(ippsSwapBytes_16u, native::ippsSwapBytes_16u);
    ZQ_NATIVE(ippsSwapBytes_24u, native::ippsSwapBytes_24u);
    ZQ_NATIVE(ippsSwapBytes_32u, native::ippsSwapBytes_32u);
    ZQ_NATIVE(ippsSwapBytes_32u_I, native::ippsSwapBytes_32u_I);
    ZQ_NATIVE(ippsCopy_64f, native::ippsCopy_64f);
    ZQ_NATIVE(ippsMove_64f, native::ippsMove_64f);
    ZQ_NATIVE(ippsCopy_8u, native::ippsCopy_8u);
    ZQ_NATIVE(ippsSet_32s, native::ippsSet_32s);
    ZQ_NATIVE(ippsSet_8u, native::ippsSet_8u);
    ZQ_NATIVE(ippsZero_16s, native::ippsZero_16s);
    ZQ_NATIVE(ippsZero_32s, native::ippsZero_32s);
    ZQ_NATIVE(ippsZero_64f, native::ippsZero_64f);
    ZQ_NATIVE(ippsZero_32f, native::ippsZero_32f);
    ZQ_NATIVE(ippsZero_8u, native::ippsZero_8u);
    ZQ_NATIVE(ippiAlphaComp_8u_AC4R, native::ippiAlphaComp_8u_AC4R);
    ZQ_NATIVE(ippiCopy_32s_C1R, native::ippiCopy_32s_C1R);
    ZQ_NATIVE(ippiCopy_8u_C4R, native::ippiCopy_8u_C4R);
    ZQ_NATIVE(ippiSet_8u_C4R, native::ippiSet_8u_C4R);
    ZQ_NATIVE(ippiLUT_Linear_8u_C4R, native::ippiLUT_Linear_8u_C4R);
    ZQ_NATIVE(ippiMirror_8u_C3IR, native::ippiMirror_8u_C3IR);
    ZQ_NATIVE(ippsRandUniform_Direct_64f, native::ippsRandUniform_Direct_64f);
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
