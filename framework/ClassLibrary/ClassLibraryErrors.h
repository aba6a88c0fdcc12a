#pragma once
// Errors the class library raises.
#include <stdexcept>
#include <string>

// Assign between objects that do not know each other.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A form stream that does not fit the object read from it.
class EReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A property that is not there or cannot take the value.
class EPropertyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
