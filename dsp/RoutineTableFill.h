#pragma once
// Helpers shared by the modules that fill the routine tables.
#include "dsp/IppTypes.h"
#include "dsp/LPIPPILoader.h"
#include "dsp/LPIPPSLoader.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace dsp::detail {

// Stands in for a routine whose native version is not built yet: a valid entry
// of the right signature that refuses every call with its own status.
template <typename Slot>
struct NotBuilt;

template <typename... Args>
struct NotBuilt<IppStatus (*)(Args...)> {
    static IppStatus routine(Args...) noexcept { return zqStsRoutineNotBuiltErr; }
};

// Records which entries a native fill function has set, so that a table with an
// entry left empty is refused while it is being built at compile time.
class FillTracker {
public:
    constexpr void mark(std::string_view name)
    {
        if (count_ == names_.size())
            throw "routine table larger than the fill tracker";
        names_[count_++] = name;
    }
    constexpr void require(std::string_view name) const
    {
        for (std::size_t i = 0; i < count_; ++i)
            if (names_[i] == name)
                return;
        throw "routine table entry left empty";
    }

private:
    std::array<std::string_view, 256> names_{};
    std::size_t count_ = 0;
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
// (The fill functions declare `table` and a FillTracker `filled`.)
#define ZQ_NATIVE(slot, routine) (table.slot = &(routine), filled.mark(#slot))
#define ZQ_NOT_BUILT(slot) \
    (table.slot = &::dsp::detail::NotBuilt<decltype(table.slot)>::routine, filled.mark(#slot))

// Refuses, at compile time, a native table with an entry left empty.
#define ZQ_REQUIRE_FILLED(slot, signature) filled.require(#slot);

// Replaces a native entry by the library entry point of the same name, if any.
#define ZQ_TAKE_FROM_LIBRARY(slot, signature)                                                      \
    if (void* entry = ::dsp::detail::lookUpLibraryRoutine(#slot))                                  \
        table.slot = reinterpret_cast<decltype(table.slot)>(entry);
