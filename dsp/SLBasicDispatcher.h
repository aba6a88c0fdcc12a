#pragma once
// The basic routine table: one pointer per routine name. Callers always go
// through the table; the pointer holds either the optional accelerated library's
// entry point or our native routine of the same name, signature and results.
//
// The table is constant-initialised with the native routines (so no entry is
// ever null, even before start-up), and InitRoutineTables() replaces entries by
// library entry points once, before any caller exists. It is read-only afterwards.
#include "dsp/IppTypes.h"

#include <type_traits>

// X(name, signature) for every routine of the basic table, by family.
#define ZQ_BASIC_ROUTINES(X)                                                                       \
    /* FFT */                                                                                      \
    X(ippsFFTInitAlloc_C_64fc, IppStatus(FFTSpec_C_64fc**, int, int, IppHintAlgorithm))            \
    X(ippsFFTInitAlloc_R_64f, IppStatus(FFTSpec_R_64f**, int, int, IppHintAlgorithm))              \
    X(ippsFFTFree_C_64fc, IppStatus(FFTSpec_C_64fc*))                                              \
    X(ippsFFTFree_R_64f, IppStatus(FFTSpec_R_64f*))                                                \
    X(ippsFFTFwd_CToC_64fc, IppStatus(const Ipp64fc*, Ipp64fc*, const FFTSpec_C_64fc*, Ipp8u*))    \
    X(ippsFFTInv_CToC_64fc, IppStatus(const Ipp64fc*, Ipp64fc*, const FFTSpec_C_64fc*, Ipp8u*))    \
    X(ippsFFTFwd_RToCCS_64f, IppStatus(const Ipp64f*, Ipp64f*, const FFTSpec_R_64f*, Ipp8u*))      \
    X(ippsFFTInv_CCSToR_64f, IppStatus(const Ipp64f*, Ipp64f*, const FFTSpec_R_64f*, Ipp8u*))      \
    X(ippsConjCcs_64fc_I, IppStatus(Ipp64fc*, int))                                                \
    /* complex windows */                                                                          \
    X(ippsWinBartlett_64fc_I, IppStatus(Ipp64fc*, int))                                            \
    X(ippsWinBlackman_64fc_I, IppStatus(Ipp64fc*, int, Ipp64f))                                    \
    X(ippsWinHamming_64fc_I, IppStatus(Ipp64fc*, int))                                             \
    X(ippsWinHann_64fc_I, IppStatus(Ipp64fc*, int))                                                \
    X(ippsWinKaiser_64fc_I, IppStatus(Ipp64fc*, int, Ipp32f))                                      \
    /* real windows */                                                                             \
    X(ippsWinBartlett_64f_I, IppStatus(Ipp64f*, int))                                              \
    X(ippsWinBartlett_64f, IppStatus(const Ipp64f*, Ipp64f*, int))                                 \
    X(ippsWinBlackman_64f_I, IppStatus(Ipp64f*, int, Ipp64f))                                      \
    X(ippsWinBlackman_64f, IppStatus(const Ipp64f*, Ipp64f*, int, Ipp64f))                         \
    X(ippsWinHamming_64f_I, IppStatus(Ipp64f*, int))                                               \
    X(ippsWinHamming_64f, IppStatus(const Ipp64f*, Ipp64f*, int))                                  \
    X(ippsWinHann_64f_I, IppStatus(Ipp64f*, int))                                                  \
    X(ippsWinHann_64f, IppStatus(const Ipp64f*, Ipp64f*, int))                                     \
    X(ippsWinKaiser_64f_I, IppStatus(Ipp64f*, int, Ipp32f))                                        \
    X(ippsWinKaiser_64f, IppStatus(const Ipp64f*, Ipp64f*, int, Ipp32f))                           \
    /* statistics */                                                                               \
    X(ippsMean_64f, IppStatus(const Ipp64f*, int, Ipp64f*))                                        \
    X(ippsMean_32f, IppStatus(const Ipp32f*, int, Ipp32f*, IppHintAlgorithm))                      \
    X(ippsStdDev_64f, IppStatus(const Ipp64f*, int, Ipp64f*))                                      \
    X(ippsMinIndx_64f, IppStatus(const Ipp64f*, int, Ipp64f*, int*))                               \
    X(ippsMaxIndx_64f, IppStatus(const Ipp64f*, int, Ipp64f*, int*))                               \
    X(ippsNormDiff_L1_64f, IppStatus(const Ipp64f*, const Ipp64f*, int, Ipp64f*))                  \
    X(ippsNormDiff_L2_64f, IppStatus(const Ipp64f*, const Ipp64f*, int, Ipp64f*))                  \
    X(ippsNormDiff_Inf_64f, IppStatus(const Ipp64f*, const Ipp64f*, int, Ipp64f*))                 \
    /* real correlation, convolution */                                                            \
    X(ippsAutoCorr_64f, IppStatus(const Ipp64f*, int, Ipp64f*, int))                               \
    X(ippsAutoCorr_NormA_64f, IppStatus(const Ipp64f*, int, Ipp64f*, int))                         \
    X(ippsAutoCorr_NormB_64f, IppStatus(const Ipp64f*, int, Ipp64f*, int))                         \
    X(ippsCrossCorr_64f, IppStatus(const Ipp64f*, int, const Ipp64f*, int, Ipp64f*, int, int))     \
    X(ippsConv_64f, IppStatus(const Ipp64f*, int, const Ipp64f*, int, Ipp64f*))                    \
    /* complex correlation */                                                                      \
    X(ippsAutoCorr_64fc, IppStatus(const Ipp64fc*, int, Ipp64fc*, int))                            \
    X(ippsAutoCorr_NormA_64fc, IppStatus(const Ipp64fc*, int, Ipp64fc*, int))                      \
    X(ippsAutoCorr_NormB_64fc, IppStatus(const Ipp64fc*, int, Ipp64fc*, int))                      \
    X(ippsCrossCorr_64fc,                                                                          \
      IppStatus(const Ipp64fc*, int, const Ipp64fc*, int, Ipp64fc*, int, int))                     \
    /* FIR */                                                                                      \
    X(ippsFIRInitAlloc_64f, IppStatus(FIRState_64f**, const Ipp64f*, int, const Ipp64f*))          \
    X(ippsFIR_64f, IppStatus(const Ipp64f*, Ipp64f*, int, FIRState_64f*))                          \
    X(ippsFIRFree_64f, IppStatus(FIRState_64f*))                                                   \
    /* real element-wise */                                                                        \
    X(ippsNormalize_64f, IppStatus(const Ipp64f*, Ipp64f*, int, Ipp64f, Ipp64f))                   \
    X(ippsDotProd_64f, IppStatus(const Ipp64f*, const Ipp64f*, int, Ipp64f*))                      \
    X(ippsThreshold_64f_I, IppStatus(Ipp64f*, int, Ipp64f, IppCmpOp))                              \
    X(ippsThreshold_64f, IppStatus(const Ipp64f*, Ipp64f*, int, Ipp64f, IppCmpOp))                 \
    X(ippsAbs_64f_I, IppStatus(Ipp64f*, int))                                                      \
    X(ippsAbs_64f, IppStatus(const Ipp64f*, Ipp64f*, int))                                         \
    X(ippsSqr_64f_I, IppStatus(Ipp64f*, int))                                                      \
    X(ippsSqr_64f, IppStatus(const Ipp64f*, Ipp64f*, int))                                         \
    X(ippsSqrt_64f_I, IppStatus(Ipp64f*, int))                                                     \
    X(ippsSqrt_64f, IppStatus(const Ipp64f*, Ipp64f*, int))                                        \
    X(ippsExp_64f_I, IppStatus(Ipp64f*, int))                                                      \
    X(ippsExp_64f, IppStatus(const Ipp64f*, Ipp64f*, int))                                         \
    X(ippsLn_64f_I, IppStatus(Ipp64f*, int))                                                       \
    X(ippsLn_64f, IppStatus(const Ipp64f*, Ipp64f*, int))                                          \
    X(ippsMax_64f, IppStatus(const Ipp64f*, int, Ipp64f*))                                         \
    X(ippsMin_64f, IppStatus(const Ipp64f*, int, Ipp64f*))                                         \
    X(ippsSum_64f, IppStatus(const Ipp64f*, int, Ipp64f*))                                         \
    X(ippsVectorJaehne_64f, IppStatus(Ipp64f*, int, Ipp64f))                                       \
    /* real arithmetic */                                                                          \
    X(ippsAdd_64f, IppStatus(const Ipp64f*, const Ipp64f*, Ipp64f*, int))                          \
    X(ippsAdd_64f_I, IppStatus(const Ipp64f*, Ipp64f*, int))                                       \
    X(ippsSub_64f_I, IppStatus(const Ipp64f*, Ipp64f*, int))                                       \
    X(ippsMul_64f, IppStatus(const Ipp64f*, const Ipp64f*, Ipp64f*, int))                          \
    X(ippsMul_64f_I, IppStatus(const Ipp64f*, Ipp64f*, int))                                       \
    X(ippsMul_32f, IppStatus(const Ipp32f*, const Ipp32f*, Ipp32f*, int))                          \
    X(ippsDiv_64f_I, IppStatus(const Ipp64f*, Ipp64f*, int))                                       \
    X(ippsAddC_64f, IppStatus(const Ipp64f*, Ipp64f, Ipp64f*, int))                                \
    X(ippsAddC_64f_I, IppStatus(Ipp64f, Ipp64f*, int))                                             \
    X(ippsSubC_64f, IppStatus(const Ipp64f*, Ipp64f, Ipp64f*, int))                                \
    X(ippsSubC_64f_I, IppStatus(Ipp64f, Ipp64f*, int))                                             \
    X(ippsSubCRev_64f, IppStatus(const Ipp64f*, Ipp64f, Ipp64f*, int))                             \
    X(ippsMulC_64f, IppStatus(const Ipp64f*, Ipp64f, Ipp64f*, int))                                \
    X(ippsMulC_64f_I, IppStatus(Ipp64f, Ipp64f*, int))                                             \
    X(ippsDivC_64f, IppStatus(const Ipp64f*, Ipp64f, Ipp64f*, int))                                \
    X(ippsDivC_64f_I, IppStatus(Ipp64f, Ipp64f*, int))                                             \
    X(ippsSet_64f, IppStatus(Ipp64f, Ipp64f*, int))                                                \
    X(ippsSet_32f, IppStatus(Ipp32f, Ipp32f*, int))                                                \
    /* complex element-wise */                                                                     \
    X(ippsPowerSpectr_64fc, IppStatus(const Ipp64fc*, Ipp64f*, int))                               \
    X(ippsPhase_64fc, IppStatus(const Ipp64fc*, Ipp64f*, int))                                     \
    X(ippsMagnitude_64fc, IppStatus(const Ipp64fc*, Ipp64f*, int))                                 \
    X(ippsSqr_64fc, IppStatus(const Ipp64fc*, Ipp64fc*, int))                                      \
    X(ippsSqr_64fc_I, IppStatus(Ipp64fc*, int))                                                    \
    X(ippsSqrt_64fc, IppStatus(const Ipp64fc*, Ipp64fc*, int))                                     \
    X(ippsSqrt_64fc_I, IppStatus(Ipp64fc*, int))                                                   \
    X(ippsThreshold_64fc, IppStatus(const Ipp64fc*, Ipp64fc*, int, Ipp64f, IppCmpOp))              \
    X(ippsThreshold_64fc_I, IppStatus(Ipp64fc*, int, Ipp64f, IppCmpOp))                            \
    X(ippsDotProd_64fc, IppStatus(const Ipp64fc*, const Ipp64fc*, int, Ipp64fc*))                  \
    X(ippsNormalize_64fc, IppStatus(const Ipp64fc*, Ipp64fc*, int, Ipp64fc, Ipp64f))               \
    X(ippsRealToCplx_64f, IppStatus(const Ipp64f*, const Ipp64f*, Ipp64fc*, int))                  \
    X(ippsReal_64fc, IppStatus(const Ipp64fc*, Ipp64f*, int))                                      \
    X(ippsImag_64fc, IppStatus(const Ipp64fc*, Ipp64f*, int))                                      \
    /* complex arithmetic */                                                                       \
    X(ippsAdd_64fc, IppStatus(const Ipp64fc*, const Ipp64fc*, Ipp64fc*, int))                      \
    X(ippsAdd_64fc_I, IppStatus(const Ipp64fc*, Ipp64fc*, int))                                    \
    X(ippsSub_64fc_I, IppStatus(const Ipp64fc*, Ipp64fc*, int))                                    \
    X(ippsMul_64fc_I, IppStatus(const Ipp64fc*, Ipp64fc*, int))                                    \
    X(ippsDiv_64fc_I, IppStatus(const Ipp64fc*, Ipp64fc*, int))                                    \
    X(ippsAddC_64fc, IppStatus(const Ipp64fc*, Ipp64fc, Ipp64fc*, int))                            \
    X(ippsAddC_64fc_I, IppStatus(Ipp64fc, Ipp64fc*, int))                                          \
    X(ippsSubC_64fc, IppStatus(const Ipp64fc*, Ipp64fc, Ipp64fc*, int))                            \
    X(ippsSubC_64fc_I, IppStatus(Ipp64fc, Ipp64fc*, int))                                          \
    X(ippsSubCRev_64fc, IppStatus(const Ipp64fc*, Ipp64fc, Ipp64fc*, int))                         \
    X(ippsMulC_64fc, IppStatus(const Ipp64fc*, Ipp64fc, Ipp64fc*, int))                            \
    X(ippsMulC_64fc_I, IppStatus(Ipp64fc, Ipp64fc*, int))                                          \
    X(ippsDivC_64fc, IppStatus(const Ipp64fc*, Ipp64fc, Ipp64fc*, int))                            \
    X(ippsDivC_64fc_I, IppStatus(Ipp64fc, Ipp64fc*, int))                                          \
    X(ippsSet_64fc, IppStatus(Ipp64fc, Ipp64fc*, int))                                             \
    X(ippsZero_64fc, IppStatus(Ipp64fc*, int))                                                     \
    /* integer arithmetic */                                                                       \
    X(ippsAdd_32s_ISfs, IppStatus(const Ipp32s*, Ipp32s*, int, int))                               \
    X(ippsSub_32s_ISfs, IppStatus(const Ipp32s*, Ipp32s*, int, int))                               \
    X(ippsMul_32s_ISfs, IppStatus(const Ipp32s*, Ipp32s*, int, int))                               \
    X(ippsDiv_32s_ISfs, IppStatus(const Ipp32s*, Ipp32s*, int, int))                               \
    X(ippsAddC_32s_ISfs, IppStatus(Ipp32s, Ipp32s*, int, int))                                     \
    X(ippsAddC_32s_Sfs, IppStatus(const Ipp32s*, Ipp32s, Ipp32s*, int, int))                       \
    X(ippsSubC_32s_ISfs, IppStatus(Ipp32s, Ipp32s*, int, int))                                     \
    X(ippsSubC_32s_Sfs, IppStatus(const Ipp32s*, Ipp32s, Ipp32s*, int, int))                       \
    X(ippsSubCRev_32s_Sfs, IppStatus(const Ipp32s*, Ipp32s, Ipp32s*, int, int))                    \
    X(ippsMulC_32s_ISfs, IppStatus(Ipp32s, Ipp32s*, int, int))                                     \
    X(ippsMulC_32s_Sfs, IppStatus(const Ipp32s*, Ipp32s, Ipp32s*, int, int))                       \
    X(ippsDotProd_32s_Sfs, IppStatus(const Ipp32s*, const Ipp32s*, int, Ipp32s*, int))             \
    X(ippsAdd_8u_ISfs, IppStatus(const Ipp8u*, Ipp8u*, int, int))                                  \
    X(ippsSub_8u_ISfs, IppStatus(const Ipp8u*, Ipp8u*, int, int))                                  \
    X(ippsMul_8u_ISfs, IppStatus(const Ipp8u*, Ipp8u*, int, int))                                  \
    /* bit logic and shifts */                                                                     \
    X(ippsAnd_32u_I, IppStatus(const Ipp32u*, Ipp32u*, int))                                       \
    X(ippsOr_32u_I, IppStatus(const Ipp32u*, Ipp32u*, int))                                        \
    X(ippsXor_32u_I, IppStatus(const Ipp32u*, Ipp32u*, int))                                       \
    X(ippsAndC_32u_I, IppStatus(Ipp32u, Ipp32u*, int))                                             \
    X(ippsOrC_32u_I, IppStatus(Ipp32u, Ipp32u*, int))                                              \
    X(ippsXorC_32u_I, IppStatus(Ipp32u, Ipp32u*, int))                                             \
    X(ippsAndC_32u, IppStatus(const Ipp32u*, Ipp32u, Ipp32u*, int))                                \
    X(ippsOrC_32u, IppStatus(const Ipp32u*, Ipp32u, Ipp32u*, int))                                 \
    X(ippsXorC_32u, IppStatus(const Ipp32u*, Ipp32u, Ipp32u*, int))                                \
    X(ippsLShiftC_32s_I, IppStatus(int, Ipp32s*, int))                                             \
    X(ippsRShiftC_32s_I, IppStatus(int, Ipp32s*, int))                                             \
    X(ippsLShiftC_32s, IppStatus(const Ipp32s*, int, Ipp32s*, int))                                \
    X(ippsRShiftC_32s, IppStatus(const Ipp32s*, int, Ipp32s*, int))                                \
    /* conversions */                                                                              \
    X(ippsConvert_16s64f_Sfs, IppStatus(const Ipp16s*, Ipp64f*, int, int))                         \
    X(ippsConvert_32f64f, IppStatus(const Ipp32f*, Ipp64f*, int))                                  \
    X(ippsConvert_64f32f, IppStatus(const Ipp64f*, Ipp32f*, int))                                  \
    X(ippsConvert_64f32s_Sfs, IppStatus(const Ipp64f*, Ipp32s*, int, IppRoundMode, int))           \
    X(ippsConvert_32s64f, IppStatus(const Ipp32s*, Ipp64f*, int))                                  \
    X(ippsConvert_32f32s_Sfs, IppStatus(const Ipp32f*, Ipp32s*, int, IppRoundMode, int))           \
    X(ippsConvert_32s32f, IppStatus(const Ipp32s*, Ipp32f*, int))                                  \
    X(ippsSwapBytes_16u, IppStatus(const Ipp16u*, Ipp16u*, int))                                   \
    X(ippsSwapBytes_24u, IppStatus(const Ipp8u*, Ipp8u*, int))                                     \
    X(ippsSwapBytes_32u, IppStatus(const Ipp32u*, Ipp32u*, int))                                   \
    X(ippsSwapBytes_32u_I, IppStatus(Ipp32u*, int))                                                \
    /* copy, move, set, zero */                                                                    \
    X(ippsCopy_64f, IppStatus(const Ipp64f*, Ipp64f*, int))                                        \
    X(ippsMove_64f, IppStatus(const Ipp64f*, Ipp64f*, int))                                        \
    X(ippsCopy_8u, IppStatus(const Ipp8u*, Ipp8u*, int))                                           \
    X(ippsSet_32s, IppStatus(Ipp32s, Ipp32s*, int))                                                \
    X(ippsSet_8u, IppStatus(Ipp8u, Ipp8u*, int))                                                   \
    X(ippsZero_16s, IppStatus(Ipp16s*, int))                                                       \
    X(ippsZero_32s, IppStatus(Ipp32s*, int))                                                       \
    X(ippsZero_64f, IppStatus(Ipp64f*, int))                                                       \
    X(ippsZero_32f, IppStatus(Ipp32f*, int))                                                       \
    X(ippsZero_8u, IppStatus(Ipp8u*, int))                                                         \
    /* image */                                                                                    \
    X(ippiAlphaComp_8u_AC4R,                                                                       \
      IppStatus(const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiAlphaType))       \
    X(ippiCopy_32s_C1R, IppStatus(const Ipp32s*, int, Ipp32s*, int, IppiSize))                     \
    X(ippiCopy_8u_C4R, IppStatus(const Ipp8u*, int, Ipp8u*, int, IppiSize))                        \
    X(ippiSet_8u_C4R, IppStatus(const Ipp8u*, Ipp8u*, int, IppiSize))                              \
    X(ippiLUT_Linear_8u_C4R, IppStatus(const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s**,   \
                                       const Ipp32s**, int*))                                      \
    X(ippiMirror_8u_C3IR, IppStatus(Ipp8u*, int, IppiSize, IppiAxis))                              \
    /* random numbers */                                                                           \
    X(ippsRandUniform_Direct_64f, IppStatus(Ipp64f*, int, Ipp64f, Ipp64f, unsigned int*))

namespace dsp {

#define ZQ_BASIC_ROUTINE_SLOT(name, signature) std::add_pointer_t<signature> name;

struct BasicRoutineTable {
    ZQ_BASIC_ROUTINES(ZQ_BASIC_ROUTINE_SLOT)
};
#undef ZQ_BASIC_ROUTINE_SLOT

namespace detail {
extern BasicRoutineTable basicTableStorage;
}

// The table every caller reads. One pointer load per call, no locking: the
// entries change only inside InitRoutineTables(), before any caller runs.
inline const BasicRoutineTable& BasicTable() noexcept
{
    return detail::basicTableStorage;
}

// The table holding only our native routines (what every entry falls back to).
const BasicRoutineTable& NativeBasicTable() noexcept;

// Fills `table` for the libraries the loaders currently hold: a library entry
// point where one exists under the routine's name, the native routine otherwise.
void FillBasicTable(BasicRoutineTable& table);

// Start-up of the whole numeric subsystem: loads the optional libraries and
// fills the basic, norm and scope tables. Runs once; later calls do nothing.
void InitRoutineTables();

// Shut-down: puts the native routines back into every table, then releases the
// optional libraries, so that no entry is left pointing into an unloaded library.
void ShutdownRoutineTables();

} // namespace dsp
