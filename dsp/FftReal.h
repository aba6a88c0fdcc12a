#pragma once
// Real transforms with the half spectrum in Perm or Pack order, their spectrum
// products and the work-buffer query of the real record. Not table entries:
// correlation, convolution and the FIR filter call them directly.
#include "dsp/FftSpec.h"
#include "dsp/IppTypes.h"

namespace dsp::native {

IppStatus FFTFwd_RToPerm_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec_R_64f* spec, Ipp8u* buffer);
IppStatus FFTInv_PermToR_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec_R_64f* spec, Ipp8u* buffer);
IppStatus FFTFwd_RToPack_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec_R_64f* spec, Ipp8u* buffer);
IppStatus FFTInv_PackToR_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec_R_64f* spec, Ipp8u* buffer);
IppStatus MulPerm_64f_I(const Ipp64f* src, Ipp64f* srcDst, int length);
IppStatus MulPackConj_64f_I(const Ipp64f* src, Ipp64f* srcDst, int length);
IppStatus FFTGetBufSize_R_64f(const FFTSpec_R_64f* spec, int* size);

}  // namespace dsp::native
