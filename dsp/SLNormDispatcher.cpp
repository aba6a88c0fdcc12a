#include "dsp/SLNormDispatcher.h"

#include "dsp/ConversionRoutines.h"
#include "dsp/ImageRoutines.h"
#include "dsp/IntegerRoutines.h"
#include "dsp/RoutineTableFill.h"
#include "dsp/VectorRoutines.h"

namespace dsp {

namespace {

constexpr NormRoutineTable makeNativeNormTable()
{
    NormRoutineTable table{};
    detail::FillTracker filled;
    ZQ_NATIVE(ippsNorm_L2_64fc64f, native::ippsNorm_L2_64fc64f);
    ZQ_NORM_ROUTINES(ZQ_REQUIRE_FILLED)
    return table;
}

constexpr NormRoutineTable kNativeNormTable = makeNativeNormTable();

} // namespace

namespace detail {
constinit NormRoutineTable normTableStorage = kNativeNormTable;
}

const NormRoutineTable& NativeNormTable() noexcept
{
    return kNativeNormTable;
}

void FillNormTable(NormRoutineTable& table)
{
    table = kNativeNormTable;
    ZQ_NORM_ROUTINES(ZQ_TAKE_FROM_LIBRARY)
}

} // namespace dsp
