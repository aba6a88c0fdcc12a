#pragma once
// Loader of the optional signal library (and its core library, which is kept
// loaded but never called).

namespace dsp {

// Loads the signal library, then the core library; a failure leaves that library
// absent and is not reported. Loading again first releases what was loaded.
void LoadIppsLibraries();
// Releases the signal library (the core library stays loaded until the process ends).
void FreeIppsLibraries();
bool IppsLibraryLoaded() noexcept;

// The signal library's entry point of that name; null when the library is not
// loaded or has no such name.
void* GetIppsProc(const char* name) noexcept;

} // namespace dsp
