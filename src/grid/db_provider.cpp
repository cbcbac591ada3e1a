#include "grid/db_provider.h"

#include <vector>

#include "store/table.h"

namespace matslip {

bool DBProvider::ReadRows(const RowSink& sink, int* column_count) const {
  if (file_name_.empty()) return false;
  OpenOptions options;
  options.read_only = true;
  const std::unique_ptr<Table> table = Table::Open(file_name_, options);
  if (!table) return false;
  const int fields = table->schema().field_count();
  // Read everything first: a failure half-way must hand over no rows.
  std::vector<std::string> texts;
  const int records = table->RecordCount();
  texts.reserve(static_cast<std::size_t>(records) *
                static_cast<std::size_t>(fields));
  Value value;
  for (bool more = table->First(); more && table->cursor() < records;
       more = table->Skip(1)) {
    for (int f = 0; f < fields; ++f) {
      if (!table->Read(f, &value)) return false;
      texts.push_back(value.ToText());
    }
  }
  if (texts.size() !=
      static_cast<std::size_t>(records) * static_cast<std::size_t>(fields)) {
    return false;
  }
  *column_count = fields;
  for (std::size_t first = 0; first < texts.size();
       first += static_cast<std::size_t>(fields)) {
    sink(std::span<const std::string>(texts).subspan(
        first, static_cast<std::size_t>(fields)));
  }
  return true;
}

}  // namespace matslip
