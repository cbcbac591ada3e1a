#pragma once
// The running sums of row heights (or column widths) of a table, so that a
// view finds the row at a given distance from the top by binary search
// instead of adding up every row above it. Items count from 1; lengths are
// tenths of a millimetre. Rebuild after any change of the lengths.
#include <cstdint>
#include <functional>
#include <vector>

namespace matslip {

class AxisOffsets {
 public:
  // Takes the lengths of items 1..count from `length` (negative ones as 0).
  void Assign(int count, const std::function<int(int index)>& length);

  int count() const { return static_cast<int>(starts_.size()) - 1; }
  // The distance from the leading edge of item 1 to that of item `index`;
  // index count + 1 gives the total. Clamped to 1 .. count + 1.
  std::int64_t Start(int index) const;
  std::int64_t Length(int index) const {
    return Start(index + 1) - Start(index);
  }
  std::int64_t total() const { return starts_.back(); }
  // The item whose span holds `offset` (items of length 0 hold nothing):
  // 1 for offsets before the first item, count + 1 at or past the total.
  int IndexAt(std::int64_t offset) const;

 private:
  std::vector<std::int64_t> starts_{0};  // starts_[i] = Start(i + 1)
};

}  // namespace matslip
