// CSV files and HTML tables: quoting, encodings, spans, and where the
// reading stops.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/gbk.h"
#include "sheet/sheet.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::TempDir;
using testing::WriteTestFile;

class TextSheets : public ::testing::Test {
 protected:
  SheetCells Read(const std::string& name, const std::string& bytes,
                  SheetArea area = SheetArea{1, 4, 1, 4}) {
    const std::string path = dir_.File(name);
    EXPECT_TRUE(WriteTestFile(path, bytes));
    SheetCells cells;
    std::string reason;
    EXPECT_TRUE(ReadSheet(path, area, &cells, &reason)) << reason;
    return cells;
  }
  static std::string Gbk(const std::string& utf8) {
    std::string out;
    EXPECT_TRUE(Utf8ToGbk(utf8, &out));
    return out;
  }

  TempDir dir_;
};

TEST_F(TextSheets, CsvQuotedFieldsKeepCommasQuotesAndLineBreaks) {
  const SheetCells cells =
      Read("a.csv",
           "\"M16×200, 热镀锌\",\"10kV \"\"3×240\"\"\",\"两\r\n行\"\r\n"
           "x,,2.50\r\n"
           "last,1e3");
  EXPECT_EQ(cells.Cell(1, 1), "M16×200, 热镀锌");
  EXPECT_EQ(cells.Cell(1, 2), "10kV \"3×240\"");
  EXPECT_EQ(cells.Cell(1, 3), "两\r\n行");
  EXPECT_EQ(cells.Cell(2, 1), "x");
  EXPECT_EQ(cells.Cell(2, 2), "");
  EXPECT_EQ(cells.Cell(2, 3), "2.5");
  EXPECT_EQ(cells.Cell(3, 1), "last");  // no line break at the end
  EXPECT_EQ(cells.Cell(3, 2), "1000");
}

// Numbers as spreadsheet programs write them out formatted, and what marks
// a text: x:num and x:str in HTML, the columns asked for as texts.
TEST_F(TextSheets, FormattedNumbersAreReadAsTheirValuesTextsStayAsWritten) {
  SheetArea area{1, 2, 1, 8};
  area.first_text_column = area.last_text_column = 8;
  const SheetCells csv = Read("k.csv",
                              "\"1,200\",\"1,234.50\",\"1,481,400.00\",12.5%,"
                              "\"-¥1,200.00\",\"1,20\",\"12,3456\",\"1,200\"\n"
                              ",,,,,,,0012\n",
                              area);
  const std::vector<std::string> expected = {"1200",    "1234.5", "1481400",
                                             "0.125",   "-1200",  "1,20",
                                             "12,3456", "1,200"};
  for (int c = 1; c <= 8; ++c)
    EXPECT_EQ(csv.Cell(1, c), expected[c - 1]) << "column " << c;
  EXPECT_EQ(csv.Cell(2, 8), "0012");

  const SheetCells html =
      Read("l.xls",
           "<table><tr><td x:num=\"3.14159\">3.14</td><td x:num>1,200</td>"
           "<td x:num=\"0.125\">12.5%</td><td x:str>0012</td><td>0012</td>"
           "<td x:str=\"\">1,200</td><td>1,200</td><td>2.50</td></tr></table>",
           area);
  const std::vector<std::string> shown = {"3.14159", "1200",  "0.125", "0012",
                                          "12",      "1,200", "1200",  "2.50"};
  for (int c = 1; c <= 8; ++c)
    EXPECT_EQ(html.Cell(1, c), shown[c - 1]) << "column " << c;
}

TEST_F(TextSheets, CsvInGbkIsToldFromUtf8) {
  const std::string text = "品名,规格型号\n钢芯铝绞线,LGJ-95/20\n";
  for (const std::string& bytes : {text, "\xEF\xBB\xBF" + text, Gbk(text)}) {
    const SheetCells cells = Read("b.csv", bytes);
    EXPECT_EQ(cells.Cell(1, 1), "品名");
    EXPECT_EQ(cells.Cell(2, 1), "钢芯铝绞线");
  }
}

TEST_F(TextSheets, CsvGbkLineAfterUtf8LookingOnesDecidesTheEncoding) {
  // "中文" in GBK is D6D0 CEC4: no valid UTF-8, only on the second line.
  const SheetCells cells = Read("c.csv", "abc\n" + Gbk("中文") + "\n");
  EXPECT_EQ(cells.Cell(2, 1), "中文");
}

TEST_F(TextSheets, CsvReadingStopsAfterTheAreasLastRow) {
  // A line of 5 MB after the area: never read, so never refused.
  const SheetCells cells =
      Read("d.csv", "a\nb\nc\n" + std::string(5 << 20, 'x') + "\n",
           SheetArea{2, 3, 1, 1});
  EXPECT_EQ(cells.Cell(3, 1), "c");
}

TEST_F(TextSheets, HtmlSpansFillTheTableGrid) {
  const SheetCells cells = Read(
      "e.xls",
      "<html><head><meta charset=\"utf-8\"></head><body><table>"
      "<tr><td rowspan=\"2\">甲</td><td colspan=\"2\">乙</td><td>丙</td></tr>"
      "<tr><td>丁</td><td> 戊 <br>己&nbsp;</td><td>庚</td></tr>"
      "<tr><td><table><tr><td>内</td></tr></table>外</td><td>3.50</td></tr>"
      "</table><table><tr><td>别的表</td></tr></table></body></html>");
  EXPECT_EQ(cells.Cell(1, 1), "甲");
  EXPECT_EQ(cells.Cell(1, 2), "乙");
  EXPECT_EQ(cells.Cell(1, 3), "");
  EXPECT_EQ(cells.Cell(1, 4), "丙");
  EXPECT_EQ(cells.Cell(2, 1), "");  // under 甲
  EXPECT_EQ(cells.Cell(2, 2), "丁");
  EXPECT_EQ(cells.Cell(2, 3), "戊\n己");
  EXPECT_EQ(cells.Cell(2, 4), "庚");
  EXPECT_EQ(cells.Cell(3, 1), "外");
  EXPECT_EQ(cells.Cell(3, 2), "3.5");
  EXPECT_EQ(cells.Cell(4, 1), "");
}

TEST_F(TextSheets, HtmlEncodingComesFromItsMetaTagElseFromItsBytes) {
  const std::string table = "<table><tr><td>钢芯铝绞线</td></tr></table>";
  EXPECT_EQ(Read("f.xls",
                 "<html><head><meta http-equiv=\"Content-Type\" "
                 "content=\"text/html; charset=gb2312\"></head>"
                 "<body>" +
                     Gbk(table) + "</body></html>")
                .Cell(1, 1),
            "钢芯铝绞线");
  EXPECT_EQ(
      Read("g.xls", "<html><body>" + Gbk(table) + "</body></html>").Cell(1, 1),
      "钢芯铝绞线");
  EXPECT_EQ(Read("h.xls", "<html><body>" + table + "</body></html>").Cell(1, 1),
            "钢芯铝绞线");
}

TEST_F(TextSheets, HtmlSayingGb2312IsReadAsGbk) {
  // "镕" is in GBK only, as in many pages that name GB2312.
  EXPECT_EQ(Read("j.xls", "<html><head><meta charset=\"gb2312\"></head><body>" +
                              Gbk("<table><tr><td>朱镕基</td></tr></table>") +
                              "</body></html>")
                .Cell(1, 1),
            "朱镕基");
}

TEST_F(TextSheets, HtmlReadingStopsAfterTheAreasLastRow) {
  std::string rows;
  for (int i = 1; i <= 5; ++i)
    rows += "<tr><td>" + std::to_string(i) + "</td></tr>";
  // After row 5, 70 MB of text: beyond the page limit, but never read.
  const SheetCells cells =
      Read("i.xls",
           "<table>" + rows + "<tr><td>" + std::string(70 << 20, 'x') +
               "</td></tr></table>",
           SheetArea{2, 4, 1, 1});
  EXPECT_EQ(cells.Cell(4, 1), "4");
}

}  // namespace
}  // namespace matslip
