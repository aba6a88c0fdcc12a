#pragma once

#include <cstddef>
#include <functional>

namespace zq::chart {

// Fills a block of `count` doubles that was just allocated: fill(begin, end)
// runs once for each piece of samplesPerPiece elements, side by side on the
// cores, and `alongside` (when given) runs once beside the pieces. The call
// returns when all of it is done; the first exception reaches the caller.
//
// The pages of a fresh block are what a first load waits for: the system
// clears each new page when it is first touched. Each piece's pages are
// therefore made resident in one call to the system before the piece is
// filled, which costs less than a fault per page, and no thread waits on
// another for pages: on a busy machine a helper that has to wait for one
// that is not running holds up the whole load. Small pages only: asking for
// large ones makes the system gather free memory into large pages first,
// which on a machine whose memory another process has just used and given
// back takes several times as long as clearing it, and only sometimes.
void FillFresh(double* block, std::size_t count, const std::function<void(std::size_t, std::size_t)>& fill,
               const std::function<void()>& alongside = {});

} // namespace zq::chart
