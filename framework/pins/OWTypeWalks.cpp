#include "framework/pins/OWTypeWalks.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {
thread_local std::vector<std::pair<const void*, TOWWalkKind>> onWalk;
} // namespace

TOWPinWalkGuard::TOWPinWalkGuard(const void* pin, TOWWalkKind kind)
    : entered_(std::find(onWalk.begin(), onWalk.end(), std::make_pair(pin, kind)) == onWalk.end())
{
    if (entered_)
        onWalk.emplace_back(pin, kind);
}

TOWPinWalkGuard::~TOWPinWalkGuard()
{
    if (entered_)
        onWalk.pop_back();
}

bool owTypeWalk::InTable(const std::vector<TOWPinStreamTypeEntry>& table, const TGUID& type)
{
    return std::any_of(table.begin(), table.end(), [&](const TOWPinStreamTypeEntry& e) { return e.StreamType == type; });
}
