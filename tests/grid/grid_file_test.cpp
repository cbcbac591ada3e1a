#include "grid/grid_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "grid/data_src.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::ReadTestFile;
using testing::TempDir;
using testing::WriteTestFile;

// Little-endian fields for building files by hand.
void I32(std::string* out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>(v >> (8 * i)));
}
void I16(std::string* out, std::uint16_t v) {
  out->push_back(static_cast<char>(v));
  out->push_back(static_cast<char>(v >> 8));
}

// The whole state a grid file holds, as bytes, to compare two tables.
std::string Snapshot(const DataSrc& table) {
  std::string bytes;
  EXPECT_TRUE(EncodeGridFile(table, &bytes));
  return bytes;
}

// A 1 x 2 table: header row 1, no header column; cell (1,1) "材料" bold,
// middle centre, red on yellow, 宋体 size 85, margin 10, merged with (1,2),
// left and top thin lines; (1,2) empty with default format but the merge.
std::string HandBuiltFile() {
  std::string f = "SDTW";
  I32(&f, 1);    // rows
  I32(&f, 2);    // columns
  I32(&f, 1);    // header rows
  I32(&f, 0);    // header columns
  I32(&f, 160);  // row 1 height
  I32(&f, 850);  // column widths
  I32(&f, 200);
  // Cell (1,1): alignment 5, left edge 1 (bit 4), top edge 1 (bit 7),
  // bold (bit 11), merge right (4 << 18).
  I32(&f, 5 | 1 << 4 | 1 << 7 | 1 << 11 | 4 << 18);
  I32(&f, 255);
  I32(&f, 0xFFFF);
  I16(&f, 85);
  I16(&f, 10);
  I32(&f, 4);
  f += "\xCB\xCE\xCC\xE5";  // 宋体
  I32(&f, 5);
  f += std::string("\xB2\xC4\xC1\xCF\0", 5);  // 材料 and its terminator
  // Cell (1,2): alignment 1, merge left.
  I32(&f, 1 | 1 << 18);
  I32(&f, 0);
  I32(&f, 0xFF000000);
  I16(&f, 40);
  I16(&f, 9);
  I32(&f, 0);
  I32(&f, 0);
  // Page set-up: margins, page number 5, scale 90, paper code 9 (A4),
  // landscape, flags 1 and 0, count 3.
  I32(&f, 100);
  I32(&f, 170);
  I32(&f, 100);
  I32(&f, 180);
  I16(&f, 5);
  I16(&f, 90);
  I16(&f, 9);
  I16(&f, 2);
  I32(&f, 1);
  I32(&f, 0);
  I32(&f, 3);
  return f;
}

class GridFileTest : public ::testing::Test {
 protected:
  // A table using every attribute the file holds.
  static void FillRichTable(DataSrc* t) {
    t->SetTableSize(3, 3);
    t->SetHeaderRows(2);
    t->SetHeaderColumns(1);
    t->SetRowHeights(1, 1, 160);
    t->SetColumnWidths(3, 1, 0);
    t->SetCellText(1, 1, "四川澜栖供电有限责任公司材料出库单");
    t->SetCellText(2, 3, "LGJ-95/20");
    t->MergeCells({1, 1, 1, 3});
    t->SetFontName({1, 1}, "华文行楷");
    t->SetFontSize({1, 1}, 85);
    t->SetFontStyle({1, 1}, kStyleBold | kStyleUnderline);
    t->SetAlignment({1, 1}, 5);
    t->SetTextColour({2, 1, 2, 3}, 0x800080);
    t->SetBackgroundColour({3, 3}, 0xAE7400);
    t->SetEdgeLines({2, 1, 2, 3}, kEdgeAll, kLineDashDot);
    CellFormat raw = t->GetCellFormat(3, 2);
    raw.value_code = kValueCodeBinary;
    raw.wrap = true;
    raw.text_margin = 10;
    t->SetCellFormat(3, 2, raw);
    t->SetCellText(3, 2, std::string("\x01\x00\xFF", 3));
    PrintInf p;
    p.paper_type = 7;
    p.orientation = 1;
    p.left_margin = 11;
    p.top_margin = 22;
    p.right_margin = 33;
    p.bottom_margin = 44;
    p.page_number_position = 6;
    p.scale = 75;
    p.flag_12 = true;
    p.flag_13 = true;
    p.count_18 = 9;
    t->SetPrintSettings(p);
  }

  TempDir dir_;
};

TEST_F(GridFileTest, RoundTripKeepsEveryAttribute) {
  DataSrc saved;
  FillRichTable(&saved);
  const std::string path = dir_.File("月报.grd");
  ASSERT_TRUE(SaveToFile(saved, path));
  DataSrc loaded;
  ASSERT_TRUE(LoadFromFile(&loaded, path));
  EXPECT_EQ(loaded.GetRowCount(), 3);
  EXPECT_EQ(loaded.GetColumnCount(), 3);
  EXPECT_EQ(loaded.GetHeaderRows(), 2);
  EXPECT_EQ(loaded.GetHeaderColumns(), 1);
  for (int r = 1; r <= 3; ++r) {
    EXPECT_EQ(loaded.GetRowHeight(r), saved.GetRowHeight(r));
    EXPECT_EQ(loaded.GetColumnWidth(r), saved.GetColumnWidth(r));
    for (int c = 1; c <= 3; ++c) {
      EXPECT_EQ(loaded.GetCellText(r, c), saved.GetCellText(r, c))
          << r << "," << c;
      EXPECT_EQ(loaded.GetCellFormat(r, c), saved.GetCellFormat(r, c))
          << r << "," << c;
    }
  }
  EXPECT_EQ(loaded.GetCellText(3, 2), std::string("\x01\x00\xFF", 3));
  EXPECT_EQ(loaded.GetMergedBlock(1, 2), (CellRange{1, 1, 1, 3}));
  EXPECT_EQ(loaded.GetPrintSettings(), saved.GetPrintSettings());
}

TEST_F(GridFileTest, FieldsTheFileDoesNotHoldKeepTheLoadingTablesValues) {
  DataSrc saved;
  FillRichTable(&saved);
  const std::string path = dir_.File("t.grd");
  ASSERT_TRUE(SaveToFile(saved, path));
  DataSrc loaded;
  PrintInf mine;
  mine.copies = 4;
  mine.text_11 = "备注";
  mine.range_end = 7;
  loaded.SetPrintSettings(mine);
  ASSERT_TRUE(LoadFromFile(&loaded, path));
  EXPECT_EQ(loaded.GetPrintSettings().copies, 4);
  EXPECT_EQ(loaded.GetPrintSettings().text_11, "备注");
  EXPECT_EQ(loaded.GetPrintSettings().range_end, 7);
  EXPECT_EQ(loaded.GetPrintSettings().paper_type, 7);
}

TEST_F(GridFileTest, SaveWritesTheDocumentedBytes) {
  DataSrc t;
  t.SetTableSize(1, 2);
  t.SetRowHeights(1, 1, 160);
  t.SetColumnWidths(1, 1, 850);
  t.SetColumnWidths(2, 1, 200);
  t.SetCellText(1, 1, "材料");
  t.MergeCells({1, 1, 1, 2});
  t.SetAlignment({1, 1}, 5);
  t.SetFontStyle({1, 1}, kStyleBold);
  t.SetTextColour({1, 1}, 255);
  t.SetBackgroundColour({1, 1}, 0xFFFF);
  t.SetFontName({1, 1}, "宋体");
  t.SetFontSize({1, 1}, 85);
  CellFormat f = t.GetCellFormat(1, 1);
  f.text_margin = 10;
  f.edges[kSideLeft] = f.edges[kSideTop] = kLineThin;
  t.SetCellFormat(1, 1, f);
  PrintInf p;
  p.paper_type = kPaperA4;
  p.orientation = 1;
  p.left_margin = p.right_margin = 100;
  p.top_margin = 170;
  p.bottom_margin = 180;
  p.page_number_position = 5;
  p.scale = 90;
  p.flag_12 = true;
  p.count_18 = 3;
  t.SetPrintSettings(p);
  const std::string path = dir_.File("slip.grd");
  ASSERT_TRUE(SaveToFile(t, path));
  EXPECT_EQ(ReadTestFile(path), HandBuiltFile());
}

TEST_F(GridFileTest, HandBuiltFileLoadsCellByCell) {
  const std::string path = dir_.File("hand.grd");
  ASSERT_TRUE(WriteTestFile(path, HandBuiltFile()));
  DataSrc t;
  ASSERT_TRUE(LoadFromFile(&t, path));
  ASSERT_EQ(t.GetRowCount(), 1);
  ASSERT_EQ(t.GetColumnCount(), 2);
  EXPECT_EQ(t.GetHeaderRows(), 1);
  EXPECT_EQ(t.GetRowHeight(1), 160);
  EXPECT_EQ(t.GetColumnWidth(2), 200);
  EXPECT_EQ(t.GetCellText(1, 1), "材料");
  EXPECT_EQ(t.GetCellText(1, 2), "");
  const CellFormat& a = t.GetCellFormat(1, 1);
  EXPECT_EQ(a.alignment, 5);
  EXPECT_EQ(a.style, kStyleBold);
  EXPECT_EQ(a.text_colour, 255u);
  EXPECT_EQ(a.background, 0xFFFFu);
  EXPECT_EQ(a.font_name, "宋体");
  EXPECT_EQ(a.font_size, 85);
  EXPECT_EQ(a.text_margin, 10);
  EXPECT_EQ(a.edges, (std::array<int, 4>{1, 1, 0, 0}));
  EXPECT_EQ(t.GetMergedBlock(1, 2), (CellRange{1, 1, 1, 2}));
  EXPECT_EQ(t.GetCellFormat(1, 2).background, kAutoColour);
  const PrintInf& p = t.GetPrintSettings();
  EXPECT_EQ(p.paper_type, kPaperA4);
  EXPECT_EQ(p.orientation, 1);
  EXPECT_EQ(p.left_margin, 100);
  EXPECT_EQ(p.bottom_margin, 180);
  EXPECT_EQ(p.page_number_position, 5);
  EXPECT_EQ(p.scale, 90);
  EXPECT_TRUE(p.flag_12);
  EXPECT_FALSE(p.flag_13);
  EXPECT_EQ(p.count_18, 3);
  EXPECT_EQ(t.GetCurrentRow(), 1);
}

TEST_F(GridFileTest, EveryTruncationFailsAndLeavesTheTableAsItWas) {
  DataSrc source;
  FillRichTable(&source);
  std::string whole;
  ASSERT_TRUE(EncodeGridFile(source, &whole));
  DataSrc target;
  target.SetTableSize(2, 2);
  target.SetCellText(2, 2, "原有");
  target.SetTextColour({1, 1}, 255);
  target.SetCurrentRow(2);
  const std::string before = Snapshot(target);
  const std::string path = dir_.File("cut.grd");
  for (std::size_t n = 0; n < whole.size(); ++n) {
    ASSERT_TRUE(WriteTestFile(path, whole.substr(0, n)));
    EXPECT_FALSE(LoadFromFile(&target, path)) << n << " bytes";
  }
  EXPECT_EQ(Snapshot(target), before);
  EXPECT_EQ(target.GetCurrentRow(), 2);
}

TEST_F(GridFileTest, MissingFileAndBadMagicFail) {
  DataSrc t;
  EXPECT_FALSE(LoadFromFile(&t, dir_.File("none.grd")));
  std::string bytes = HandBuiltFile();
  bytes[3] = 'X';
  DataSrc decoded;
  EXPECT_FALSE(DecodeGridFile(bytes, &decoded));
}

// Each case patches one field of the hand-built file.
TEST_F(GridFileTest, CountsAndLengthsTheFileCannotHoldAreRejected) {
  struct Case {
    const char* what;
    std::size_t offset;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"rows", 4, 0x7FFFFFFF},
      {"columns", 8, 0x7FFFFFFF},
      {"rows times columns", 4, 40},
      {"negative rows", 4, 0xFFFFFFFF},
      {"negative header rows", 12, 0x80000000},
      {"negative row height", 20, 0xFFFFFFF6},
      {"font name of 32 bytes", 48, 32},
      {"content longer than the file", 56, 0x7FFFFFF0},
      {"negative content length", 56, 0xFFFFFFFF},
  };
  for (const Case& c : cases) {
    std::string bytes = HandBuiltFile();
    std::string patch;
    I32(&patch, c.value);
    bytes.replace(c.offset, 4, patch);
    DataSrc t;
    EXPECT_FALSE(DecodeGridFile(bytes, &t)) << c.what;
  }
}

TEST_F(GridFileTest, TextWithoutItsTerminatorIsRejected) {
  std::string bytes = HandBuiltFile();
  bytes[64] = 'x';  // the zero after 材料
  DataSrc t;
  EXPECT_FALSE(DecodeGridFile(bytes, &t));
}

TEST_F(GridFileTest, TextWithoutGbkFormIsNotSaved) {
  DataSrc t;
  t.SetTableSize(1, 1);
  t.SetCellText(1, 1, "\xF0\x9F\x98\x80");  // an emoji
  const std::string path = dir_.File("emoji.grd");
  EXPECT_FALSE(SaveToFile(t, path));
  EXPECT_EQ(ReadTestFile(path), "<missing>");
}

TEST_F(GridFileTest, LoadTellsTheViewsOnce) {
  struct Counter : DataSrcListener {
    void StructureChanged() override { ++count; }
    int count = 0;
  } views;
  const std::string path = dir_.File("hand.grd");
  ASSERT_TRUE(WriteTestFile(path, HandBuiltFile()));
  DataSrc t;
  t.AddListener(&views);
  ASSERT_TRUE(LoadFromFile(&t, path));
  EXPECT_EQ(views.count, 1);
}

}  // namespace
}  // namespace matslip
