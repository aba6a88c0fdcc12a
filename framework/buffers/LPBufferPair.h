#pragma once
// Two sample buffers that travel together as one value (for example the X and
// Y samples of one block). The pair holds a reference to each buffer.
#include "framework/buffers/SLDataInterfaces.h"
#include "framework/locks/OWInterface.h"

class ILPBufferPair : public IOWInterface {
public:
    virtual SLRef<ISLData> First() const = 0;
    virtual SLRef<ISLData> Second() const = 0;
};

class TLPBufferPair final : public TOWInterfacedObject<ILPBufferPair> {
public:
    TLPBufferPair(SLRef<ISLData> first, SLRef<ISLData> second)
        : first_(std::move(first)), second_(std::move(second))
    {
    }

    SLRef<ISLData> First() const override { return first_; }
    SLRef<ISLData> Second() const override { return second_; }

private:
    const SLRef<ISLData> first_;
    const SLRef<ISLData> second_;
};
