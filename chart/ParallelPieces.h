#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>

namespace zq::chart {

// Below this many elements a job is done before other cores would join in.
inline constexpr std::size_t parallelThreshold = std::size_t{1} << 18;

// Pieces of sample arrays: half a megabyte of doubles, which stays in the
// cache between the steps that walk a piece one after the other.
inline constexpr std::size_t samplesPerPiece = std::size_t{1} << 16;

// Runs piece(i) for every i in [0, pieces), shared out among the machine's
// cores; the calling thread takes pieces too and returns when every piece is
// done. Used by one caller at a time: a second caller meanwhile does all of
// its pieces itself. When pieces throw, the others still run and the first
// exception is rethrown to the caller once every piece has ended.
void RunPieces(std::size_t pieces, const std::function<void(std::size_t)>& piece);

// Runs work(begin, end) over [0, count) cut into pieces of `piece` elements
// (the last may be shorter), side by side when the job is big enough to pay
// for it. Pieces must be independent of each other.
template <class Work>
void ForEachPiece(std::size_t count, std::size_t piece, const Work& work)
{
    piece = std::max<std::size_t>(piece, 1);
    if (count < parallelThreshold) {
        for (std::size_t begin = 0; begin < count; begin += piece)
            work(begin, std::min(count, begin + piece));
        return;
    }
    RunPieces((count - 1) / piece + 1,
              [&](std::size_t i) { work(i * piece, std::min(count, (i + 1) * piece)); });
}

} // namespace zq::chart
