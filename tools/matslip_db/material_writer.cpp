#include "material_writer.h"

#include <unistd.h>

#include "base/files.h"
#include "material/material_table.h"
#include "store/names.h"
#include "store/table.h"

namespace matslip::db_tool {

bool WriteMaterialTable(const std::string& path,
                        const std::vector<std::vector<Value>>& rows,
                        std::string* why) {
  const std::string temp =
      path + ".new" + std::to_string(::getpid()) + kTableExtension;
  const std::string temp_memo = MemoPathOf(temp);
  auto fail = [&](std::string reason) {
    RemoveFile(temp);
    RemoveFile(temp_memo);
    *why = std::move(reason);
    return false;
  };
  // Flushing once at the end instead of after every record.
  SetDurableWrites(false);
  std::unique_ptr<Table> table =
      Table::Create(temp, Schema(material::Fields()), why);
  if (!table) return fail(path + ": " + *why);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!table->Append(rows[i]))
      return fail(path + ": record " + std::to_string(i + 1) +
                  " cannot be written");
  }
  table.reset();
  if (!SyncFile(temp) || !SyncFile(temp_memo) ||
      !MoveFile(temp_memo, MemoPathOf(path)) || !MoveFile(temp, path))
    return fail(path + ": cannot be written");
  SyncDirectoryOf(path);
  return true;
}

}  // namespace matslip::db_tool
