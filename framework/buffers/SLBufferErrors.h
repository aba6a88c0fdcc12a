#pragma once
// Errors raised by the block pool and the sample buffers. The message texts are
// the ones users and logs see, so they stay exactly as they are.
#include <cstdint>
#include <stdexcept>
#include <string>

// A raw buffer file shorter than its buffer raises the stream read error of the class library.
#include "framework/ClassLibrary/ClassLibraryErrors.h"

// No block could be had, or a block larger than the pool's largest was asked for.
class EOutOfMemory : public std::runtime_error {
public:
    EOutOfMemory() : std::runtime_error("Out of memory") {}
};

// An element index outside the buffer. The index is shown as the unsigned
// 32-bit number it was stored as, so -1 reads 4294967295.
class ERangeError : public std::out_of_range {
public:
    explicit ERangeError(const std::string& message) : std::out_of_range(message) {}
    static ERangeError index(std::int32_t index) { return numbered("Index out of range = ", index); }
    static ERangeError row(std::int32_t row) { return numbered("Row out of range = ", row); }
    static ERangeError column(std::int32_t column) { return numbered("Column out of range = ", column); }

private:
    static ERangeError numbered(const char* text, std::int32_t number)
    {
        return ERangeError(text + std::to_string(static_cast<std::uint32_t>(number)));
    }
};

// An integer division or remainder with a zero divisor, raised at the element
// that has it; the elements before it are already changed.
class EDivByZero : public std::runtime_error {
public:
    EDivByZero() : std::runtime_error("Division by zero") {}
};

// A buffer given where a buffer of the generic kind was required.
class EIntfCastError : public std::runtime_error {
public:
    EIntfCastError() : std::runtime_error("Interface not supported") {}
};

// A raw buffer file that could not be created or opened.
class EFileStreamError : public std::runtime_error {
public:
    explicit EFileStreamError(const std::string& message) : std::runtime_error(message) {}
};
