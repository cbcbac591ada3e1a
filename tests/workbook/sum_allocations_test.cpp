// The sums and the find of a large workbook read the cells' texts where they
// lie: a pass over 100,000 rows of long texts asks the heap for nothing per
// cell. Counts every call of operator new in this test program.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "grid/column_find.h"
#include "grid/data_src.h"
#include "grid/grid.h"
#include "support/fake_dialogs.h"
#include "workbook/cell_sums.h"

namespace {

std::atomic<long long> allocations{0};

}  // namespace

void* operator new(std::size_t n) {
  ++allocations;
  void* p = std::malloc(n == 0 ? 1 : n);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

// The pointer did come from this file's operator new, which uses malloc.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
#pragma GCC diagnostic pop

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace matslip {
namespace {

class SumAllocationsTest : public ::testing::Test {
 protected:
  static constexpr int kRows = 100000;

  SumAllocationsTest() {
    table_.SetTableSize(kRows, 1);
    for (int r = 1; r <= kRows; ++r) {
      // Longer than a string keeps without the heap.
      table_.SetCellText(r, 1, "钢芯铝绞线 LGJ-95/20 架空线路用");
    }
  }

  DataSrc table_;
};

TEST_F(SumAllocationsTest, TheColumnSumAllocatesNothingPerCell) {
  const long long before = allocations;
  const std::string tip = ColumnSumTip(table_, 1);
  EXPECT_LT(allocations - before, 10);
  EXPECT_EQ(tip, "本列合计 = 0");
}

TEST_F(SumAllocationsTest, TheSelectionSumOfAColumnAllocatesNothingPerCell) {
  const long long before = allocations;
  const std::string tip = SelectionSumTip(table_, 1, 1, kRows, 1);
  EXPECT_LT(allocations - before, 10);
  EXPECT_EQ(tip, "合计 = 0");
}

TEST_F(SumAllocationsTest, TheFindAllocatesNothingPerCell) {
  Grid grid;
  grid.SetDataSource(&table_);
  testing::FakeDialogs dialogs;
  dialogs.inputs.push_back({true, "架空线路用 LGJ"});  // in no cell
  dialogs.shown.reserve(4);
  FindState find;
  std::string caption = "&Y.查找";
  const long long before = allocations;
  RunFind(kWorkbookHitColour, &find, &caption, &table_, &grid, dialogs);
  EXPECT_LT(allocations - before, 30);
  EXPECT_EQ(dialogs.Messages(),
            (std::vector<std::string>{kFindNothingMessage}));
}

}  // namespace
}  // namespace matslip
