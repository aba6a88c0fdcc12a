#include "dsp/LPIPPSLoader.h"

#include "dsp/SharedLibrary.h"

namespace dsp {

namespace {

struct IppsLibraries {
    SharedLibrary signal;
    SharedLibrary core;
};

IppsLibraries& ippsLibraries()
{
    static IppsLibraries libraries;
    return libraries;
}

} // namespace

void LoadIppsLibraries()
{
    IppsLibraries& libraries = ippsLibraries();
    libraries.signal = SharedLibrary(SharedObjectFor(kIppsLibrary));
    libraries.core = SharedLibrary(SharedObjectFor(kIppcoreLibrary));
}

void FreeIppsLibraries()
{
    // The core library stays loaded for the life of the process.
    ippsLibraries().signal.reset();
}

bool IppsLibraryLoaded() noexcept
{
    return ippsLibraries().signal.loaded();
}

void* GetIppsProc(const char* name) noexcept
{
    return ippsLibraries().signal.symbol(name);
}

} // namespace dsp
