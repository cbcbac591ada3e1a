// Hostile spreadsheets are refused with a message, without the reader
// taking more than 100 MB. The files are made here: a zip bomb, forged
// counts, a sheet claiming 2^31 rows, deep nesting, a 100 MB CSV line.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "sheet/peak_memory.h"
#include "sheet/sheet.h"
#include "sheet/zip_writer.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::OdsParts;
using testing::PeakGrowthKiB;
using testing::TempDir;
using testing::WriteTestFile;
using testing::WriteZip;
using testing::XlsxParts;

constexpr long kMemoryLimitKiB = 100 * 1024;
// AddressSanitizer keeps freed memory in quarantine and pads every block:
// the growth measured there says nothing about the reader.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryMeasured = false;
#else
constexpr bool kMemoryMeasured = true;
#endif

const SheetArea kImportArea{3, 502, 2, 8};

class HostileSheets : public ::testing::Test {
 protected:
  // Reads the file as the import does; the reason when refused, "" when
  // read. Also checks the memory the reading takes.
  std::string Refusal(const std::string& path) {
    SheetCells cells;
    std::string reason;
    const bool read = ReadSheet(path, kImportArea, &cells, &reason);
    if (kMemoryMeasured) {
      const long growth = PeakGrowthKiB([&] {
        SheetCells measured;
        std::string why;
        ReadSheet(path, kImportArea, &measured, &why);
      });
      EXPECT_GE(growth, 0);
      EXPECT_LT(growth, kMemoryLimitKiB) << "KiB over the test's own";
    }
    return read ? "" : reason;
  }

  TempDir dir_;
};

TEST_F(HostileSheets, ZipPartInflatingBeyond64MiBIsRefused) {
  // 70 MiB of comments before the rows, deflated to a few hundred KiB.
  // (One comment that long would break libxml2's limit on a text first.)
  const std::string path = dir_.File("bomb.xlsx");
  std::string comments;
  for (int i = 0; i < 70; ++i)
    comments += "<!--" + std::string(1 << 20, ' ') + "-->";
  ASSERT_TRUE(WriteZip(
      path, XlsxParts(comments +
                      "<sheetData><row r=\"3\"><c r=\"B3\" t=\"inlineStr\">"
                      "<is><t>甲</t></is></c></row></sheetData>")));
  EXPECT_EQ(Refusal(path), kSheetTooLarge);
}

TEST_F(HostileSheets, ZipHeaderUnderstatingThePartSizeDoesNotLiftTheLimit) {
  const std::string path = dir_.File("liar.xlsx");
  ASSERT_TRUE(
      WriteZip(path, XlsxParts("<!--" + std::string(70 << 20, ' ') + "-->")));
  // The sizes in the local header and the central directory claim 1000
  // bytes: the reader must count what it inflates.
  std::string bytes = testing::ReadTestFile(path);
  const std::string name = "xl/worksheets/sheet1.xml";
  int patched = 0;
  for (std::size_t at = bytes.find(name); at != std::string::npos;
       at = bytes.find(name, at + 1)) {
    // Local header: the size 4 bytes before the name's length fields end
    // (offset 22 from the header's start); the central one at offset 24.
    const bool central = bytes.compare(at - 46, 4, "PK\x01\x02") == 0;
    const bool local = bytes.compare(at - 30, 4, "PK\x03\x04") == 0;
    if (!central && !local) continue;
    const std::size_t size_at = central ? at - 46 + 24 : at - 30 + 22;
    bytes.replace(size_at, 4, std::string("\xE8\x03\0\0", 4));
    ++patched;
  }
  ASSERT_EQ(patched, 2);
  ASSERT_TRUE(WriteTestFile(path, bytes));
  const std::string reason = Refusal(path);
  EXPECT_TRUE(reason == kSheetTooLarge || reason == kSheetDamaged) << reason;
}

TEST_F(HostileSheets, SharedStringCountBeyondWhatItsPartHoldsIsRefused) {
  const std::string path = dir_.File("sst.xlsx");
  ASSERT_TRUE(WriteZip(
      path, XlsxParts("<sheetData><row r=\"3\"><c r=\"B3\" t=\"s\"><v>0</v>"
                      "</c></row></sheetData>",
                      "<sst count=\"2000000000\" uniqueCount=\"2000000000\">"
                      "<si><t>甲</t></si></sst>")));
  EXPECT_EQ(Refusal(path), kSheetDamaged);
}

TEST_F(HostileSheets, SharedStringIndexBeyondTheTableIsRefused) {
  const std::string path = dir_.File("index.xlsx");
  ASSERT_TRUE(WriteZip(
      path, XlsxParts("<sheetData><row r=\"3\"><c r=\"B3\" t=\"s\"><v>7</v>"
                      "</c></row></sheetData>",
                      "<sst count=\"1\" uniqueCount=\"1\"><si><t>甲</t></si>"
                      "</sst>")));
  EXPECT_EQ(Refusal(path), kSheetDamaged);
}

TEST_F(HostileSheets, DimensionOf2To31RowsIsRefused) {
  const std::string path = dir_.File("dimension.xlsx");
  ASSERT_TRUE(
      WriteZip(path, XlsxParts("<dimension ref=\"A1:H2147483648\"/><sheetData>"
                               "</sheetData>")));
  EXPECT_EQ(Refusal(path), kSheetTooLarge);
}

TEST_F(HostileSheets, RowNumberBeyondTheLastPossibleRowIsRefused) {
  const std::string path = dir_.File("row.xlsx");
  ASSERT_TRUE(WriteZip(
      path, XlsxParts("<sheetData><row r=\"2\"/><row r=\"2147483648\"><c "
                      "r=\"B2147483648\"><v>1</v></c></row></sheetData>")));
  // The row after row 2 is looked at even though the area ends at row 3.
  SheetCells cells;
  std::string reason;
  EXPECT_FALSE(ReadSheet(path, SheetArea{1, 3, 2, 2}, &cells, &reason));
  EXPECT_EQ(reason, kSheetTooLarge);
}

TEST_F(HostileSheets, OdsRowRepeated2To31TimesIsRefused) {
  const std::string path = dir_.File("repeat.ods");
  ASSERT_TRUE(
      WriteZip(path, OdsParts("<table:table><table:table-row "
                              "table:number-rows-repeated=\"2147483648\">"
                              "<table:table-cell table:number-columns-repeated="
                              "\"16384\"><text:p>甲</text:p></table:table-cell>"
                              "</table:table-row></table:table>")));
  EXPECT_EQ(Refusal(path), kSheetTooLarge);
}

TEST_F(HostileSheets, OdsColumnsRepeatedBeyondTheLastColumnAreRefused) {
  const std::string path = dir_.File("columns.ods");
  ASSERT_TRUE(WriteZip(
      path, OdsParts("<table:table><table:table-row><table:table-cell "
                     "table:number-columns-repeated=\"2147483647\"/>"
                     "<table:table-cell/></table:table-row></table:table>")));
  SheetCells cells;
  std::string reason;
  EXPECT_FALSE(ReadSheet(path, SheetArea{1, 3, 1, 3}, &cells, &reason));
  EXPECT_EQ(reason, kSheetTooLarge);
}

TEST_F(HostileSheets, DeeplyNestedXmlIsRefused) {
  std::string nested;
  for (int i = 0; i < 100000; ++i) nested += "<x>";
  const std::string path = dir_.File("deep.xlsx");
  ASSERT_TRUE(WriteZip(path, XlsxParts(nested)));
  EXPECT_EQ(Refusal(path), kSheetDamaged);
}

TEST_F(HostileSheets, EntityExpansionIsRefused) {
  // A billion laughs: ten levels of ten references each.
  std::string dtd = "<!DOCTYPE worksheet [<!ENTITY l0 \"ha\">";
  for (int i = 1; i < 10; ++i) {
    dtd += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) dtd += "&l" + std::to_string(i - 1) + ";";
    dtd += "\">";
  }
  dtd += "]>";
  std::vector<testing::ZipEntry> parts = XlsxParts(
      "<sheetData><row r=\"3\"><c r=\"B3\" t=\"inlineStr\"><is><t>&l9;</t>"
      "</is></c></row></sheetData>");
  parts[3].bytes = dtd + parts[3].bytes;
  const std::string path = dir_.File("laughs.xlsx");
  ASSERT_TRUE(WriteZip(path, parts));
  EXPECT_EQ(Refusal(path), kSheetDamaged);
}

TEST_F(HostileSheets, CsvLineOf100MBIsRefused) {
  const std::string path = dir_.File("long.csv");
  {
    std::ofstream out(path, std::ios::binary);
    out << "品名,规格型号\n\"";
    const std::string block(1 << 20, 'x');
    for (int i = 0; i < 100; ++i) out << block;
    out << "\",b\n";
    ASSERT_TRUE(out.good());
  }
  EXPECT_EQ(Refusal(path), kSheetTooLarge);
}

// The flat form of an OpenDocument spreadsheet, its namespaces declared.
std::string FlatOds(const std::string& body) {
  return "<?xml version=\"1.0\"?>" + body.substr(0, body.find('>')) +
         " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
         " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
         " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
         " office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"" +
         body.substr(body.find('>'));
}

TEST_F(HostileSheets, FlatOdsWithoutTableWithin64MiBIsRefused) {
  const std::string path = dir_.File("long.fods");
  {
    std::ofstream out(path, std::ios::binary);
    out << FlatOds("<office:document><office:body><office:spreadsheet>");
    // Many short comments: one that long would break libxml2's own limit.
    const std::string block = "<!--" + std::string(1000, 'x') + "-->";
    for (int i = 0; i < 70 * 1024; ++i) out << block;
    out << "<table:table><table:table-row><table:table-cell><text:p>甲"
           "</text:p></table:table-cell></table:table-row></table:table>"
           "</office:spreadsheet></office:body></office:document>";
    ASSERT_TRUE(out.good());
  }
  EXPECT_EQ(Refusal(path), kSheetTooLarge);
}

TEST_F(HostileSheets, FlatOdsRowRepeated2To31TimesIsRefused) {
  const std::string path = dir_.File("repeat.fods");
  ASSERT_TRUE(WriteTestFile(
      path, FlatOds("<office:document><office:body><office:spreadsheet>"
                    "<table:table><table:table-row "
                    "table:number-rows-repeated=\"2147483648\">"
                    "<table:table-cell><text:p>甲</text:p></table:table-cell>"
                    "</table:table-row></table:table></office:spreadsheet>"
                    "</office:body></office:document>")));
  EXPECT_EQ(Refusal(path), kSheetTooLarge);
}

TEST_F(HostileSheets, FlatOdsEntityExpansionIsRefused) {
  std::string dtd = "<!DOCTYPE office:document [<!ENTITY l0 \"ha\">";
  for (int i = 1; i < 10; ++i) {
    dtd += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) dtd += "&l" + std::to_string(i - 1) + ";";
    dtd += "\">";
  }
  dtd += "]>";
  std::string flat = FlatOds(
      "<office:document><office:body><office:spreadsheet>"
      "<table:table><table:table-row><table:table-cell><text:p>&l9;"
      "</text:p></table:table-cell></table:table-row></table:table>"
      "</office:spreadsheet></office:body></office:document>");
  flat.insert(flat.find("?>") + 2, dtd);
  const std::string path = dir_.File("laughs.fods");
  ASSERT_TRUE(WriteTestFile(path, flat));
  EXPECT_EQ(Refusal(path), kSheetDamaged);
}

TEST_F(HostileSheets, HtmlWithoutTableWithin64MiBIsRefused) {
  const std::string path = dir_.File("long.xls");
  {
    std::ofstream out(path, std::ios::binary);
    out << "<html><body><p>";
    const std::string block(1 << 20, 'x');
    for (int i = 0; i < 70; ++i) out << block;
    out << "</p><table><tr><td>甲</td></tr></table></body></html>";
    ASSERT_TRUE(out.good());
  }
  EXPECT_EQ(Refusal(path), kSheetTooLarge);
}

// The fixture with one record's fields overwritten where the record's
// header (type and length, little-endian) is first found.
std::string PatchedXls(const std::string& header, std::size_t offset,
                       const std::string& value) {
  std::string bytes = testing::ReadTestFile(std::string(MATSLIP_TEST_DATA) +
                                            "/sheets/materials.xls");
  const std::size_t at = bytes.find(header);
  if (at == std::string::npos) return {};
  bytes.replace(at + 4 + offset, value.size(), value);
  return bytes;
}

TEST_F(HostileSheets, XlsSheetDimensionBeyondTheCellLimitIsRefused) {
  // DIMENSION: rows 0..65536, columns 0..256 (16.7 million cells).
  std::string bytes = PatchedXls(std::string("\x00\x02\x0e\x00", 4), 4,
                                 std::string("\x00\x00\x01\x00", 4));
  ASSERT_FALSE(bytes.empty());
  bytes = bytes.replace(bytes.find(std::string("\x00\x02\x0e\x00", 4)) + 4 + 10,
                        2, std::string("\x00\x01", 2));
  const std::string path = dir_.File("dimension.xls");
  ASSERT_TRUE(WriteTestFile(path, bytes));
  EXPECT_EQ(Refusal(path), kSheetTooLarge);
}

TEST_F(HostileSheets, XlsStringTableCountBeyondTheFileIsRefused) {
  // SST: 2^31 - 1 strings in all and unique, in a file of 7.5 KB.
  const std::string path = dir_.File("sst.xls");
  const std::string bytes =
      PatchedXls(std::string("\xfc\x00", 2), 0,
                 std::string("\xff\xff\xff\x7f\xff\xff\xff\x7f", 8));
  ASSERT_FALSE(bytes.empty());
  ASSERT_TRUE(WriteTestFile(path, bytes));
  EXPECT_NE(Refusal(path), "");
}

TEST_F(HostileSheets, XlsOnWhichFreeXlAsksForAGigabyteIsRefused) {
  // A fuzzed workbook on which FreeXL allocates 1 GiB: its child process
  // may not take that much, so FreeXL reports too little memory.
  const std::string path = std::string(MATSLIP_FUZZ_REGRESSIONS) +
                           "/xls_fuzz/freexl-1gib-allocation";
  SheetCells cells;
  std::string reason;
  EXPECT_FALSE(ReadSheet(path, kImportArea, &cells, &reason));
  // Under AddressSanitizer the child has no limit; its allocator aborts.
  EXPECT_EQ(reason, kMemoryMeasured ? kSheetTooLarge : kSheetDamaged);
}

}  // namespace
}  // namespace matslip
