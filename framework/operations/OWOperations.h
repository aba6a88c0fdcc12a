#pragma once
// Operations: the immutable, reference-counted values that travel along links
// between pins. Receivers tell them apart by class, testing the most derived
// kind they accept first; an operation of a derived class is also one of each
// ancestor class. Every operation carries a process-wide serial number.
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "framework/buffers/LPBufferPair.h"
#include "framework/buffers/SLDataInterfaces.h"
#include "framework/locks/OWInterface.h"

class TOWNotifyOperation;

class IOWNotifyOperation : public IOWInterface {
public:
    static constexpr std::string_view Guid = "{AC2714E1-1E70-4C60-ABBB-EA27737CEE74}";

    virtual const TOWNotifyOperation& OperationObject() const = 0;
};

using TOWNotifyOperationRef = TOWIntf<IOWNotifyOperation>;

// The most derived class of an operation. Numbered in pre-order of the class
// tree, so that every class's descendants follow it without a gap and a class
// test is one range check (see OWOperationAs).
enum class TOWOperationKind : std::uint8_t {
    Notify,
    Clock,
    Supplied,
    SuppliedSingle,
    SuppliedString,
    SuppliedReal,
    SuppliedRealValueRange,
    SuppliedInteger,
    SuppliedIntValueRange,
    SuppliedIntRange,
    SuppliedInt64,
    SuppliedInt64ValueRange,
    SuppliedInt64Range,
    SuppliedRealComplex,
    SuppliedDateTime,
    SuppliedBuffer,
    SuppliedBufferPair,
    Start,
    StartRate,
    StartSampleRate,
    StartSpectrum,
    StartIntensity,
    Stop,
    QueryStream,
    IgnoreStream,
};

// Each class names its own kind (ClassKind) and the last kind of its subtree
// (LastKind); a class without descendants has both equal.
class TOWNotifyOperation : public TOWInterfacedObject<IOWNotifyOperation> {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::Notify;
    static constexpr TOWOperationKind LastKind = TOWOperationKind::IgnoreStream;

    TOWNotifyOperation() : TOWNotifyOperation(ClassKind) {}

    const TOWNotifyOperation& OperationObject() const final { return *this; }
    // Distinct for every operation of the process, from 1 upwards.
    std::uint32_t SerialNumber() const { return serialNumber_; }
    TOWOperationKind Kind() const { return kind_; }

protected:
    explicit TOWNotifyOperation(TOWOperationKind kind);

private:
    const TOWOperationKind kind_;
    const std::uint32_t serialNumber_;
};

class TOWClockOperation : public TOWNotifyOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::Clock;
    static constexpr TOWOperationKind LastKind = TOWOperationKind::SuppliedBufferPair;

    TOWClockOperation() : TOWNotifyOperation(ClassKind) {}

protected:
    explicit TOWClockOperation(TOWOperationKind kind) : TOWNotifyOperation(kind) {}
};

// Every value-carrying operation is also a clock tick.
class TOWSuppliedOperation : public TOWClockOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::Supplied;
    static constexpr TOWOperationKind LastKind = TOWOperationKind::SuppliedBufferPair;

    TOWSuppliedOperation() : TOWClockOperation(ClassKind) {}

protected:
    explicit TOWSuppliedOperation(TOWOperationKind kind) : TOWClockOperation(kind) {}
};

// ---------------------------------------------------------------------------
// Stream framing

class TOWStartOperation : public TOWNotifyOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::Start;
    static constexpr TOWOperationKind LastKind = TOWOperationKind::StartIntensity;

    TOWStartOperation() : TOWNotifyOperation(ClassKind) {}

protected:
    explicit TOWStartOperation(TOWOperationKind kind) : TOWNotifyOperation(kind) {}
};

class TOWStartRateOperation : public TOWStartOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::StartRate;
    static constexpr TOWOperationKind LastKind = TOWOperationKind::StartIntensity;

    explicit TOWStartRateOperation(std::int32_t rate) : TOWStartRateOperation(ClassKind, rate) {}

    // Carried along for the sender's own use; no receiver interprets it.
    std::int32_t Rate() const { return rate_; }

protected:
    TOWStartRateOperation(TOWOperationKind kind, std::int32_t rate) : TOWStartOperation(kind), rate_(rate) {}

private:
    const std::int32_t rate_;
};

class TOWStartSampleRateOperation : public TOWStartRateOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::StartSampleRate;
    static constexpr TOWOperationKind LastKind = TOWOperationKind::StartIntensity;

    TOWStartSampleRateOperation(std::int32_t rate, double sampleRate)
        : TOWStartSampleRateOperation(ClassKind, rate, sampleRate)
    {
    }

    // Samples per second.
    double SampleRate() const { return sampleRate_; }

protected:
    TOWStartSampleRateOperation(TOWOperationKind kind, std::int32_t rate, double sampleRate)
        : TOWStartRateOperation(kind, rate), sampleRate_(sampleRate)
    {
    }

private:
    const double sampleRate_;
};

class TOWStartSpectrumOperation final : public TOWStartSampleRateOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::StartSpectrum;
    static constexpr TOWOperationKind LastKind = ClassKind;

    TOWStartSpectrumOperation(std::int32_t rate, double sampleRate)
        : TOWStartSampleRateOperation(ClassKind, rate, sampleRate)
    {
    }
};

class TOWStartIntensityOperation final : public TOWStartSampleRateOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::StartIntensity;
    static constexpr TOWOperationKind LastKind = ClassKind;

    TOWStartIntensityOperation(std::int32_t rate, double sampleRate)
        : TOWStartSampleRateOperation(ClassKind, rate, sampleRate)
    {
    }
};

class TOWStopOperation final : public TOWNotifyOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::Stop;
    static constexpr TOWOperationKind LastKind = ClassKind;

    TOWStopOperation() : TOWNotifyOperation(ClassKind) {}
};

// Sent upstream: asks the source to announce its stream again.
class TOWQueryStreamOperation final : public TOWNotifyOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::QueryStream;
    static constexpr TOWOperationKind LastKind = ClassKind;

    TOWQueryStreamOperation() : TOWNotifyOperation(ClassKind) {}
};

class TOWIgnoreStreamOperation final : public TOWNotifyOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::IgnoreStream;
    static constexpr TOWOperationKind LastKind = ClassKind;

    TOWIgnoreStreamOperation() : TOWNotifyOperation(ClassKind) {}
};

// ---------------------------------------------------------------------------
// Supplied values

class TOWSuppliedSingleOperation final : public TOWSuppliedOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::SuppliedSingle;
    static constexpr TOWOperationKind LastKind = ClassKind;

    explicit TOWSuppliedSingleOperation(float value) : TOWSuppliedOperation(ClassKind), value_(value) {}

    float Value() const { return value_; }

private:
    const float value_;
};

class TOWSuppliedStringOperation final : public TOWSuppliedOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::SuppliedString;
    static constexpr TOWOperationKind LastKind = ClassKind;

    explicit TOWSuppliedStringOperation(std::string value)
        : TOWSuppliedOperation(ClassKind), value_(std::move(value))
    {
    }

    const std::string& Value() const { return value_; }

private:
    const std::string value_;
};

class TOWSuppliedRealOperation : public TOWSuppliedOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::SuppliedReal;
    static constexpr TOWOperationKind LastKind = TOWOperationKind::SuppliedRealValueRange;

    explicit TOWSuppliedRealOperation(double value) : TOWSuppliedRealOperation(ClassKind, value) {}

    double Value() const { return value_; }

protected:
    TOWSuppliedRealOperation(TOWOperationKind kind, double value) : TOWSuppliedOperation(kind), value_(value) {}

private:
    const double value_;
};

// The bounds keep the order they were given in; the first need not be the lower.
template <typename T>
class TOWRangeBounds {
public:
    T FirstBound() const { return firstBound_; }
    T SecondBound() const { return secondBound_; }

protected:
    TOWRangeBounds(T firstBound, T secondBound) : firstBound_(firstBound), secondBound_(secondBound) {}

private:
    const T firstBound_;
    const T secondBound_;
};

class TOWSuppliedRealValueRangeOperation final : public TOWSuppliedRealOperation,
    public TOWRangeBounds<double> {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::SuppliedRealValueRange;
    static constexpr TOWOperationKind LastKind = ClassKind;

    TOWSuppliedRealValueRangeOperation(double value, double firstBound, double secondBound)
        : TOWSuppliedRealOperation(ClassKind, value), TOWRangeBounds(firstBound, secondBound)
    {
    }
};

class TOWSuppliedIntegerOperation : public TOWSuppliedOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::SuppliedInteger;
    static constexpr TOWOperationKind LastKind = TOWOperationKind::SuppliedIntValueRange;

    explicit TOWSuppliedIntegerOperation(std::int32_t value) : TOWSuppliedIntegerOperation(ClassKind, value) {}

    std::int32_t Value() const { return value_; }

protected:
    TOWSuppliedIntegerOperation(TOWOperationKind kind, std::int32_t value)
        : TOWSuppliedOperation(kind), value_(value)
    {
    }

private:
    const std::int32_t value_;
};

class TOWSuppliedIntValueRangeOperation final : public TOWSuppliedIntegerOperation,
    public TOWRangeBounds<std::int32_t> {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::SuppliedIntValueRange;
    static constexpr TOWOperationKind LastKind = ClassKind;

    TOWSuppliedIntValueRangeOperation(std::int32_t value, std::int32_t firstBound, std::int32_t secondBound)
        : TOWSuppliedIntegerOperation(ClassKind, value), TOWRangeBounds(firstBound, secondBound)
    {
    }
};

class TOWSuppliedIntRangeOperation final : public TOWSuppliedOperation,
    public TOWRangeBounds<std::int32_t> {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::SuppliedIntRange;
    static constexpr TOWOperationKind LastKind = ClassKind;

    TOWSuppliedIntRangeOperation(std::int32_t firstBound, std::int32_t secondBound)
        : TOWSuppliedOperation(ClassKind), TOWRangeBounds(firstBound, secondBound)
    {
    }
};

class TOWSuppliedInt64Operation : public TOWSuppliedOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::SuppliedInt64;
    static constexpr TOWOperationKind LastKind = TOWOperationKind::SuppliedInt64ValueRange;

    explicit TOWSuppliedInt64Operation(std::int64_t value) : TOWSuppliedInt64Operation(ClassKind, value) {}

    std::int64_t Value() const { return value_; }

protected:
    TOWSuppliedInt64Operation(TOWOperationKind kind, std::int64_t value) : TOWSuppliedOperation(kind), value_(value)
    {
    }

private:
    const std::int64_t value_;
};

class TOWSuppliedInt64ValueRangeOperation final : public TOWSuppliedInt64Operation,
    public TOWRangeBounds<std::int64_t> {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::SuppliedInt64ValueRange;
    static constexpr TOWOperationKind LastKind = ClassKind;

    TOWSuppliedInt64ValueRangeOperation(std::int64_t value, std::int64_t firstBound, std::int64_t secondBound)
        : TOWSuppliedInt64Operation(ClassKind, value), TOWRangeBounds(firstBound, secondBound)
    {
    }
};

class TOWSuppliedInt64RangeOperation final : public TOWSuppliedOperation,
    public TOWRangeBounds<std::int64_t> {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::SuppliedInt64Range;
    static constexpr TOWOperationKind LastKind = ClassKind;

    TOWSuppliedInt64RangeOperation(std::int64_t firstBound, std::int64_t secondBound)
        : TOWSuppliedOperation(ClassKind), TOWRangeBounds(firstBound, secondBound)
    {
    }
};

class TOWSuppliedRealComplexOperation final : public TOWSuppliedOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::SuppliedRealComplex;
    static constexpr TOWOperationKind LastKind = ClassKind;

    TOWSuppliedRealComplexOperation(double real, double imag)
        : TOWSuppliedOperation(ClassKind), real_(real), imag_(imag)
    {
    }

    double Real() const { return real_; }
    double Imag() const { return imag_; }

private:
    const double real_;
    const double imag_;
};

class TOWSuppliedDateTimeOperation final : public TOWSuppliedOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::SuppliedDateTime;
    static constexpr TOWOperationKind LastKind = ClassKind;

    explicit TOWSuppliedDateTimeOperation(double value) : TOWSuppliedOperation(ClassKind), value_(value) {}

    // Days since 30 December 1899; the fraction is the time of day.
    double Value() const { return value_; }

private:
    const double value_;
};

class TOWSuppliedBufferOperation final : public TOWSuppliedOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::SuppliedBuffer;
    static constexpr TOWOperationKind LastKind = ClassKind;

    // Any typed buffer converts; the operation holds a reference of its own.
    explicit TOWSuppliedBufferOperation(SLRef<ISLData> buffer)
        : TOWSuppliedOperation(ClassKind), buffer_(std::move(buffer))
    {
    }

    const SLRef<ISLData>& Buffer() const { return buffer_; }

private:
    const SLRef<ISLData> buffer_;
};

class TOWSuppliedBufferPairOperation final : public TOWSuppliedOperation {
public:
    static constexpr TOWOperationKind ClassKind = TOWOperationKind::SuppliedBufferPair;
    static constexpr TOWOperationKind LastKind = ClassKind;

    explicit TOWSuppliedBufferPairOperation(TOWIntf<ILPBufferPair> buffers)
        : TOWSuppliedOperation(ClassKind), buffers_(std::move(buffers))
    {
    }

    const TOWIntf<ILPBufferPair>& Buffers() const { return buffers_; }

private:
    const TOWIntf<ILPBufferPair> buffers_;
};

// ---------------------------------------------------------------------------

template<class T, class... A>
    requires std::is_base_of_v<TOWNotifyOperation, T>
TOWNotifyOperationRef OWMakeOperation(A&&... args)
{
    return TOWNotifyOperationRef(new T(std::forward<A>(args)...), owAdoptRef);
}

// The operation as a T when its class is T or one of T's descendants, else
// null (also for a null operation). One virtual call and a range check.
template<class T>
    requires std::is_base_of_v<TOWNotifyOperation, T>
const T* OWOperationAs(const IOWNotifyOperation* operation)
{
    if (!operation)
        return nullptr;
    const TOWNotifyOperation& object = operation->OperationObject();
    const TOWOperationKind kind = object.Kind();
    if (kind < T::ClassKind || kind > T::LastKind)
        return nullptr;
    return static_cast<const T*>(&object);
}

template<class T>
const T* OWOperationAs(const TOWNotifyOperationRef& operation)
{
    return OWOperationAs<T>(operation.Get());
}
