#include "dsp/SLScopeDispatcher.h"

#include "dsp/ConversionRoutines.h"
#include "dsp/ImageRoutines.h"
#include "dsp/IntegerRoutines.h"
#include "dsp/RoutineTableFill.h"
#include "dsp/VectorRoutines.h"

namespace dsp {

namespace {

constexpr ScopeRoutineTable makeNativeScopeTable()
{
    ScopeRoutineTable table{};
    detail::FillTracker filled;
    ZQ_NATIVE(ippiSet_8u_C4R, native::ippiSet_8u_C4R);
    ZQ_NATIVE(ippsConvert_64f32f, native::ippsConvert_64f32f);
    ZQ_NATIVE(ippsConvert_64f32s_Sfs, native::ippsConvert_64f32s_Sfs);
    ZQ_NATIVE(ippsMove_8u, native::ippsMove_8u);
    ZQ_NATIVE(ippsSubCRev_32s_ISfs, native::ippsSubCRev_32s_ISfs);
    ZQ_NATIVE(ippsSubCRev_64f_I, native::ippsSubCRev_64f_I);
    ZQ_NATIVE(ippsSubCRev_32f_I, native::ippsSubCRev_32f_I);
    ZQ_NATIVE(ippsThreshold_LT_32s_I, native::ippsThreshold_LT_32s_I);
    ZQ_NATIVE(ippsThreshold_GT_32s_I, native::ippsThreshold_GT_32s_I);
    ZQ_SCOPE_ROUTINES(ZQ_REQUIRE_FILLED)
    return table;
}

constexpr ScopeRoutineTable kNativeScopeTable = makeNativeScopeTable();

} // namespace

namespace detail {
constinit ScopeRoutineTable scopeTableStorage = kNativeScopeTable;
}

const ScopeRoutineTable& NativeScopeTable() noexcept
{
    return kNativeScopeTable;
}

void FillScopeTable(ScopeRoutineTable& table)
{
    table = kNativeScopeTable;
    ZQ_SCOPE_ROUTINES(ZQ_TAKE_FROM_LIBRARY)
}

} // namespace dsp
