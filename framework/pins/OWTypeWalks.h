#pragma once
// Helpers of the walks that carry a stream type or a dependency question
// from pin to pin: the guard that ends a branch coming back to a pin already
// on the walk, and the small list operations the walks share.
#include "framework/pins/OWPins.h"

#include <algorithm>
#include <cstdint>
#include <vector>

enum class TOWWalkKind : std::uint8_t { Narrow, Query, Dependency, Offered, Accepted, Upstream, Downstream };

// Marks a pin as being on the calling thread's walk of one kind.
class TOWPinWalkGuard {
public:
    TOWPinWalkGuard(const void* pin, TOWWalkKind kind);
    TOWPinWalkGuard(const TOWPinWalkGuard&) = delete;
    TOWPinWalkGuard& operator=(const TOWPinWalkGuard&) = delete;
    ~TOWPinWalkGuard();

    // False when the pin was on the walk already.
    explicit operator bool() const noexcept { return entered_; }

private:
    bool entered_;
};

namespace owTypeWalk {

bool InTable(const std::vector<TOWPinStreamTypeEntry>& table, const TGUID& type);

// Removes the candidates `rejects` answers True for; later ones move up.
template<class F>
void RemoveIf(TOWPinTypeRestricted& list, F rejects)
{
    std::vector<TOWPinStreamTypeEntry> kept;
    for (const TOWPinStreamTypeEntry& entry : list.Entries()) {
        if (!rejects(entry.StreamType))
            kept.push_back(entry);
    }
    list.Replace(std::move(kept));
}

// Removes the candidates the pin's QueryInterface does not take.
inline void KeepAnswered(TOWBasicPin& pin, TOWPinTypeRestricted& list)
{
    void* unused = nullptr;
    RemoveIf(list, [&](const TGUID& type) { return pin.QueryInterface(type, unused) != owInterfaceFound; });
}

// Calls f on each borrowed pin that is still there and is a T.
template<class T, class F>
void ForEach(const std::vector<TOWBorrowed<TOWBasicPin>>& pins, F f)
{
    for (const auto& borrowed : pins) {
        auto pin = Use(borrowed);
        if (auto* typed = pin ? dynamic_cast<T*>(pin.Get()) : nullptr)
            f(*typed);
    }
}

// The first answer of f that is not owInterfaceFound, over the pins that
// are still there and are a T.
template<class T, class F>
TOWQueryResult FirstRefusal(const std::vector<TOWBorrowed<TOWBasicPin>>& pins, F f)
{
    for (const auto& borrowed : pins) {
        auto pin = Use(borrowed);
        auto* typed = pin ? dynamic_cast<T*>(pin.Get()) : nullptr;
        if (!typed)
            continue;
        const TOWQueryResult answer = f(*typed);
        if (answer != owInterfaceFound)
            return answer;
    }
    return owInterfaceFound;
}

} // namespace owTypeWalk
