#pragma once
// The distinct cell formats of a table, each kept once. Cells refer to their
// format by index, so a table of 100,000 rows with a handful of formats pays
// four bytes per cell for them. Indexes stay valid for the pool's lifetime;
// references returned by Get() until the next Intern().
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "grid/cell_format.h"

namespace matslip {

class FormatPool {
 public:
  // The index of `format`, adding it when it is new.
  std::uint32_t Intern(const CellFormat& format);
  const CellFormat& Get(std::uint32_t index) const { return formats_[index]; }

 private:
  std::vector<CellFormat> formats_;
  std::unordered_map<CellFormat, std::uint32_t, CellFormatHash> index_;
};

}  // namespace matslip
