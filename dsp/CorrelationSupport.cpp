#include "dsp/CorrelationSupport.h"

#include "dsp/FftReal.h"

namespace dsp::detail {

void RealSpecFree::operator()(FFTSpec_R_64f* spec) const noexcept
{
    native::ippsFFTFree_R_64f(spec);
}

void ComplexSpecFree::operator()(FFTSpec_C_64fc* spec) const noexcept
{
    native::ippsFFTFree_C_64fc(spec);
}

IppStatus RealTransform::make(int order) noexcept
{
    FFTSpec_R_64f* made = nullptr;
    if (const IppStatus status = native::ippsFFTInitAlloc_R_64f(&made, order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone);
        status < 0)
        return status;
    spec.reset(made);
    int bytes = 0;
    if (const IppStatus status = native::FFTGetBufSize_R_64f(made, &bytes); status < 0)
        return status;
    if (bytes > 0) {
        work = allocateWork<Ipp8u>(bytes);
        if (!work)
            return ippStsMemAllocErr;
    }
    length = std::int64_t{1} << order;
    return ippStsNoErr;
}

IppStatus ComplexTransform::make(int order) noexcept
{
    FFTSpec_C_64fc* made = nullptr;
    if (const IppStatus status = native::ippsFFTInitAlloc_C_64fc(&made, order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone);
        status < 0)
        return status;
    spec.reset(made);
    int bytes = 0;
    if (const IppStatus status = native::FFTGetBufSize_C_64fc(made, &bytes); status < 0)
        return status;
    if (bytes > 0) {
        work = allocateWork<Ipp8u>(bytes);
        if (!work)
            return ippStsMemAllocErr;
    }
    length = std::int64_t{1} << order;
    return ippStsNoErr;
}

} // namespace dsp::detail
