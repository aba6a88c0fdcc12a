#pragma once
// The scope table: the routines of the chart's data-to-screen mapping, with
// pointers of their own (three names also stand in the basic table).
#include "dsp/IppTypes.h"

#include <type_traits>

#define ZQ_SCOPE_ROUTINES(X)                                                                       \
    X(ippiSet_8u_C4R, IppStatus(const Ipp8u*, Ipp8u*, int, IppiSize))                              \
    X(ippsConvert_64f32f, IppStatus(const Ipp64f*, Ipp32f*, int))                                  \
    X(ippsConvert_64f32s_Sfs, IppStatus(const Ipp64f*, Ipp32s*, int, IppRoundMode, int))           \
    X(ippsMove_8u, IppStatus(const Ipp8u*, Ipp8u*, int))                                           \
    X(ippsSubCRev_32s_ISfs, IppStatus(Ipp32s, Ipp32s*, int, int))                                  \
    X(ippsSubCRev_64f_I, IppStatus(Ipp64f, Ipp64f*, int))                                          \
    X(ippsSubCRev_32f_I, IppStatus(Ipp32f, Ipp32f*, int))                                          \
    X(ippsThreshold_LT_32s_I, IppStatus(Ipp32s*, int, Ipp32s))                                     \
    X(ippsThreshold_GT_32s_I, IppStatus(Ipp32s*, int, Ipp32s))

namespace dsp {

#define ZQ_SCOPE_ROUTINE_SLOT(name, signature) std::add_pointer_t<signature> name;
struct ScopeRoutineTable {
    ZQ_SCOPE_ROUTINES(ZQ_SCOPE_ROUTINE_SLOT)
};
#undef ZQ_SCOPE_ROUTINE_SLOT

namespace detail {
extern ScopeRoutineTable scopeTableStorage;
}

inline const ScopeRoutineTable& ScopeTable() noexcept
{
    return detail::scopeTableStorage;
}

const ScopeRoutineTable& NativeScopeTable() noexcept;
void FillScopeTable(ScopeRoutineTable& table);

} // namespace dsp
