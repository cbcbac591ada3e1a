#include "grid/axis_offsets.h"

#include <algorithm>

namespace matslip {

void AxisOffsets::Assign(int count,
                         const std::function<int(int index)>& length) {
  count = std::max(count, 0);
  starts_.assign(static_cast<std::size_t>(count) + 1, 0);
  for (int i = 1; i <= count; ++i)
    starts_[i] = starts_[i - 1] + std::max(length(i), 0);
}

std::int64_t AxisOffsets::Start(int index) const {
  return starts_[static_cast<std::size_t>(std::clamp(index, 1, count() + 1) -
                                          1)];
}

int AxisOffsets::IndexAt(std::int64_t offset) const {
  if (offset < 0) return 1;
  // The first item whose end lies beyond the offset.
  const auto end = std::upper_bound(starts_.begin() + 1, starts_.end(), offset);
  return static_cast<int>(end - starts_.begin());
}

}  // namespace matslip
