#include "chart/FreshPages.h"

#include "chart/ParallelPieces.h"

#include <algorithm>
#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace zq::chart {

namespace {

#if defined(__linux__) && !defined(MADV_POPULATE_WRITE)
constexpr int MADV_POPULATE_WRITE = 23; // older headers; the call fails where the system lacks it
#endif

// Makes the pages of [begin, end) resident, writable, on the calling thread.
void makeResident(std::byte* begin, std::byte* end)
{
#ifdef __linux__
    static const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto first = reinterpret_cast<std::uintptr_t>(begin) & ~(pageSize - 1);
    const auto last = reinterpret_cast<std::uintptr_t>(end);
    if (last > first && madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE) == 0)
        return;
    // A system without that advice: one write per page does the same, one
    // fault at a time. The block's contents are not defined yet, and the
    // byte is written over by the fill.
    for (std::uintptr_t page = std::max(first, reinterpret_cast<std::uintptr_t>(begin)); page < last;
         page = (page & ~(pageSize - 1)) + pageSize)
        *reinterpret_cast<volatile std::byte*>(page) = std::byte{0};
#else
    static_cast<void>(begin);
    static_cast<void>(end);
#endif
}

} // namespace

void FillFresh(double* block, std::size_t count, const std::function<void(std::size_t, std::size_t)>& fill,
               const std::function<void()>& alongside)
{
    if (count < parallelThreshold) {
        if (alongside)
            alongside();
        for (std::size_t begin = 0; begin < count; begin += samplesPerPiece)
            fill(begin, std::min(count, begin + samplesPerPiece));
        return;
    }
    const std::size_t pieces = (count - 1) / samplesPerPiece + 1;
    const std::size_t firstPiece = alongside ? 1 : 0;
    RunPieces(firstPiece + pieces, [&](std::size_t job) {
        if (job < firstPiece) {
            alongside();
            return;
        }
        const std::size_t begin = (job - firstPiece) * samplesPerPiece;
        const std::size_t end = std::min(count, begin + samplesPerPiece);
        makeResident(reinterpret_cast<std::byte*>(block + begin), reinterpret_cast<std::byte*>(block + end));
        fill(begin, end);
    });
}

} // namespace zq::chart
