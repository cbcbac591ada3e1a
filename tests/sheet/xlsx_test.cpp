// What the .xlsx and .ods readers make of the cells spreadsheet programs
// write, and where they stop.
#include <gtest/gtest.h>

#include <string>

#include "sheet/sheet.h"
#include "sheet/zip_writer.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::OdsParts;
using testing::TempDir;
using testing::WriteZip;
using testing::XlsxParts;
using testing::ZipEntry;

class ZippedSheets : public ::testing::Test {
 protected:
  // Reads rows 1..5, columns A..D of a workbook made of `parts`.
  SheetCells Read(const std::vector<ZipEntry>& parts,
                  SheetArea area = SheetArea{1, 5, 1, 4}) {
    const std::string path = dir_.File("book");
    EXPECT_TRUE(WriteZip(path, parts));
    SheetCells cells;
    std::string reason;
    EXPECT_TRUE(ReadSheet(path, area, &cells, &reason)) << reason;
    return cells;
  }

  TempDir dir_;
};

TEST_F(ZippedSheets, XlsxCellTypesShowAsASpreadsheetShowsThem) {
  const SheetCells cells = Read(XlsxParts(
      "<sheetData><row r=\"1\">"
      "<c r=\"A1\" t=\"s\"><v>1</v></c>"
      "<c r=\"B1\" t=\"inlineStr\"><is><r><t>钢芯</t></r><r><t>铝绞线</t></r>"
      "<rPh><t>ガン</t></rPh></is></c>"
      "<c r=\"C1\" t=\"b\"><v>1</v></c>"
      "<c r=\"D1\" t=\"e\"><v>#DIV/0!</v></c></row>"
      "<row r=\"2\"><c r=\"A2\"><v>2.5000000000000004</v></c>"
      "<c r=\"B2\"><f>A2*2</f><v>0.1</v></c>"
      "<c r=\"C2\" t=\"str\"><f>\"米\"</f><v>米</v></c>"
      "<c r=\"D2\"><v>1E+20</v></c></row></sheetData>",
      "<sst><si><t>甲</t></si><si><r><t xml:space=\"preserve\">横 </t></r>"
      "<r><t>担</t></r><rPh><t>よこ</t></rPh></si></sst>"));
  EXPECT_EQ(cells.Cell(1, 1), "横 担");
  EXPECT_EQ(cells.Cell(1, 2), "钢芯铝绞线");
  EXPECT_EQ(cells.Cell(1, 3), "TRUE");
  EXPECT_EQ(cells.Cell(1, 4), "#DIV/0!");
  EXPECT_EQ(cells.Cell(2, 1), "2.5");
  EXPECT_EQ(cells.Cell(2, 2), "0.1");
  EXPECT_EQ(cells.Cell(2, 3), "米");
  EXPECT_EQ(cells.Cell(2, 4), "1e+20");
}

TEST_F(ZippedSheets, XlsxDateFormatsShowDateTimes) {
  const std::string styles =
      "<styleSheet><numFmts><numFmt numFmtId=\"164\" "
      "formatCode=\"yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;\"/>"
      "<numFmt numFmtId=\"165\" formatCode=\"0.00&quot;d&quot;\"/></numFmts>"
      "<cellStyleXfs><xf numFmtId=\"14\"/></cellStyleXfs>"
      "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/>"
      "<xf numFmtId=\"165\"/></cellXfs></styleSheet>";
  const std::string row =
      "<sheetData><row r=\"1\"><c r=\"A1\" s=\"1\"><v>46082</v></c>"
      "<c r=\"B1\" s=\"2\"><v>46082.37855324074</v></c>"
      "<c r=\"C1\" s=\"3\"><v>46082</v></c>"
      "<c r=\"D1\" s=\"0\"><v>46082</v></c></row></sheetData>";
  const SheetCells cells = Read(XlsxParts(row, "", styles));
  EXPECT_EQ(cells.Cell(1, 1), "2026年3月1日");
  EXPECT_EQ(cells.Cell(1, 2), "2026年3月1日9时5分7秒");
  EXPECT_EQ(cells.Cell(1, 3), "46082");  // "d" in quotes is no day
  EXPECT_EQ(cells.Cell(1, 4), "46082");
  // The 1904 date system counts from 1904-01-01.
  const SheetCells from1904 =
      Read(XlsxParts(row, "", styles, "<workbookPr date1904=\"1\"/>"));
  EXPECT_EQ(from1904.Cell(1, 1), "2030年3月2日");
}

TEST_F(ZippedSheets, XlsxCellsWithoutReferencesFollowTheirNeighbours) {
  const SheetCells cells = Read(XlsxParts(
      "<sheetData><row><c><v>1</v></c><c><v>2</v></c></row>"
      "<row><c r=\"C2\"><v>3</v></c><c><v>4</v></c></row></sheetData>"));
  EXPECT_EQ(cells.Cell(1, 1), "1");
  EXPECT_EQ(cells.Cell(1, 2), "2");
  EXPECT_EQ(cells.Cell(2, 3), "3");
  EXPECT_EQ(cells.Cell(2, 4), "4");
}

TEST_F(ZippedSheets, XlsxReadingStopsAfterTheAreasLastRow) {
  // Everything after row 3 is broken: the reader never gets there.
  const SheetCells cells = Read(
      XlsxParts("<sheetData><row r=\"3\"><c r=\"B3\" t=\"s\"><v>0</v></c>"
                "</row><row r=\"7\"><c r=\"B7\"><v>oops</v></c></row><row <<",
                "<sst><si><t>甲</t></si><si><t><broken"),
      SheetArea{3, 5, 2, 2});
  EXPECT_EQ(cells.Cell(3, 2), "甲");
}

TEST_F(ZippedSheets, XlsxDamageBeforeTheAreasEndIsReported) {
  const std::string path = dir_.File("broken.xlsx");
  ASSERT_TRUE(WriteZip(path, XlsxParts("<sheetData><row r=\"3\"><c <<")));
  SheetCells cells;
  std::string reason;
  EXPECT_FALSE(ReadSheet(path, SheetArea{3, 5, 2, 2}, &cells, &reason));
  EXPECT_EQ(reason, kSheetDamaged);
}

TEST_F(ZippedSheets, OdsRepeatedRowsAndColumnsAreHonoured) {
  const SheetCells cells = Read(OdsParts(
      "<table:table><table:table-header-rows><table:table-row>"
      "<table:table-cell table:number-columns-repeated=\"2\" "
      "office:value-type=\"string\"><text:p>同</text:p></table:table-cell>"
      "<table:covered-table-cell/><table:table-cell office:value-type="
      "\"float\" office:value=\"2.50\"><text:p>2.50 元</text:p>"
      "</table:table-cell></table:table-row></table:table-header-rows>"
      "<table:table-row table:number-rows-repeated=\"2\"><table:table-cell "
      "table:number-columns-repeated=\"1000\"/><table:table-cell><text:p>"
      "远</text:p></table:table-cell></table:table-row>"
      "<table:table-row><table:table-cell office:value-type=\"date\" "
      "office:date-value=\"2026-03-01T09:05:07\"><text:p>3/1</text:p>"
      "</table:table-cell><table:table-cell><text:p>a<text:s text:c=\"3\"/>b"
      "</text:p><text:p>c<text:span>d</text:span><office:annotation><text:p>"
      "批注</text:p></office:annotation></text:p></table:table-cell>"
      "</table:table-row></table:table>"
      "<table:table><table:table-row><table:table-cell><text:p>第二页</text:p>"
      "</table:table-cell></table:table-row></table:table>"));
  EXPECT_EQ(cells.Cell(1, 1), "同");
  EXPECT_EQ(cells.Cell(1, 2), "同");
  EXPECT_EQ(cells.Cell(1, 3), "");  // covered by a merged cell
  EXPECT_EQ(cells.Cell(1, 4), "2.5");
  EXPECT_EQ(cells.Cell(2, 1), "");
  EXPECT_EQ(cells.Cell(3, 4), "");  // column 1001 holds the text
  EXPECT_EQ(cells.Cell(4, 1), "2026年3月1日9时5分7秒");
  EXPECT_EQ(cells.Cell(4, 2), "a   b\ncd");
  EXPECT_EQ(cells.Cell(5, 1), "");  // the second table is no part of it
}

TEST_F(ZippedSheets, OdsRepeatedRowReachesIntoTheArea) {
  const SheetCells cells =
      Read(OdsParts("<table:table><table:table-row table:number-rows-repeated="
                    "\"4\"><table:table-cell/><table:table-cell><text:p>重"
                    "</text:p></table:table-cell></table:table-row>"
                    "<table:table-row><broken</table:table>"),
           SheetArea{3, 4, 2, 2});
  EXPECT_EQ(cells.Cell(3, 2), "重");
  EXPECT_EQ(cells.Cell(4, 2), "重");
}

}  // namespace
}  // namespace matslip
