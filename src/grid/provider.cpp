#include "grid/provider.h"

#include <algorithm>

namespace matslip {

void NProvider::AddRow(std::vector<std::string> row) {
  rows_.push_back(std::move(row));
}

void NProvider::Clear() { rows_.clear(); }

bool NProvider::ReadRows(const RowSink& sink, int* column_count) const {
  *column_count = 0;
  for (const auto& row : rows_) {
    *column_count = std::max(*column_count, static_cast<int>(row.size()));
    sink(row);
  }
  return true;
}

}  // namespace matslip
