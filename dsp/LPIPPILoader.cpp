#include "dsp/LPIPPILoader.h"

#include "dsp/SharedLibrary.h"

namespace dsp {

namespace {

struct IppiLibraries {
    SharedLibrary image;
    SharedLibrary colourConversion;
};

IppiLibraries& ippiLibraries()
{
    static IppiLibraries libraries;
    return libraries;
}

} // namespace

void LoadIppiLibraries()
{
    IppiLibraries& libraries = ippiLibraries();
    libraries.image = SharedLibrary(SharedObjectFor(kIppiLibrary));
    libraries.colourConversion = SharedLibrary(SharedObjectFor(kIppccLibrary));
}

void FreeIppiLibraries()
{
    IppiLibraries& libraries = ippiLibraries();
    libraries.colourConversion.reset();
    libraries.image.reset();
}

void* GetIppiProc(const char* name) noexcept
{
    const IppiLibraries& libraries = ippiLibraries();
    if (void* entry = libraries.image.symbol(name))
        return entry;
    return libraries.colourConversion.symbol(name);
}

} // namespace dsp
