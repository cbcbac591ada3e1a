#pragma once
// Whether the engine flushes its changes to the disk before an operation
// returns. On by default; benchmarks and tests switch it off.

namespace matslip {

void SetDurableWrites(bool on);
bool DurableWrites();

}  // namespace matslip
