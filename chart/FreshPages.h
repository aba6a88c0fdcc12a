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
// clears each new page when it is first touched, and it does so one page at a
// time however many threads touch pages together, so cores faulting in
// pieces side by side only wait for one another. One thread therefore makes
// the pages resident, a piece at a time and in a few calls to the system,
// while the others fill the pieces it has finished; the copying and the
// reducing then cost nothing beyond the clearing. Small pages only: asking
// for large ones makes the system gather free memory into large pages first,
// which on a machine whose memory another process has just used and given
// back takes several times as long as clearing it.
void FillFresh(double* block, std::size_t count, const std::function<void(std::size_t, std::size_t)>& fill,
               const std::function<void()>& alongside = {});

} // namespace zq::chart
