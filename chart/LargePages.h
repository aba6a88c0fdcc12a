#pragma once

#include <cstddef>

namespace zq::chart {

// Asks the system to back [data, data + bytes) with large pages, before the
// range is first written. A fresh block of a big log is then faulted in a
// few hundred times instead of a few hundred thousand, which is most of what
// a first load costs. Only whole large pages inside the range are advised, so
// nothing outside it is made resident. Advice only: where the system has no
// large pages the range simply keeps small ones.
void AdviseLargePages(void* data, std::size_t bytes);

} // namespace zq::chart
