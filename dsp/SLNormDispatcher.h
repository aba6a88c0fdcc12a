#pragma once
// The norm table: the one routine that the norm module exposes by name.
#include "dsp/IppTypes.h"

#include <type_traits>

#define ZQ_NORM_ROUTINES(X) X(ippsNorm_L2_64fc64f, IppStatus(const Ipp64fc*, int, Ipp64f*))

namespace dsp {

#define ZQ_NORM_ROUTINE_SLOT(name, signature) std::add_pointer_t<signature> name;
struct NormRoutineTable {
    ZQ_NORM_ROUTINES(ZQ_NORM_ROUTINE_SLOT)
};
#undef ZQ_NORM_ROUTINE_SLOT

namespace detail {
extern NormRoutineTable normTableStorage;
}

inline const NormRoutineTable& NormTable() noexcept
{
    return detail::normTableStorage;
}

const NormRoutineTable& NativeNormTable() noexcept;
void FillNormTable(NormRoutineTable& table);

} // namespace dsp
