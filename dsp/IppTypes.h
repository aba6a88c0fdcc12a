#pragma once
// Element types and status codes shared by every numeric routine. The names and
// values follow the published naming of the routine family, so that a routine
// from an optional accelerated library and our native one are interchangeable.
#include <cstdint>

using Ipp8u = std::uint8_t;
using Ipp16u = std::uint16_t;
using Ipp16s = std::int16_t;
using Ipp32u = std::uint32_t;
using Ipp32s = std::int32_t;
using Ipp32f = float;
using Ipp64f = double;

struct Ipp64fc {
    Ipp64f re;
    Ipp64f im;
};

struct IppiSize {
    int width;
    int height;
};

using IppStatus = int;

enum IppStatusCode : IppStatus {
    ippStsNoErr = 0,
    ippStsSqrtNegArg = 3,
    ippStsDivByZero = 6,
    ippStsLnZeroArg = 7,
    ippStsLnNegArg = 8,
    ippStsSizeErr = -6,
    ippStsNullPtrErr = -8,
    ippStsMemAllocErr = -9,
    ippStsDivByZeroErr = -10,
    ippStsStepErr = -14,
    ippStsFftOrderErr = -15,
    ippStsFftFlagErr = -16,
    ippStsContextMatchErr = -17,
    ippStsThreshNegLevelErr = -19,
    ippStsMirrorFlipErr = -21,
    ippStsFIRLenErr = -26,
    ippStsShiftErr = -32,
    ippStsJaehneErr = -38,
    ippStsHugeWinErr = -39,
    ippStsAlphaTypeErr = -50,
    ippStsLUTNofLevelsErr = -106,
};
