#include "framework/buffers/SLComplexBuffer.h"

#include <gmock/gmock.h>

#include <cmath>
#include <vector>

#include "framework/TypedBufferTestHelpers.h"


using ::testing::DoubleEq;
using ::testing::ElementsAre;
using ::testing::Pointwise;

namespace {

std::vector<double> flat(ISLComplexBuffer& buffer)
{
    std::vector<double> parts;
    for (std::uint32_t i = 0; i < buffer.GetCount(); ++i) {
        parts.push_back(buffer.GetReadPointer()[i].re);
        parts.push_back(buffer.GetReadPointer()[i].im);
    }
    return parts;
}

} // namespace

TEST(ComplexBuffer, FromRealImagTakesTheShorterCount)
{
    SLRef<TSLComplexBuffer> buffer = complexes({{9, 9}});
    buffer->FromRealImag(*reals({1, 2, 3, 4, 5}), *reals({-1, -2, -3}));
    EXPECT_THAT(flat(*buffer), ElementsAre(1, -1, 2, -2, 3, -3));
    buffer->FromRealImag(*reals({1}), *TSLRealBuffer::Create());
    EXPECT_EQ(buffer->GetCount(), 0u);
}

struct RealPartCase {
    const char* name;
    SLRef<ISLRealBuffer> (ISLComplexBuffer::*operation)();
    std::vector<double> expected;
};

class ComplexToReal : public ::testing::TestWithParam<RealPartCase> {};

TEST_P(ComplexToReal, GivesANewBufferAndLeavesThisOne)
{
    SLRef<TSLComplexBuffer> buffer = complexes({{3, 4}, {0, -2}});
    SLRef<ISLRealBuffer> result = ((*buffer).*GetParam().operation)();
    EXPECT_THAT(values(*result), Pointwise(DoubleEq(), GetParam().expected));
    EXPECT_THAT(flat(*buffer), ElementsAre(3, 4, 0, -2));
    EXPECT_EQ(((*complexes({})).*GetParam().operation)()->GetCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Complex, ComplexToReal,
    ::testing::Values(RealPartCase{"Real", &ISLComplexBuffer::Real, {3, 0}},
                      RealPartCase{"Imag", &ISLComplexBuffer::Imag, {4, -2}},
                      RealPartCase{"Phase", &ISLComplexBuffer::Phase, {std::atan2(4.0, 3.0), -M_PI / 2}},
                      RealPartCase{"Magnitude", &ISLComplexBuffer::Magnitude, {5, 2}},
                      RealPartCase{"PowerSpectrum", &ISLComplexBuffer::PowerSpectrum, {25, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ComplexBuffer, DivisionByZeroGivesNotANumber)
{
    SLRef<TSLComplexBuffer> buffer = complexes({{1, 1}, {0, 0}, {6, 2}});
    buffer->Divide(*complexes({{0, 0}, {0, 0}, {2, 0}}));
    const Ipp64fc* z = buffer->GetReadPointer();
    EXPECT_TRUE(std::isnan(z[0].re) && std::isnan(z[0].im));
    EXPECT_TRUE(std::isnan(z[1].re) && std::isnan(z[1].im));
    EXPECT_EQ(z[2].re, 3);
    EXPECT_EQ(z[2].im, 1);
}

// A write pointer on a shared block hands out a fresh block; a routine that
// then refuses its arguments must not leave that block behind.
struct RefusedCase {
    const char* name;
    void (*operation)(ISLComplexBuffer& buffer, ISLComplexBuffer& source);
};

class ComplexRefusals : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(ComplexRefusals, KeepTheValuesOfASharedBuffer)
{
    SLRef<TSLComplexBuffer> buffer = complexes({{1, 2}, {3, 4}});
    SLRef<ISLData> clone = buffer->Clone();
    SLRef<TSLComplexBuffer> source = complexes({{5, 6}, {7, 8}});
    GetParam().operation(*buffer, *source);
    EXPECT_THAT(flat(*buffer), ElementsAre(1, 2, 3, 4));
    EXPECT_EQ(buffer->GetReadPointer(), intfCast<ISLComplexBuffer>(clone)->GetReadPointer());
}

INSTANTIATE_TEST_SUITE_P(
    Complex, ComplexRefusals,
    ::testing::Values(
        RefusedCase{"NegativeThreshold", [](ISLComplexBuffer& b, ISLComplexBuffer& s) { b.ThresholdFrom(s, true, -1); }},
        RefusedCase{"NormalizeByZero", [](ISLComplexBuffer& b, ISLComplexBuffer& s) { b.NormalizeFrom(s, {}, 0); }},
        RefusedCase{"NormalizeInPlaceByZero", [](ISLComplexBuffer& b, ISLComplexBuffer&) { b.Normalize({1, 1}, 0); }},
        RefusedCase{"SquareOfNothing",
                    [](ISLComplexBuffer& b, ISLComplexBuffer&) { b.SquareFrom(*TSLComplexBuffer::CreateSized(0)); }},
        RefusedCase{"CorrelationOfNothing",
                    [](ISLComplexBuffer& b, ISLComplexBuffer&) {
                        b.AutoCorrelation(*TSLComplexBuffer::CreateSized(0), 0);
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ComplexBuffer, OperationsFromASourceWriteOnlyMinElements)
{
    SLRef<TSLComplexBuffer> buffer = complexes({{1, 2}, {3, 4}, {5, 6}});
    buffer->SquareFrom(*complexes({{0, 1}, {2, 0}}));
    EXPECT_THAT(flat(*buffer), ElementsAre(-1, 0, 4, 0, 5, 6));
    buffer->Normalize({1, 0}, 2);
    EXPECT_THAT(flat(*buffer), ElementsAre(-1, 0, 1.5, 0, 2, 3));
}


TEST(ComplexBuffer, CorrelationsOfTheirOwnBlockReadTheOldValues)
{
    const std::vector<Ipp64fc> samples{{1, 2}, {-3, 0.5}, {4, -1}, {0, 2}};
    SLRef<TSLComplexBuffer> expected = complexes(samples);
    expected->AutoCorrelation(*complexes(samples), 0);
    SLRef<TSLComplexBuffer> buffer = complexes(samples);
    buffer->AutoCorrelation(*buffer, 0);
    EXPECT_EQ(flat(*buffer), flat(*expected));

    expected->CrossCorrelation(*complexes(samples), *complexes(samples), -1);
    buffer = complexes(samples);
    SLRef<TSLComplexBuffer> clone = cloneOf(*buffer);
    buffer->CrossCorrelation(*buffer, *clone, -1);
    EXPECT_EQ(flat(*buffer), flat(*expected));
    EXPECT_THAT(flat(*clone), ElementsAre(1, 2, -3, 0.5, 4, -1, 0, 2));
}
