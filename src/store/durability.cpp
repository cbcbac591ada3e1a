#include "store/durability.h"

#include <atomic>
#include <cstdio>

#include "base/file_system.h"
#include "base/files.h"

namespace matslip {

namespace {
std::atomic<bool> durable_writes{true};
}  // namespace

void SetDurableWrites(bool on) { durable_writes = on; }
bool DurableWrites() { return durable_writes; }

bool RenameOver(const std::string& from, const std::string& to,
                bool flush_folder) {
  if (Fs().Rename(from, to) != 0) return false;
  return !flush_folder || !DurableWrites() || SyncDirectoryOf(to);
}

}  // namespace matslip
