#include "grid/cell_format.h"

#include <gtest/gtest.h>

namespace matslip {
namespace {

TEST(FormatWordTest, PlacesAlignmentStyleValueAndMergeWhereTheFileHasThem) {
  CellFormat f;
  f.alignment = kAlignMiddleRight;
  f.style = kStyleBold | kStyleStrikeOut;
  f.value_code = kValueCodeNumber;
  f.merge = kMergeRight | kMergeDown;
  EXPECT_EQ(PackFormatWord(f), 6u | 9u << 11 | 4u << 15 | 12u << 18);
}

}  // namespace
}  // namespace matslip
