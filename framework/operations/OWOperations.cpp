#include "framework/operations/OWOperations.h"

#include <atomic>

namespace {

// Operations are made on any thread; only distinctness matters, so the
// increment needs no ordering with other memory.
std::atomic<std::uint32_t> lastSerialNumber{0};

} // namespace

TOWNotifyOperation::TOWNotifyOperation(TOWOperationKind kind)
    : kind_(kind), serialNumber_(lastSerialNumber.fetch_add(1, std::memory_order_relaxed) + 1)
{
}
