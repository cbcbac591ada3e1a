#include "grid/format_pool.h"

namespace matslip {

std::uint32_t FormatPool::Intern(const CellFormat& format) {
  const auto [it, added] =
      index_.try_emplace(format, static_cast<std::uint32_t>(formats_.size()));
  if (added) formats_.push_back(format);
  return it->second;
}

}  // namespace matslip
