#pragma once
// Rows from a record-database file: one row per record in file order, one
// column per field in field order, each value in the program's text form
// (Value::ToText). The file is read when the rows are asked for, read-only
// and outside the open-database registry, so the caller's open tables and
// its current table stay as they are.
#include <string>

#include "grid/provider.h"

namespace matslip {

class DbProvider : public Provider {
 public:
  const std::string& file_name() const { return file_name_; }
  void set_file_name(std::string path) { file_name_ = std::move(path); }

  // False when the file name is empty or the file cannot be opened or read.
  bool ReadRows(const RowSink& sink, int* column_count) const override;

 private:
  std::string file_name_;
};

}  // namespace matslip
