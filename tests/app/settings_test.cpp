#include "app/settings.h"

#include <gtest/gtest.h>

#include "app/ini.h"
#include "base/files.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::ReadTestFile;
using testing::TempDir;
using testing::WriteTestFile;

class SettingsTest : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string config_ = dir_.File(kConfigFileName);
  std::string peizi_ = dir_.File(kPeiziFileName);
};

TEST_F(SettingsTest, GeometryDefaultsWithoutConfigFile) {
  EXPECT_EQ(ReadWindowGeometry(config_, kItemEditorWindow),
            (WindowGeometry{100, 100, 600, 550}));
  EXPECT_EQ(ReadWindowGeometry(config_, kStockOutWindow),
            (WindowGeometry{100, 100, 800, 650}));
  EXPECT_EQ(ReadWindowGeometry(config_, kSlipParametersWindow),
            (WindowGeometry{100, 100, 600, 550}));
  EXPECT_EQ(ReadWindowGeometry(config_, 4), WindowGeometry{});
  EXPECT_FALSE(FileExists(config_));
}

TEST_F(SettingsTest, MoveWritesOnlyLeftAndTopThenResizeWritesAll) {
  ASSERT_TRUE(WriteWindowPosition(config_, kStockOutWindow, 30, -5));
  EXPECT_EQ(ReadTestFile(config_),
            "[ck2z]\r\nck2z=30\r\n[ck2d]\r\nck2d=-5\r\n");
  EXPECT_EQ(ReadWindowGeometry(config_, kStockOutWindow),
            (WindowGeometry{30, -5, 800, 650}));
  ASSERT_TRUE(WriteWindowGeometry(config_, kStockOutWindow, {1, 2, 1024, 768}));
  EXPECT_EQ(ReadWindowGeometry(config_, kStockOutWindow),
            (WindowGeometry{1, 2, 1024, 768}));
  EXPECT_EQ(ReadWindowGeometry(config_, kItemEditorWindow),
            (WindowGeometry{100, 100, 600, 550}));
  EXPECT_FALSE(WriteWindowPosition(config_, 0, 1, 1));
}

TEST_F(SettingsTest, GeometryTextIsTruncatedTowardZero) {
  // ck1g holds "１２０px" in GBK full-width digits; 1e30 is held at INT_MAX.
  ASSERT_TRUE(WriteTestFile(
      config_,
      "[ck1z]\r\nck1z=-12.7\r\n[ck1d]\r\nck1d=abc\r\n"
      "[ck1k]\r\nck1k=123.9\r\n[ck1g]\r\nck1g=\xA3\xB1\xA3\xB2\xA3\xB0px\r\n"
      "[ck3k]\r\nck3k=1e30\r\n"));
  EXPECT_EQ(ReadWindowGeometry(config_, kItemEditorWindow),
            (WindowGeometry{-12, 0, 123, 120}));
  EXPECT_EQ(ReadWindowGeometry(config_, kSlipParametersWindow).width,
            2147483647);
}

TEST_F(SettingsTest, SlipTextsRoundTrip) {
  EXPECT_EQ(ReadSlipTexts(config_), SlipTexts{});
  SlipTexts texts;
  texts.warehouse = "一号 材料库";
  texts.purpose = " 线路 维修 ";
  texts.receiving_department = "运检部";
  texts.approved_by = "张三";
  texts.received_by = "李四";
  ASSERT_TRUE(WriteSlipTexts(config_, texts));
  EXPECT_EQ(ReadSlipTexts(config_), texts);
  EXPECT_EQ(IniRead(config_, "领料部门", "领料部门", ""), "运检部");
}

TEST_F(SettingsTest, SlipTextsWithALineBreakAreRefusedWhole) {
  SlipTexts texts;
  texts.warehouse = "一号库";
  texts.received_by = "李\n四";
  EXPECT_FALSE(WriteSlipTexts(config_, texts));
  EXPECT_FALSE(FileExists(config_));
}

TEST_F(SettingsTest, SlipPrintSettingsFromPeizi) {
  PrintInf expected;  // the program's defaults, then the file's defaults
  expected.left_margin = expected.top_margin = 50;
  expected.right_margin = expected.bottom_margin = 50;
  expected.scale = 100;
  EXPECT_EQ(ReadSlipPrintSettings(peizi_), expected);
  ASSERT_TRUE(WriteTestFile(peizi_,
                            "[dyzx]\r\ndyzx=9\r\n[dyfx]\r\ndyfx=1\r\n"
                            "[dyzb]\r\ndyzb=20.5\r\n[dysf]\r\ndysf=85\r\n"
                            "[dyfs]\r\ndyfs=2\r\n[dyjs]\r\ndyjs=3\r\n"
                            "[dyqs]\r\ndyqs=-4\r\n[dyxb]\r\ndyxb=-7\r\n"
                            "[dyhs]\r\ndyhs=abc\r\n"));
  expected.paper_type = 9;
  expected.orientation = 1;
  expected.left_margin = 20;  // 20.5 truncated
  expected.scale = 85;
  expected.copies = 2;
  expected.range_end = 3;
  expected.range_start = 1;    // -4 clamped
  expected.bottom_margin = 0;  // -7 clamped
  expected.count_18 = 0;       // not a number
  EXPECT_EQ(ReadSlipPrintSettings(peizi_), expected);
}

TEST_F(SettingsTest, SlipPrintSettingsWrittenReadBackTheSame) {
  PrintInf settings = ReadSlipPrintSettings(peizi_);
  settings.paper_type = 3;
  settings.orientation = 1;
  settings.left_margin = 120;
  settings.top_margin = 80;
  settings.right_margin = 95;
  settings.bottom_margin = 60;
  settings.copies = 2;
  settings.range_kind = 1;
  settings.range_start = 2;
  settings.range_end = 4;
  settings.count_18 = 7;
  settings.scale = 90;
  ASSERT_TRUE(WriteSlipPrintSettings(peizi_, settings));
  EXPECT_EQ(ReadSlipPrintSettings(peizi_), settings);
}

// A peizi.ini made by hand keeps its comments, spacing, number forms and
// missing keys: only the settings the page set-up changed are rewritten.
TEST_F(SettingsTest, SlipPrintSettingsWriteOnlyWhatChanged) {
  const std::string made_by_hand =
      "; \xb3\xf6\xbf\xe2\xb5\xa5\r\n[dyzb]\r\ndyzb = 050\r\n\r\n"
      "[dysb]\r\ndysb=20.5\r\n[dyqs]\r\ndyqs=-4\r\n[dyfx]\r\ndyfx=0\r\n";
  ASSERT_TRUE(WriteTestFile(peizi_, made_by_hand));
  PrintInf settings = ReadSlipPrintSettings(peizi_);
  ASSERT_TRUE(WriteSlipPrintSettings(peizi_, settings));
  EXPECT_EQ(ReadTestFile(peizi_), made_by_hand);
  settings.orientation = 1;
  ASSERT_TRUE(WriteSlipPrintSettings(peizi_, settings));
  std::string want = made_by_hand;
  want.replace(want.find("dyfx=0"), 6, "dyfx=1");
  EXPECT_EQ(ReadTestFile(peizi_), want);
}

}  // namespace
}  // namespace matslip
