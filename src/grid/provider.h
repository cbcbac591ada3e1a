#pragma once
// Sources of rows for DataSrc::ConnectProvider: a provider hands over its
// rows of texts once; the table keeps copies and nothing stays bound.
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace matslip {

class Provider {
 public:
  using RowSink = std::function<void(std::span<const std::string> row)>;

  virtual ~Provider() = default;
  // Hands every row to `sink` in order and sets `column_count` to the
  // number of columns the source has (at least its widest row's). False
  // when the source cannot be read; rows handed over before the failure are
  // then to be dropped by the caller.
  virtual bool ReadRows(const RowSink& sink, int* column_count) const = 0;
};

// Rows of texts kept in memory, filled by the program. The name is the
// warehouse system's own, kept as the system's users know it.
class NProvider : public Provider {
 public:
  void AddRow(std::vector<std::string> row);
  void Clear();
  int RowCount() const { return static_cast<int>(rows_.size()); }

  bool ReadRows(const RowSink& sink, int* column_count) const override;

 private:
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace matslip
