#pragma once
// Helpers shared by the engine's tests: small schemas and tables in a
// temporary folder, opened through the process registry.
#include <string>
#include <vector>

#include "store/db.h"
#include "store/format.h"
#include "store/schema.h"
#include "store/table.h"

namespace matslip::testing {

// 品名 text 8, 数量 double, 记录 memo: small enough to reason about bytes.
inline Schema SmallSchema() {
  return Schema({{"品名", fmt::kText, 8, 0},
                 {"数量", fmt::kDouble, 0, 0},
                 {"记录", fmt::kMemo, 0, 0}});
}

inline bool CreateTable(const std::string& path, const Schema& schema) {
  return Table::Create(path, schema) != nullptr;
}

// Closes every table and restores durable writes off for speed.
class RegistryGuard {
 public:
  RegistryGuard() {
    DbCloseAll();
    SetDurableWrites(false);
  }
  ~RegistryGuard() { DbCloseAll(); }
};

}  // namespace matslip::testing
