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

// Enumerations of the published prototypes. A fixed underlying type keeps every
// int a caller passes a valid value, so the routines can refuse unknown codes.
enum IppCmpOp : int {
    ippCmpLess = 0,
    ippCmpLessEq = 1,
    ippCmpEq = 2,
    ippCmpGreaterEq = 3,
    ippCmpGreater = 4,
};

enum IppRoundMode : int {
    ippRndZero = 0,
    ippRndNear = 1,
};

enum IppHintAlgorithm : int {
    ippAlgHintNone = 0,
    ippAlgHintFast = 1,
    ippAlgHintAccurate = 2,
};

enum IppiAxis : int {
    ippAxsHorizontal = 0,
    ippAxsVertical = 1,
    ippAxsBoth = 2,
};

enum IppiAlphaType : int {
    ippAlphaOver = 0,
    ippAlphaIn = 1,
    ippAlphaOut = 2,
    ippAlphaATop = 3,
    ippAlphaXor = 4,
    ippAlphaPlus = 5,
    ippAlphaOverPremul = 6,
    ippAlphaInPremul = 7,
    ippAlphaOutPremul = 8,
    ippAlphaATopPremul = 9,
    ippAlphaXorPremul = 10,
    ippAlphaPlusPremul = 11,
};

// Opaque records owned by the FFT and FIR modules; they are defined there, in
// the global namespace, under exactly these names.
struct FFTSpec_C_64fc;
struct FFTSpec_R_64f;
struct FIRState_64f;

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
    // Not a library status: a table entry whose native routine is not built yet.
    zqStsRoutineNotBuiltErr = -9999,
};
