#include "grid/print_inf.h"

#include <gtest/gtest.h>

namespace matslip {
namespace {

TEST(PrintInfTest, ClampingBringsEachFieldIntoItsRange) {
  PrintInf p;
  p.paper_type = 1005;
  p.orientation = 7;
  p.left_margin = -1;
  p.top_margin = -2;
  p.right_margin = -3;
  p.bottom_margin = -4;
  p.page_number_position = 9;
  p.copies = -1;
  p.count_9 = -1;
  p.setting_14 = 3;
  p.range_kind = -1;
  p.range_start = 0;
  p.range_end = -5;
  p.count_18 = -6;
  p.scale = -50;
  const PrintInf c = Clamped(p);
  EXPECT_EQ(c.paper_type, 1005);
  EXPECT_EQ(c.orientation, 7);
  EXPECT_EQ(c.left_margin + c.top_margin + c.right_margin + c.bottom_margin, 0);
  EXPECT_EQ(c.page_number_position, 6);
  EXPECT_EQ(c.copies, 0);
  EXPECT_EQ(c.count_9, 0);
  EXPECT_EQ(c.setting_14, 2);
  EXPECT_EQ(c.range_kind, 0);
  EXPECT_EQ(c.range_start, 1);
  EXPECT_EQ(c.range_end, 0);
  EXPECT_EQ(c.count_18, 0);
  EXPECT_EQ(c.scale, -50);
  p.page_number_position = -1;
  p.range_start = -7;
  EXPECT_EQ(Clamped(p).page_number_position, 0);
  EXPECT_EQ(Clamped(p).range_start, 1);
}

TEST(PaperTest, ListedTypesMapToTheirCodesAndBack) {
  const int codes[kPaperTypeCount] = {0, 8, 9, 11, 12, 13, 15, 93, 94,
                                      1, 5, 7, 6,  3,  18, 4,  14};
  for (int type = 0; type < kPaperTypeCount; ++type) {
    EXPECT_EQ(PaperCodeOfType(type), codes[type]) << type;
    EXPECT_EQ(PaperTypeOfCode(codes[type]), type) << type;
  }
  EXPECT_EQ(kPapers[kPaperA4].size, (PaperSize{2100, 2970}));
  EXPECT_EQ(kPapers[1].size, (PaperSize{2970, 4200}));
}

TEST(PaperTest, CustomSizesAreStoredAsTheirNumber) {
  EXPECT_EQ(PaperCodeOfType(1000 + 255), 256);
  EXPECT_EQ(PaperTypeOfCode(256), 1255);
  // Number 2 collides with no listed code; number 1 with Letter.
  EXPECT_EQ(PaperTypeOfCode(PaperCodeOfType(1001)), 1001);
  EXPECT_EQ(PaperTypeOfCode(PaperCodeOfType(1000)), 9);
  EXPECT_EQ(PaperCodeOfType(17), 0);
  EXPECT_EQ(PaperCodeOfType(-1), 0);
  EXPECT_EQ(PaperTypeOfCode(-3), 0);
}

}  // namespace
}  // namespace matslip
