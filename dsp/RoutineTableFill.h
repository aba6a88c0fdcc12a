#pragma once
// Helpers shared by the modules that fill the routine tables.
#include "dsp/IppTypes.h"
#include "dsp/LPIPPILoader.h"
#include "dsp/LPIPPSLoader.h"

#include <stdexcept>
#include <string_view>
#include <type_traits>

namespace dsp::detail {

// Stands in for a routine whose native version is not built yet: a valid entry
// of the right signature that refuses every call with its own status.
template <typename Slot>
struct NotBuilt;

template <typename... Args>
struct NotBuilt<IppStatus (*)(Args...)> {
    static IppStatus routine(Args...) noexcept { return zqStsRoutineNotBuiltErr; }
};

// Image routines come from the image libraries, all others from the signal library.
inline void* lookUpLibraryRoutine(const char* name) noexcept
{
    if (std::string_view(name).starts_with("ippi"))
        return GetIppiProc(name);
    return GetIppsProc(name);
}

} // namespace dsp::detail

// One line per entry in the native fill functions.
#define ZQ_NATIVE(slot, routine) table.slot = &(routine)
#define ZQ_NOT_BUILT(slot) table.slot = &::dsp::detail::NotBuilt<decltype(table.slot)>::routine

// Refuses a table with an entry left empty. It runs when a table is filled, not
// while the native table is built as a constant: with the undefined-behaviour
// sanitizer a function's address is not a constant that may be compared with null.
#define ZQ_REQUIRE_FILLED(slot, signature)                                                         \
    if (!std::is_constant_evaluated() && table.slot == nullptr)                                    \
        throw std::logic_error("routine table entry left empty: " #slot);

// Replaces a native entry by the library entry point of the same name, if any.
#define ZQ_TAKE_FROM_LIBRARY(slot, signature)                                                      \
    if (void* entry = ::dsp::detail::lookUpLibraryRoutine(#slot))                                  \
        table.slot = reinterpret_cast<decltype(table.slot)>(entry);
