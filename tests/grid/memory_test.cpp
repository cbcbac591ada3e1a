// The memory a large table costs. Counts every byte handed out by operator
// new in this test program (as malloc's usable size plus its chunk header).
#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <new>
#include <string>

#include "grid/data_src.h"

namespace {

std::atomic<long long> live_bytes{0};

long long ChunkSize(void* p) {
  return static_cast<long long>(malloc_usable_size(p) + sizeof(std::size_t));
}

}  // namespace

void* operator new(std::size_t n) {
  void* p = std::malloc(n == 0 ? 1 : n);
  if (p == nullptr) throw std::bad_alloc();
  live_bytes += ChunkSize(p);
  return p;
}

// The pointer did come from this file's operator new, which uses malloc.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  live_bytes -= ChunkSize(p);
  std::free(p);
}
#pragma GCC diagnostic pop

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace matslip {
namespace {

TEST(TableMemoryTest, StockListOf100000RowsCostsAtMost64BytesACell) {
  constexpr int kRows = 100000;
  constexpr int kCols = 7;
  const long long before = live_bytes;
  double per_cell = 0;
  {
    DataSrc table;
    table.SetTableSize(1, kCols);
    table.SetAlignment({1, 1, 1, kCols}, kAlignMiddleCentre);
    table.SetFontStyle({1, 1, 1, kCols}, kStyleBold);
    table.AppendRows(kRows - 1);
    for (int r = 2; r <= kRows; ++r) {
      const std::string n = std::to_string(r);
      table.SetCellText(r, 1, "钢芯铝绞线" + n);
      table.SetCellText(r, 2, "LGJ-95/" + n);
      table.SetCellText(r, 3, "米");
      table.SetCellText(r, 4, "12.5");
      table.SetCellText(r, 5, "1250");
      table.SetCellText(r, 6, "15625");
      table.SetCellText(r, 7, "10");
      if (r % 10 == 0) table.SetTextColour({r, 1, 1, kCols}, 0x800080);
    }
    per_cell = static_cast<double>(live_bytes - before) /
               (static_cast<double>(kRows) * kCols);
    EXPECT_EQ(table.GetCellText(kRows, 1), "钢芯铝绞线100000");
  }
  EXPECT_EQ(live_bytes, before);  // all of it given back
  std::cout << "table of " << kRows << " x " << kCols << ": " << per_cell
            << " bytes a cell\n";
  EXPECT_LE(per_cell, 64.0);
}

}  // namespace
}  // namespace matslip
