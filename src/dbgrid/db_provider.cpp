#include "dbgrid/db_provider.h"

#include <vector>

#include "store/table.h"

namespace matslip {

bool DbProvider::ReadRows(const RowSink& sink, int* column_count) const {
  if (file_name_.empty()) return false;
  OpenOptions options;
  options.read_only = true;
  const std::unique_ptr<Table> table = Table::Open(file_name_, options);
  if (!table) return false;
  const int fields = table->schema().field_count();
  const int records = table->RecordCount();
  // One row of texts, reused: its strings keep their storage between rows.
  std::vector<std::string> row(static_cast<std::size_t>(fields));
  *column_count = fields;
  return table->ForEachRecord([&](int index, const char* record) {
    if (index >= records) return true;
    for (int f = 0; f < fields; ++f) {
      if (!table->ReadTextFrom(record, f, &row[static_cast<std::size_t>(f)]))
        return false;
    }
    sink(row);
    return true;
  });
}

}  // namespace matslip
