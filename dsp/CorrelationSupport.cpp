#include "dsp/CorrelationSupport.h"

#include "dsp/FftReal.h"

namespace dsp::detail {

namespace {

IppStatus initAlloc(FFTSpec_R_64f** spec, int order) noexcept
{
    return native::ippsFFTInitAlloc_R_64f(spec, order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone);
}

IppStatus initAlloc(FFTSpec_C_64fc** spec, int order) noexcept
{
    return native::ippsFFTInitAlloc_C_64fc(spec, order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone);
}

IppStatus bufSize(const FFTSpec_R_64f* spec, int* bytes) noexcept
{
    return native::FFTGetBufSize_R_64f(spec, bytes);
}

IppStatus bufSize(const FFTSpec_C_64fc* spec, int* bytes) noexcept
{
    return native::FFTGetBufSize_C_64fc(spec, bytes);
}

} // namespace

void SpecFree::operator()(FFTSpec_R_64f* spec) const noexcept
{
    native::ippsFFTFree_R_64f(spec);
}

void SpecFree::operator()(FFTSpec_C_64fc* spec) const noexcept
{
    native::ippsFFTFree_C_64fc(spec);
}

template <typename Spec>
IppStatus TransformRecord<Spec>::make(int order) noexcept
{
    Spec* made = nullptr;
    if (const IppStatus status = initAlloc(&made, order); status < 0)
        return status;
    spec.reset(made);
    int bytes = 0;
    if (const IppStatus status = bufSize(made, &bytes); status < 0)
        return status;
    if (bytes > 0) {
        work = allocateWork<Ipp8u>(bytes);
        if (!work)
            return ippStsMemAllocErr;
    }
    length = std::int64_t{1} << order;
    return ippStsNoErr;
}

template struct TransformRecord<FFTSpec_R_64f>;
template struct TransformRecord<FFTSpec_C_64fc>;

} // namespace dsp::detail
