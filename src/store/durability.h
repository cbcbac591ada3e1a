#pragma once
// Whether the engine flushes its changes to the disk before an operation
// returns. On by default; benchmarks and tests switch it off.

#include <string>

namespace matslip {

void SetDurableWrites(bool on);
bool DurableWrites();

// Renames `from` over `to` (same folder). With `flush_folder` and durable
// writes on, the folder is flushed so that the rename survives a power cut.
bool RenameOver(const std::string& from, const std::string& to,
                bool flush_folder);

}  // namespace matslip
