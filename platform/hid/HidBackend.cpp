#include "platform/hid/HidBackend.h"

#include "platform/hid/HidrawBackend.h"
#include "platform/hid/LibudevSource.h"
#include "platform/hid/SimulatedHidBus.h"

#include <cstdlib>
#include <cstring>

namespace zq::hid {

std::shared_ptr<HidBackend> createHidBackend()
{
    const char* choice = std::getenv(BackendEnvironmentVariable);
    if (choice && std::strcmp(choice, "sim") == 0)
        return SimulatedHidBus::shared();
    return std::make_shared<HidrawBackend>(std::make_shared<LibudevSource>());
}

} // namespace zq::hid
