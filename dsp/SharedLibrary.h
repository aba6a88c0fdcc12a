#pragma once
// Run-time loading of the optional accelerated libraries. Each library is known
// by its logical name; the shared object loaded for it comes from an environment
// variable when that is set (an empty value means "do not load"), else from the
// name chosen at build time.
#include <string>
#include <string_view>

namespace dsp {

inline constexpr std::string_view kIppsLibrary = "ipps-5.1.dll";
inline constexpr std::string_view kIppcoreLibrary = "ippcore-5.1.dll";
inline constexpr std::string_view kIppiLibrary = "ippi-5.1.dll";
inline constexpr std::string_view kIppccLibrary = "ippcc-5.1.dll";

// The shared object to load for a logical library name; empty when the library
// is not to be loaded (or the name is unknown).
std::string SharedObjectFor(std::string_view logicalName);

// Owns one dlopen handle. A failed load leaves the object empty, silently.
class SharedLibrary {
public:
    SharedLibrary() noexcept = default;
    explicit SharedLibrary(const std::string& fileName) noexcept;
    ~SharedLibrary();
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    bool loaded() const noexcept { return handle_ != nullptr; }
    // The entry point of that exact name; null when not loaded or not exported.
    void* symbol(const char* name) const noexcept;
    void reset() noexcept;

private:
    void* handle_ = nullptr;
};

} // namespace dsp
