#include "store/durability.h"

#include <atomic>

namespace matslip {

namespace {
std::atomic<bool> durable_writes{true};
}  // namespace

void SetDurableWrites(bool on) { durable_writes = on; }
bool DurableWrites() { return durable_writes; }

}  // namespace matslip
