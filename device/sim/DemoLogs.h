#pragma once
// A few logs of plausible engine signals for the simulated logger, so that
// the program can be tried without hardware.
#include "device/sim/SimulatedLogger.h"

#include <memory>
#include <vector>

namespace zq::sim {

std::vector<SimulatedLog> demoLogs();

// A logger holding demoLogs(), plugged into the bus, pacing its replies like
// the real one (about a thousand reports a second).
std::unique_ptr<SimulatedLogger> plugDemoLogger(std::shared_ptr<zq::hid::SimulatedHidBus> bus);

} // namespace zq::sim
