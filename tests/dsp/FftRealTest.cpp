#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "dsp/FftReal.h"
#include "dsp/FftSpec.h"
#include "tests/dsp/FftTestSupport.h"

using namespace dsp::native;
using namespace ffttest;

namespace {

using RealTransform = IppStatus (*)(const Ipp64f*, Ipp64f*, const FFTSpec_R_64f*, Ipp8u*);

// Half spectrum X[0..N/2] read back from each layout.
std::vector<Ipp64fc> halfFromCcs(const std::vector<double>& ccs, std::size_t n) {
    std::vector<Ipp64fc> h(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k)
        h[k] = {ccs[2 * k], ccs[2 * k + 1]};
    return h;
}
std::vector<Ipp64fc> halfFromPerm(const std::vector<double>& p, std::size_t n) {
    std::vector<Ipp64fc> h(n / 2 + 1);
    h[0] = {p[0], 0};
    if (n > 1)
        h[n / 2] = {p[1], 0};
    for (std::size_t k = 1; k < n / 2; ++k)
        h[k] = {p[2 * k], p[2 * k + 1]};
    return h;
}
std::vector<Ipp64fc> halfFromPack(const std::vector<double>& p, std::size_t n) {
    std::vector<Ipp64fc> h(n / 2 + 1);
    h[0] = {p[0], 0};
    if (n > 1)
        h[n / 2] = {p[n - 1], 0};
    for (std::size_t k = 1; k < n / 2; ++k)
        h[k] = {p[2 * k - 1], p[2 * k]};
    return h;
}

double maxDifference(const std::vector<Ipp64fc>& a, const std::vector<Ipp64fc>& b) {
    double worst = 0;
    for (std::size_t k = 0; k < a.size(); ++k)
        worst = std::max({worst, std::abs(a[k].re - b[k].re), std::abs(a[k].im - b[k].im)});
    return worst;
}

class RealOrder : public testing::TestWithParam<int> {};

// CCS must equal the complex transform of the real input, and Perm and Pack
// must carry the very same numbers (the element at N/4 included).
TEST_P(RealOrder, CcsMatchesComplexTransformAndPermPackAgreeWithCcs) {
    const int order = GetParam();
    const std::size_t n = std::size_t{1} << order;
    auto realSpec = makeRealSpec(order);
    auto complexSpec = makeComplexSpec(order);
    ASSERT_TRUE(realSpec && complexSpec);
    const auto x = randomReal(n, 500 + order);

    std::vector<Ipp64fc> asComplex(n), full(n);
    for (std::size_t i = 0; i < n; ++i)
        asComplex[i] = {x[i], 0};
    ASSERT_EQ(ippsFFTFwd_CToC_64fc(asComplex.data(), full.data(), complexSpec.get(), nullptr), ippStsNoErr);
    full.resize(n / 2 + 1);

    std::vector<double> ccs(n + 2, 99.0), perm(n), pack(n);
    ASSERT_EQ(ippsFFTFwd_RToCCS_64f(x.data(), ccs.data(), realSpec.get(), nullptr), ippStsNoErr);
    ASSERT_EQ(FFTFwd_RToPerm_64f(x.data(), perm.data(), realSpec.get(), nullptr), ippStsNoErr);
    ASSERT_EQ(FFTFwd_RToPack_64f(x.data(), pack.data(), realSpec.get(), nullptr), ippStsNoErr);

    EXPECT_EQ(ccs[1], 0.0);
    if (n > 1) {
        EXPECT_EQ(ccs[n + 1], 0.0);
    }
    const auto fromCcs = halfFromCcs(ccs, n);
    const double tolerance = accuracyBound(order) * std::sqrt(static_cast<double>(n)) * 4;
    EXPECT_LE(maxDifference(fromCcs, full), tolerance);
    EXPECT_EQ(maxDifference(halfFromPerm(perm, n), fromCcs), 0.0);
    EXPECT_EQ(maxDifference(halfFromPack(pack, n), fromCcs), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Orders0To20, RealOrder, testing::Range(0, 21));

struct LayoutCase {
    const char* name;
    RealTransform forward;
    RealTransform inverse;
    std::size_t extra;  // spectrum values beyond N
};

const LayoutCase layouts[] = {
    {"Ccs", ippsFFTFwd_RToCCS_64f, ippsFFTInv_CCSToR_64f, 2},
    {"Perm", FFTFwd_RToPerm_64f, FFTInv_PermToR_64f, 0},
    {"Pack", FFTFwd_RToPack_64f, FFTInv_PackToR_64f, 0},
};

class RealRoundTrip : public testing::TestWithParam<std::tuple<LayoutCase, int, int>> {};

TEST_P(RealRoundTrip, InverseOfForwardRestoresInputInAndOutOfPlace) {
    const auto [layout, order, flag] = GetParam();
    const std::size_t n = std::size_t{1} << order;
    auto spec = makeRealSpec(order, flag);
    ASSERT_TRUE(spec);
    const auto x = randomReal(n, 600 + order);
    int bufferSize = -1;
    ASSERT_EQ(FFTGetBufSize_R_64f(spec.get(), &bufferSize), ippStsNoErr);
    std::vector<Ipp8u> buffer(bufferSize + 3);

    std::vector<double> spectrum(n + layout.extra), back(n);
    ASSERT_EQ(layout.forward(x.data(), spectrum.data(), spec.get(), nullptr), ippStsNoErr);
    ASSERT_EQ(layout.inverse(spectrum.data(), back.data(), spec.get(), nullptr), ippStsNoErr);
    const double gain = flag == IPP_FFT_NODIV_BY_ANY ? static_cast<double>(n) : 1.0;
    double worst = 0;
    for (std::size_t i = 0; i < n; ++i)
        worst = std::max(worst, std::abs(back[i] / gain - x[i]));
    EXPECT_LE(worst, 1e-13 * (order + 1));

    std::vector<double> inPlace(n + layout.extra), withBuffer(n + layout.extra);
    std::copy(x.begin(), x.end(), inPlace.begin());
    ASSERT_EQ(layout.forward(inPlace.data(), inPlace.data(), spec.get(), nullptr), ippStsNoErr);
    ASSERT_EQ(layout.forward(x.data(), withBuffer.data(), spec.get(), buffer.data() + 3), ippStsNoErr);
    EXPECT_EQ(std::memcmp(inPlace.data(), spectrum.data(), n * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(withBuffer.data(), spectrum.data(), n * sizeof(double)), 0);
    ASSERT_EQ(layout.inverse(inPlace.data(), inPlace.data(), spec.get(), nullptr), ippStsNoErr);
    ASSERT_EQ(layout.inverse(spectrum.data(), withBuffer.data(), spec.get(), buffer.data() + 3), ippStsNoErr);
    EXPECT_EQ(std::memcmp(inPlace.data(), back.data(), n * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(withBuffer.data(), back.data(), n * sizeof(double)), 0);
}

INSTANTIATE_TEST_SUITE_P(
    LayoutsOrdersFlags, RealRoundTrip,
    testing::Combine(testing::ValuesIn(layouts), testing::Values(0, 1, 2, 3, 4, 5, 10, 11, 12, 13, 20),
                     testing::Values(IPP_FFT_DIV_INV_BY_N, IPP_FFT_DIV_BY_SQRTN, IPP_FFT_NODIV_BY_ANY)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_order" + std::to_string(std::get<1>(info.param)) +
               "_flag" + std::to_string(std::get<2>(info.param));
    });

TEST(RealTransform, StatusChecksComeInOrder) {
    auto complexSpec = makeComplexSpec(6);
    auto realSpec = makeRealSpec(6);
    auto* wrongKind = reinterpret_cast<FFTSpec_R_64f*>(complexSpec.get());
    double data[64] = {};
    int size = 0;
    for (const auto& layout : layouts) {
        for (const RealTransform run : {layout.forward, layout.inverse}) {
            EXPECT_EQ(run(nullptr, nullptr, nullptr, nullptr), ippStsNullPtrErr) << layout.name;
            EXPECT_EQ(run(nullptr, nullptr, wrongKind, nullptr), ippStsContextMatchErr) << layout.name;
            EXPECT_EQ(run(nullptr, data, realSpec.get(), nullptr), ippStsNullPtrErr) << layout.name;
            EXPECT_EQ(run(data, nullptr, realSpec.get(), nullptr), ippStsNullPtrErr) << layout.name;
        }
    }
    EXPECT_EQ(FFTGetBufSize_R_64f(wrongKind, &size), ippStsContextMatchErr);
    EXPECT_EQ(FFTGetBufSize_R_64f(realSpec.get(), nullptr), ippStsNullPtrErr);
    EXPECT_EQ(MulPerm_64f_I(nullptr, data, 0), ippStsNullPtrErr);
    EXPECT_EQ(MulPackConj_64f_I(data, data, 0), ippStsSizeErr);
}

// Spectrum products against the products of the half spectra worked directly.
TEST(SpectrumProducts, MatchComplexProductsOfTheHalfSpectra) {
    for (const int order : {1, 2, 3, 5, 9}) {
        const std::size_t n = std::size_t{1} << order;
        auto spec = makeRealSpec(order);
        const auto a = randomReal(n, 700 + order), b = randomReal(n, 800 + order);
        std::vector<double> pa(n), pb(n), ka(n), kb(n);
        ASSERT_EQ(FFTFwd_RToPerm_64f(a.data(), pa.data(), spec.get(), nullptr), ippStsNoErr);
        ASSERT_EQ(FFTFwd_RToPerm_64f(b.data(), pb.data(), spec.get(), nullptr), ippStsNoErr);
        ASSERT_EQ(FFTFwd_RToPack_64f(a.data(), ka.data(), spec.get(), nullptr), ippStsNoErr);
        ASSERT_EQ(FFTFwd_RToPack_64f(b.data(), kb.data(), spec.get(), nullptr), ippStsNoErr);
        const auto ha = halfFromPerm(pa, n), hb = halfFromPerm(pb, n);
        std::vector<Ipp64fc> product(n / 2 + 1), conjProduct(n / 2 + 1);
        for (std::size_t k = 0; k <= n / 2; ++k) {
            const std::complex<double> x(ha[k].re, ha[k].im), y(hb[k].re, hb[k].im);
            const auto p = x * y, q = x * std::conj(y);
            product[k] = {p.real(), p.imag()};
            conjProduct[k] = {q.real(), q.imag()};
        }
        ASSERT_EQ(MulPerm_64f_I(pa.data(), pb.data(), static_cast<int>(n)), ippStsNoErr);
        ASSERT_EQ(MulPackConj_64f_I(ka.data(), kb.data(), static_cast<int>(n)), ippStsNoErr);
        EXPECT_LE(maxDifference(halfFromPerm(pb, n), product), 1e-12) << "order " << order;
        EXPECT_LE(maxDifference(halfFromPack(kb, n), conjProduct), 1e-12) << "order " << order;
    }
}

TEST(SpectrumProducts, OddLengthsTreatOnlyElementZeroAsReal) {
    const double s[5] = {2, 3, 4, 5, 6};
    double perm[5] = {1, 1, 1, 1, 1};
    double pack[5] = {1, 1, 1, 1, 1};
    ASSERT_EQ(MulPerm_64f_I(s, perm, 5), ippStsNoErr);
    ASSERT_EQ(MulPackConj_64f_I(s, pack, 5), ippStsNoErr);
    // (3 + 4i)(1 + i) = -1 + 7i, (5 + 6i)(1 + i) = -1 + 11i; with the conjugate: 7 + i, 11 + i.
    const double wantPerm[5] = {2, -1, 7, -1, 11};
    const double wantPack[5] = {2, 7, 1, 11, 1};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(perm[i], wantPerm[i]) << i;
        EXPECT_EQ(pack[i], wantPack[i]) << i;
    }
}

}  // namespace
