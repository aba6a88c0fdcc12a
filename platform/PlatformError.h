#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// Failure of a host service (settings file, folders). Its message is the text
// the user sees; callers show it and abandon the operation that hit it.
class PlatformError : public std::runtime_error {
public:
    explicit PlatformError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace platform
