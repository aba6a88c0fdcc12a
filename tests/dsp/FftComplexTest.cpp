#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "dsp/FftAlloc.h"
#include "dsp/FftAvx2Kernels.h"
#include "dsp/FftReal.h"
#include "dsp/FftSpec.h"
#include "dsp/SLBasicDispatcher.h"
#include "tests/dsp/FftTestSupport.h"

using namespace dsp::native;
using namespace ffttest;

namespace {

std::vector<Ipp64fc> forward(const FFTSpec_C_64fc* spec, const std::vector<Ipp64fc>& x) {
    std::vector<Ipp64fc> y(x.size());
    EXPECT_EQ(ippsFFTFwd_CToC_64fc(x.data(), y.data(), spec, nullptr), ippStsNoErr);
    return y;
}

std::vector<Cld> plainForward(const std::vector<Ipp64fc>& x) {
    return x.size() <= 4096 ? naiveDft(x, -1) : radix2Reference(x, -1);
}

bool sameBits(const std::vector<Ipp64fc>& a, const std::vector<Ipp64fc>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Ipp64fc)) == 0;
}

class ComplexOrder : public testing::TestWithParam<int> {};

TEST_P(ComplexOrder, MatchesExtendedPrecisionDftBothWays) {
    const int order = GetParam();
    const std::size_t n = std::size_t{1} << order;
    auto spec = makeComplexSpec(order);
    ASSERT_TRUE(spec);
    const auto x = randomComplex(n, 100 + order);
    EXPECT_LE(relativeRmsError(forward(spec.get(), x).data(), naiveDft(x, -1)), accuracyBound(order));
    std::vector<Ipp64fc> y(n);
    ASSERT_EQ(ippsFFTInv_CToC_64fc(x.data(), y.data(), spec.get(), nullptr), ippStsNoErr);
    EXPECT_LE(relativeRmsError(y.data(), radix2Reference(x, +1)), accuracyBound(order));
}

INSTANTIATE_TEST_SUITE_P(Orders0To14, ComplexOrder, testing::Range(0, 15));

class ComplexLargeOrder : public testing::TestWithParam<int> {};

// Covers the medium path, every split depth and the leaf and medium bottoms.
TEST_P(ComplexLargeOrder, MatchesRadix2ReferenceImpulsesAndShifts) {
    const int order = GetParam();
    const std::size_t n = std::size_t{1} << order;
    auto spec = makeComplexSpec(order);
    ASSERT_TRUE(spec);
    auto x = randomComplex(n, 200 + order);
    const auto want = radix2Reference(x, -1);
    const auto y = forward(spec.get(), x);
    EXPECT_LE(relativeRmsError(y.data(), want), accuracyBound(order));

    // A circular shift by s multiplies X[k] by W^(k s).
    const std::size_t shift = n / 3 + 1;
    std::vector<Ipp64fc> shifted(n);
    for (std::size_t i = 0; i < n; ++i)
        shifted[(i + shift) % n] = x[i];
    const std::vector<Cld> roots = unitRoots(n, -1);
    std::vector<Cld> rotated(n);
    for (std::size_t k = 0; k < n; ++k)
        rotated[k] = times(want[k], roots[(k * shift) % n]);
    EXPECT_LE(relativeRmsError(forward(spec.get(), shifted).data(), rotated), accuracyBound(order));

    // Unit impulses at 0 and 1: all ones, and W^k.
    std::vector<Ipp64fc> impulse(n, Ipp64fc{0, 0});
    impulse[0] = {1, 0};
    const auto ones = forward(spec.get(), impulse);
    std::vector<Cld> wantOnes(n, Cld(1, 0));
    EXPECT_LE(relativeRmsError(ones.data(), wantOnes), 1e-15);
    impulse[0] = {0, 0};
    impulse[1] = {1, 0};
    EXPECT_LE(relativeRmsError(forward(spec.get(), impulse).data(), roots), accuracyBound(order));
}

INSTANTIATE_TEST_SUITE_P(Orders, ComplexLargeOrder, testing::Values(10, 11, 12, 16, 19, 20, 22));

class ComplexFlag : public testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(ComplexFlag, ForwardThenInverseRestoresInputUpToItsScaling) {
    const auto [order, flag] = GetParam();
    const std::size_t n = std::size_t{1} << order;
    auto spec = makeComplexSpec(order, flag);
    ASSERT_TRUE(spec);
    const auto x = randomComplex(n, 300 + order);
    auto y = forward(spec.get(), x);
    ASSERT_EQ(ippsFFTInv_CToC_64fc(y.data(), y.data(), spec.get(), nullptr), ippStsNoErr);
    const double gain = flag == IPP_FFT_NODIV_BY_ANY ? static_cast<double>(n) : 1.0;
    std::vector<Cld> want(n);
    for (std::size_t i = 0; i < n; ++i)
        want[i] = Cld(x[i].re, x[i].im) * static_cast<long double>(gain);
    EXPECT_LE(relativeRmsError(y.data(), want), 2 * accuracyBound(order));

    // The forward result alone carries the forward share of the scaling.
    const auto plain = plainForward(x);
    const double forwardScale = flag == IPP_FFT_DIV_FWD_BY_N   ? 1.0 / n
                                : flag == IPP_FFT_DIV_BY_SQRTN ? 1.0 / std::sqrt(static_cast<double>(n))
                                                               : 1.0;
    std::vector<Cld> scaled(n);
    for (std::size_t k = 0; k < n; ++k)
        scaled[k] = plain[k] * static_cast<long double>(forwardScale);
    EXPECT_LE(relativeRmsError(forward(spec.get(), x).data(), scaled), accuracyBound(order));
}

INSTANTIATE_TEST_SUITE_P(OrdersAndFlags, ComplexFlag,
                         testing::Combine(testing::Values(0, 1, 2, 3, 4, 5, 9, 10, 11, 13, 17),
                                          testing::Values(IPP_FFT_DIV_FWD_BY_N, IPP_FFT_DIV_INV_BY_N,
                                                          IPP_FFT_DIV_BY_SQRTN, IPP_FFT_NODIV_BY_ANY)));

class ComplexBuffers : public testing::TestWithParam<int> {};

TEST_P(ComplexBuffers, InPlaceAndSuppliedWorkBufferGiveIdenticalBits) {
    const int order = GetParam();
    const std::size_t n = std::size_t{1} << order;
    auto spec = makeComplexSpec(order, IPP_FFT_DIV_BY_SQRTN);
    ASSERT_TRUE(spec);
    const auto x = randomComplex(n, 400 + order);
    int bufferSize = -1;
    ASSERT_EQ(FFTGetBufSize_C_64fc(spec.get(), &bufferSize), ippStsNoErr);
    std::vector<Ipp8u> buffer(bufferSize + 1);
    for (const bool inverse : {false, true}) {
        const auto run = inverse ? ippsFFTInv_CToC_64fc : ippsFFTFwd_CToC_64fc;
        std::vector<Ipp64fc> outOfPlace(n), inPlace = x, withBuffer(n);
        ASSERT_EQ(run(x.data(), outOfPlace.data(), spec.get(), nullptr), ippStsNoErr);
        ASSERT_EQ(run(inPlace.data(), inPlace.data(), spec.get(), nullptr), ippStsNoErr);
        // Deliberately misaligned: the routine advances the buffer itself.
        ASSERT_EQ(run(x.data(), withBuffer.data(), spec.get(), buffer.data() + 1), ippStsNoErr);
        EXPECT_TRUE(sameBits(outOfPlace, inPlace)) << "inverse " << inverse;
        EXPECT_TRUE(sameBits(outOfPlace, withBuffer)) << "inverse " << inverse;
    }
}

// 18 is the first order whose rows are gathered and crossed in wider batches.
INSTANTIATE_TEST_SUITE_P(Orders, ComplexBuffers, testing::Values(0, 2, 3, 4, 8, 10, 12, 14, 17, 18, 19, 20));

TEST(FftSpecStatus, RejectsBadArgumentsInTheirOrder) {
    FFTSpec_C_64fc* complexSpec = nullptr;
    FFTSpec_R_64f* realSpec = nullptr;
    EXPECT_EQ(ippsFFTInitAlloc_C_64fc(nullptr, 99, 0, ippAlgHintNone), ippStsNullPtrErr);
    for (const int order : {-1, 31}) {
        EXPECT_EQ(ippsFFTInitAlloc_C_64fc(&complexSpec, order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone), ippStsFftOrderErr);
        EXPECT_EQ(ippsFFTInitAlloc_R_64f(&realSpec, order, 0, ippAlgHintNone), ippStsFftOrderErr);
    }
    for (const int flag : {0, 3, 16}) {
        for (const int order : {0, 5, 12}) {
            EXPECT_EQ(ippsFFTInitAlloc_C_64fc(&complexSpec, order, flag, ippAlgHintNone), ippStsFftFlagErr);
            EXPECT_EQ(ippsFFTInitAlloc_R_64f(&realSpec, order, flag, ippAlgHintNone), ippStsFftFlagErr);
        }
    }
    EXPECT_EQ(complexSpec, nullptr);
    EXPECT_EQ(realSpec, nullptr);

    // The order is refused before anything is allocated; the flag only after
    // the record was taken (a failing allocation shows which came first).
    dsp::fft::fftFailAllocationAfter(0);
    EXPECT_EQ(ippsFFTInitAlloc_C_64fc(&complexSpec, 31, 0, ippAlgHintNone), ippStsFftOrderErr);
    EXPECT_EQ(ippsFFTInitAlloc_R_64f(&realSpec, -1, 0, ippAlgHintNone), ippStsFftOrderErr);
    EXPECT_EQ(ippsFFTInitAlloc_C_64fc(&complexSpec, 5, 0, ippAlgHintNone), ippStsMemAllocErr);
    dsp::fft::fftFailAllocationAfter(-1);

    auto c = makeComplexSpec(5);
    auto r = makeRealSpec(5);
    ASSERT_TRUE(c && r);
    auto* realAsComplex = reinterpret_cast<FFTSpec_C_64fc*>(r.get());
    auto* complexAsReal = reinterpret_cast<FFTSpec_R_64f*>(c.get());
    std::vector<Ipp64fc> data(32);
    std::vector<double> reals(66);
    int size = 0;
    EXPECT_EQ(ippsFFTFwd_CToC_64fc(data.data(), data.data(), realAsComplex, nullptr), ippStsContextMatchErr);
    EXPECT_EQ(ippsFFTInv_CToC_64fc(nullptr, nullptr, realAsComplex, nullptr), ippStsContextMatchErr);
    EXPECT_EQ(ippsFFTFwd_RToCCS_64f(reals.data(), reals.data(), complexAsReal, nullptr), ippStsContextMatchErr);
    EXPECT_EQ(ippsFFTInv_CCSToR_64f(reals.data(), reals.data(), complexAsReal, nullptr), ippStsContextMatchErr);
    EXPECT_EQ(FFTGetBufSize_C_64fc(realAsComplex, &size), ippStsContextMatchErr);
    EXPECT_EQ(ippsFFTFree_C_64fc(realAsComplex), ippStsContextMatchErr);
    EXPECT_EQ(ippsFFTFree_R_64f(complexAsReal), ippStsContextMatchErr);
    EXPECT_EQ(ippsFFTFwd_CToC_64fc(data.data(), data.data(), nullptr, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsFFTFwd_CToC_64fc(nullptr, data.data(), c.get(), nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsFFTInv_CToC_64fc(data.data(), nullptr, c.get(), nullptr), ippStsNullPtrErr);
    EXPECT_EQ(FFTGetBufSize_C_64fc(c.get(), nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsFFTFree_C_64fc(nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsFFTFree_R_64f(nullptr), ippStsNullPtrErr);
}

TEST(FftSpecStatus, ReleasedRecordIsNoLongerAccepted) {
    // A record that is not owned survives its release with its tag cleared,
    // which is how a stale record shows up.
    FFTSpec_C_64fc local{};
    local.kindTag = dsp::fft::complexSpecTag;
    EXPECT_EQ(ippsFFTFree_C_64fc(&local), ippStsNoErr);
    EXPECT_EQ(local.kindTag, 0);
    Ipp64fc value{1, 2};
    EXPECT_EQ(ippsFFTFwd_CToC_64fc(&value, &value, &local, nullptr), ippStsContextMatchErr);
    EXPECT_EQ(ippsFFTFree_C_64fc(&local), ippStsContextMatchErr);
}

// Every allocation of InitAlloc and of the transform's own work buffer in turn
// fails; the routine must answer -9 and leave nothing behind (LeakSanitizer).
class FftAllocationFailure : public testing::TestWithParam<int> {
protected:
    void TearDown() override { dsp::fft::fftFailAllocationAfter(-1); }
};

TEST_P(FftAllocationFailure, EveryFailurePointReturnsMemAllocErrAndLeaksNothing) {
    const int order = GetParam();
    for (int k = 0; k < 8; ++k) {
        for (const bool real : {false, true}) {
            dsp::fft::fftFailAllocationAfter(k);
            FFTSpec_C_64fc* complexSpec = nullptr;
            FFTSpec_R_64f* realSpec = nullptr;
            const IppStatus status =
                real ? ippsFFTInitAlloc_R_64f(&realSpec, order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone)
                     : ippsFFTInitAlloc_C_64fc(&complexSpec, order, IPP_FFT_DIV_FWD_BY_N, ippAlgHintNone);
            dsp::fft::fftFailAllocationAfter(-1);
            if (status == ippStsNoErr) {
                EXPECT_EQ(real ? ippsFFTFree_R_64f(realSpec) : ippsFFTFree_C_64fc(complexSpec), ippStsNoErr);
                continue;
            }
            EXPECT_EQ(status, ippStsMemAllocErr) << "real " << real << " failure after " << k;
            EXPECT_TRUE(complexSpec == nullptr && realSpec == nullptr);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, FftAllocationFailure, testing::Values(4, 9, 11, 13));

TEST(FftWorkBuffer, OwnAllocationFailureWritesNothing) {
    auto spec = makeComplexSpec(12);
    ASSERT_TRUE(spec);
    const auto x = randomComplex(4096, 7);
    std::vector<Ipp64fc> y(4096, Ipp64fc{5, 5});
    dsp::fft::fftFailAllocationAfter(0);
    EXPECT_EQ(ippsFFTFwd_CToC_64fc(x.data(), y.data(), spec.get(), nullptr), ippStsMemAllocErr);
    dsp::fft::fftFailAllocationAfter(-1);
    for (const auto& v : y)
        ASSERT_TRUE(v.re == 5 && v.im == 5);
}

// A real record of order n runs the complex plan of order n - 1.
TEST(FftBufferSize, IsZeroWithoutSplitAndWorkPlusSixteenWithIt) {
    const struct {
        int order;
        int complexBytes;
        int realBytes;
    } table[] = {{0, 0, 0},           {9, 0, 0},       {11, 0, 0},      {12, 1024 + 16, 0}, {13, 2048 + 16, 1024 + 16},
                 {17, 16384 + 16, 8192 + 16}, {20, 32768 + 16, 32768 + 16}, {22, 16384 + 16, 16384 + 16}};
    for (const auto& row : table) {
        auto complexSpec = makeComplexSpec(row.order);
        auto realSpec = makeRealSpec(row.order);
        ASSERT_TRUE(complexSpec && realSpec);
        int size = -1;
        ASSERT_EQ(FFTGetBufSize_C_64fc(complexSpec.get(), &size), ippStsNoErr);
        EXPECT_EQ(size, row.complexBytes) << "order " << row.order;
        ASSERT_EQ(FFTGetBufSize_R_64f(realSpec.get(), &size), ippStsNoErr);
        EXPECT_EQ(size, row.realBytes) << "order " << row.order;
    }
}

TEST(ConjCcs, CompletesTheUpperHalfFromTheLower) {
    const struct {
        int length;
        std::vector<int> source;  // element m takes conj of element source[m]; -1 keeps it
    } table[] = {
        {1, {-1}},
        {2, {-1, -1}},
        {4, {-1, -1, -1, 1}},
        {5, {-1, -1, -1, 2, 1}},
        {8, {-1, -1, -1, -1, -1, 3, 2, 1}},
    };
    for (const auto& row : table) {
        std::vector<Ipp64fc> a(row.length);
        for (int m = 0; m < row.length; ++m)
            a[m] = {10.0 + m, 20.0 + m};
        const auto before = a;
        ASSERT_EQ(ippsConjCcs_64fc_I(a.data(), row.length), ippStsNoErr);
        for (int m = 0; m < row.length; ++m) {
            const int s = row.source[m];
            const Ipp64fc want = s < 0 ? before[m] : Ipp64fc{before[s].re, -before[s].im};
            EXPECT_TRUE(a[m].re == want.re && a[m].im == want.im) << "length " << row.length << " element " << m;
        }
    }
    Ipp64fc one{1, 1};
    EXPECT_EQ(ippsConjCcs_64fc_I(nullptr, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippsConjCcs_64fc_I(&one, 0), ippStsSizeErr);
}

// The table entries must be wired to the matching routines (forward to forward).
TEST(FftRoutineTable, NativeEntriesRunTheTransforms) {
    const auto& table = dsp::NativeBasicTable();
    FFTSpec_C_64fc* complexSpec = nullptr;
    FFTSpec_R_64f* realSpec = nullptr;
    ASSERT_EQ(table.ippsFFTInitAlloc_C_64fc(&complexSpec, 4, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone), ippStsNoErr);
    ASSERT_EQ(table.ippsFFTInitAlloc_R_64f(&realSpec, 4, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone), ippStsNoErr);
    std::vector<Ipp64fc> x(16, Ipp64fc{0, 0}), y(16);
    x[1] = {1, 0};
    ASSERT_EQ(table.ippsFFTFwd_CToC_64fc(x.data(), y.data(), complexSpec, nullptr), ippStsNoErr);
    EXPECT_NEAR(y[4].re, 0.0, 1e-15);
    EXPECT_NEAR(y[4].im, -1.0, 1e-15);
    ASSERT_EQ(table.ippsFFTInv_CToC_64fc(y.data(), y.data(), complexSpec, nullptr), ippStsNoErr);
    EXPECT_NEAR(y[1].re, 1.0, 1e-15);

    std::vector<double> r(18, 0.0), back(16);
    r[1] = 1.0;
    ASSERT_EQ(table.ippsFFTFwd_RToCCS_64f(r.data(), r.data(), realSpec, nullptr), ippStsNoErr);
    EXPECT_NEAR(r[9], -1.0, 1e-15);  // Im X[4] of an impulse at 1
    ASSERT_EQ(table.ippsFFTInv_CCSToR_64f(r.data(), back.data(), realSpec, nullptr), ippStsNoErr);
    EXPECT_NEAR(back[1], 1.0, 1e-15);
    EXPECT_NEAR(back[0], 0.0, 1e-15);

    std::vector<Ipp64fc> half = {{1, 0}, {2, 3}, {4, 0}, {0, 0}};
    ASSERT_EQ(table.ippsConjCcs_64fc_I(half.data(), 4), ippStsNoErr);
    EXPECT_EQ(half[3].im, -3.0);
    EXPECT_EQ(table.ippsFFTFree_C_64fc(complexSpec), ippStsNoErr);
    EXPECT_EQ(table.ippsFFTFree_R_64f(realSpec), ippStsNoErr);
}

// The wide passes run wherever the processor has them, so the portable ones are
// forced here; both must meet the reference.
class PortablePasses : public testing::TestWithParam<int> {
protected:
    void TearDown() override { dsp::fft::avx2::allow(true); }
};

TEST_P(PortablePasses, BothPathsMatchTheReference) {
    const int order = GetParam();
    const std::size_t n = std::size_t{1} << order;
    auto complexSpec = makeComplexSpec(order, IPP_FFT_DIV_BY_SQRTN);
    auto realSpec = makeRealSpec(order, IPP_FFT_DIV_INV_BY_N);
    ASSERT_TRUE(complexSpec && realSpec);
    const auto x = randomComplex(n, 900 + order);
    const auto reals = randomReal(n, 950 + order);
    for (const int sign : {-1, +1}) {
        auto want = radix2Reference(x, sign);
        for (auto& w : want)
            w /= std::sqrt(static_cast<long double>(n));
        const auto run = sign < 0 ? ippsFFTFwd_CToC_64fc : ippsFFTInv_CToC_64fc;
        for (const bool wide : {true, false}) {
            dsp::fft::avx2::allow(wide);
            std::vector<Ipp64fc> y(n), inPlace = x;
            ASSERT_EQ(run(x.data(), y.data(), complexSpec.get(), nullptr), ippStsNoErr);
            ASSERT_EQ(run(inPlace.data(), inPlace.data(), complexSpec.get(), nullptr), ippStsNoErr);
            EXPECT_LE(relativeRmsError(y.data(), want), accuracyBound(order)) << "wide " << wide << " sign " << sign;
            EXPECT_TRUE(sameBits(y, inPlace)) << "wide " << wide << " sign " << sign;

            std::vector<double> perm(n), back(n);
            ASSERT_EQ(FFTFwd_RToPerm_64f(reals.data(), perm.data(), realSpec.get(), nullptr), ippStsNoErr);
            ASSERT_EQ(FFTInv_PermToR_64f(perm.data(), back.data(), realSpec.get(), nullptr), ippStsNoErr);
            for (std::size_t i = 0; i < n; ++i)
                ASSERT_NEAR(back[i], reals[i], 1e-13 * (order + 1)) << "wide " << wide << " at " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, PortablePasses, testing::Values(3, 4, 5, 8, 9, 10, 11, 12, 14, 16, 18, 19));

}  // namespace
