#pragma once
// Transform machinery under the FFT records: the tables built once per record
// (sine table, bit reversal, radix-4 and quarter twiddles, the recursive plan)
// and the passes run per transform. Everything is indexed with size_t so that
// orders up to 30 (2^30 points) never wrap.
#include <array>
#include <cstddef>
#include <cstdint>

#include "dsp/FftSpec.h"
#include "dsp/IppTypes.h"

namespace dsp::fft {

constexpr int largestRadix4Order = 9;  // a radix-4 pass never runs on more than 512 points

// Split of each order from 9 to 30 into 2^s rows; 0 means no split.
constexpr std::array<std::int8_t, maxFftOrder + 1> FFTSplitOrder = {
    0, 0, 0, 0, 0, 0, 0, 0, 0,   // orders 0..8: never looked up
    0, 0, 0,                     // 9, 10, 11
    4, 5, 6, 7, 7, 8, 9, 9, 9,   // 12..20
    8, 8,                        // 21, 22
    9, 9, 9, 9, 9, 9, 9, 9,      // 23..30
};

// The chain of levels of an order: each level splits its order q into
// 2^split rows of 2^(q - split) columns; the chain ends in a leaf (an order of
// a single radix-4 pass) or a medium order (10 or 11).
struct PlanShape {
    int levelCount = 0;
    std::array<int, maxPlanLevels> levelOrder{};
    std::array<int, maxPlanLevels> split{};
    int bottomOrder = 0;
    bool bottomIsMedium = false;
};

struct PlanSizeSet {
    std::size_t storageBytes = 0;
    std::size_t temporaryBytes = 0;  // none needed: cross twiddles are written in their final order
    std::size_t workBytes = 0;
};

// Valid for orders above 9.
PlanShape planShapeOf(int order);
// False when a size does not fit in size_t.
bool PlanSizes(int order, PlanSizeSet& sizes);

// Byte sizes of the separately allocated tables; false on overflow.
bool sineTableBytes(int order, std::size_t& bytes);
bool bitReverseTableBytes(int order, std::size_t& bytes);
bool radix4TableBytes(int order, std::size_t& bytes);

void BuildTwiddleTable(int order, Ipp64f* sine);
Ipp32u* BuildBitReverseTable(int order, Ipp32u* table);
Ipp64fc* BuildRadix4Twiddles(int order, const Ipp64f* sine, int sineOrder, Ipp64fc* table);
Ipp64fc* BuildQuarterTwiddles(int order, const Ipp64f* sine, int sineOrder, Ipp64fc* table);
// Bit reversal and twiddles of a complex plan of `order` into the record; 0 or -9.
IppStatus BuildComplexPlan(FftSpecRecord& record, int order, const Ipp64f* sine, int sineOrder);
void BuildPlan(FftSpecRecord& record, int order, const Ipp64f* sine, int sineOrder, Ipp64fc* storage);

void BitReverseCopy(const Ipp64fc* source, Ipp64fc* destination, std::size_t n, const Ipp32u* table);
void BitReverseInPlace(Ipp64fc* data, std::size_t n, const Ipp32u* table);
void Radix4ForwardPass(Ipp64fc* data, std::size_t n, const Ipp64fc* table);
void Radix4InversePass(Ipp64fc* data, std::size_t n, const Ipp64fc* table);
void ScaleVector(Ipp64f scale, Ipp64f* data, std::size_t count);
void ForwardLarge(const FftSpecRecord& record, Ipp64fc* data, int order, Ipp64fc* work);
void InverseLarge(const FftSpecRecord& record, Ipp64fc* data, int order, Ipp64fc* work);

// The complex transform of a record's plan on bit-reversed data in place,
// scaling included: radix-4 pass for orders up to 9, the recursive path above.
void transformBitReversed(const FftSpecRecord& record, Ipp64fc* data, int order, bool inverse, Ipp64fc* work);

// The same from a source in natural order into the destination (which may be
// the source): bit reversal, then the transform.
void transformFrom(const FftSpecRecord& record, const Ipp64fc* source, Ipp64fc* destination, int order, bool inverse,
                   Ipp64fc* work);

// The work buffer of one transform call: the caller's block advanced to 16
// bytes, or a block of our own freed when the call ends.
class WorkBuffer {
public:
    WorkBuffer() = default;
    WorkBuffer(const WorkBuffer&) = delete;
    WorkBuffer& operator=(const WorkBuffer&) = delete;
    ~WorkBuffer();
    // False when the record needs a buffer, none was given and none could be had.
    bool acquire(const FftSpecRecord& record, Ipp8u* callerBuffer);
    Ipp64fc* get() const { return buffer_; }

private:
    Ipp64fc* buffer_ = nullptr;
    void* owned_ = nullptr;
};

}  // namespace dsp::fft
