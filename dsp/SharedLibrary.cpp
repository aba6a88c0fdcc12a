#include "dsp/SharedLibrary.h"

#include <dlfcn.h>

#include <array>
#include <cstdlib>
#include <utility>

#ifndef ZQ_IPPS_SONAME
#define ZQ_IPPS_SONAME "libipps-5.1.so"
#endif
#ifndef ZQ_IPPCORE_SONAME
#define ZQ_IPPCORE_SONAME "libippcore-5.1.so"
#endif
#ifndef ZQ_IPPI_SONAME
#define ZQ_IPPI_SONAME "libippi-5.1.so"
#endif
#ifndef ZQ_IPPCC_SONAME
#define ZQ_IPPCC_SONAME "libippcc-5.1.so"
#endif

namespace dsp {

namespace {

struct LibraryName {
    std::string_view logical;
    const char* environmentVariable;
    const char* sharedObject;
};

constexpr std::array<LibraryName, 4> kLibraryNames{{
    {kIppsLibrary, "ZQ_IPPS_LIBRARY", ZQ_IPPS_SONAME},
    {kIppcoreLibrary, "ZQ_IPPCORE_LIBRARY", ZQ_IPPCORE_SONAME},
    {kIppiLibrary, "ZQ_IPPI_LIBRARY", ZQ_IPPI_SONAME},
    {kIppccLibrary, "ZQ_IPPCC_LIBRARY", ZQ_IPPCC_SONAME},
}};

} // namespace

std::string SharedObjectFor(std::string_view logicalName)
{
    for (const LibraryName& entry : kLibraryNames) {
        if (entry.logical != logicalName)
            continue;
        if (const char* fromEnvironment = std::getenv(entry.environmentVariable))
            return fromEnvironment;
        return entry.sharedObject;
    }
    return {};
}

SharedLibrary::SharedLibrary(const std::string& fileName) noexcept
{
    if (!fileName.empty())
        handle_ = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
}

SharedLibrary::~SharedLibrary()
{
    reset();
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr))
{
}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept
{
    if (this != &other) {
        reset();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

void* SharedLibrary::symbol(const char* name) const noexcept
{
    if (handle_ == nullptr || name == nullptr)
        return nullptr;
    return ::dlsym(handle_, name);
}

void SharedLibrary::reset() noexcept
{
    if (handle_ != nullptr)
        ::dlclose(std::exchange(handle_, nullptr));
}

} // namespace dsp
