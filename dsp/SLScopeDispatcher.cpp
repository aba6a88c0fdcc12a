#include "dsp/SLScopeDispatcher.h"

#include "dsp/RoutineTableFill.h"

namespace dsp {

namespace {

constexpr ScopeRoutineTable makeNativeScopeTable()
{
    ScopeRoutineTable table{};
    ZQ_NOT_BUILT(ippiSet_8u_C4R);
    ZQ_NOT_BUILT(ippsConvert_64f32f);
    ZQ_NOT_BUILT(ippsConvert_64f32s_Sfs);
    ZQ_NOT_BUILT(ippsMove_8u);
    ZQ_NOT_BUILT(ippsSubCRev_32s_ISfs);
    ZQ_NOT_BUILT(ippsSubCRev_64f_I);
    ZQ_NOT_BUILT(ippsSubCRev_32f_I);
    ZQ_NOT_BUILT(ippsThreshold_LT_32s_I);
    ZQ_NOT_BUILT(ippsThreshold_GT_32s_I);
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
