#pragma once
// Loader of the optional image libraries: the image library first, then the
// colour-conversion library, which answers the names the first one lacks.

namespace dsp {

// Loads the image library, then the colour-conversion library; failures are not
// reported. Loading again first releases what was loaded.
void LoadIppiLibraries();
// Releases the colour-conversion library, then the image library.
void FreeIppiLibraries();

// The image library's entry point of that name; when that library is absent or
// lacks the name, the colour-conversion library's; null when neither has it.
void* GetIppiProc(const char* name) noexcept;

} // namespace dsp
