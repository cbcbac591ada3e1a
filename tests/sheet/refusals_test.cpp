// Files that are no readable spreadsheet are refused with the reason the
// user is shown.
#include <gtest/gtest.h>

#include <string>

#include "sheet/sheet.h"
#include "sheet/zip_writer.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::TempDir;
using testing::WriteTestFile;

const std::string kFixture =
    std::string(MATSLIP_TEST_DATA) + "/sheets/materials.xlsx";

class SheetRefusals : public ::testing::Test {
 protected:
  std::string Refusal(const std::string& path,
                      SheetArea area = SheetArea{3, 502, 2, 8}) {
    SheetCells cells;
    std::string reason;
    if (ReadSheet(path, area, &cells, &reason)) return "read";
    return reason;
  }
  std::string FileWith(const std::string& name, const std::string& bytes) {
    const std::string path = dir_.File(name);
    EXPECT_TRUE(WriteTestFile(path, bytes));
    return path;
  }

  TempDir dir_;
};

TEST_F(SheetRefusals, MissingFileCannotBeOpened) {
  EXPECT_EQ(Refusal(dir_.File("none.xls")), kSheetCannotOpen);
  EXPECT_EQ(Refusal(dir_.path()), kSheetCannotOpen);
}

TEST_F(SheetRefusals, EmptyFileIsAnEmptyWorkbook) {
  EXPECT_EQ(Refusal(FileWith("empty.xls", "")), kSheetEmptyWorkbook);
}

TEST_F(SheetRefusals, BinaryDataIsNoSpreadsheet) {
  EXPECT_EQ(Refusal(FileWith("picture.xls",
                             std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16))),
            kSheetNotSpreadsheet);
}

TEST_F(SheetRefusals, ZipOfAnotherKindIsNoSpreadsheet) {
  const std::string path = dir_.File("text.odt");
  ASSERT_TRUE(testing::WriteZip(
      path, {{"mimetype", "application/vnd.oasis.opendocument.text"},
             {"content.xml", "<office:document-content/>"}}));
  EXPECT_EQ(Refusal(path), kSheetNotSpreadsheet);
}

TEST_F(SheetRefusals, TruncatedWorkbookIsDamaged) {
  const std::string bytes = testing::ReadTestFile(kFixture);
  EXPECT_EQ(Refusal(FileWith("cut.xlsx", bytes.substr(0, bytes.size() / 2))),
            kSheetDamaged);
  const std::string xls = testing::ReadTestFile(std::string(MATSLIP_TEST_DATA) +
                                                "/sheets/materials.xls");
  EXPECT_EQ(Refusal(FileWith("cut.xls", xls.substr(0, 1024))), kSheetDamaged);
}

TEST_F(SheetRefusals, WorkbookWithoutSheetIsEmpty) {
  std::vector<testing::ZipEntry> parts = testing::XlsxParts("");
  parts[1].bytes = "<workbook><sheets/></workbook>";
  const std::string path = dir_.File("nosheet.xlsx");
  ASSERT_TRUE(testing::WriteZip(path, parts));
  EXPECT_EQ(Refusal(path), kSheetEmptyWorkbook);
  const std::string ods = dir_.File("nosheet.ods");
  ASSERT_TRUE(testing::WriteZip(ods, testing::OdsParts("")));
  EXPECT_EQ(Refusal(ods), kSheetEmptyWorkbook);
}

TEST_F(SheetRefusals, EncryptedOdsIsRefusedAsEncrypted) {
  std::vector<testing::ZipEntry> parts = testing::OdsParts("");
  parts[1].bytes = std::string("\x8b\x1f\x03\x99garbled", 11);
  parts.push_back({"META-INF/manifest.xml",
                   "<manifest:manifest><manifest:file-entry "
                   "manifest:full-path=\"content.xml\"><manifest:encryption-"
                   "data/></manifest:file-entry></manifest:manifest>"});
  const std::string path = dir_.File("secret.ods");
  ASSERT_TRUE(testing::WriteZip(path, parts));
  EXPECT_EQ(Refusal(path), kSheetEncrypted);
}

TEST_F(SheetRefusals, EncryptedZipEntryIsRefusedAsEncrypted) {
  std::vector<testing::ZipEntry> parts = testing::XlsxParts("<sheetData/>");
  parts[3].encrypted = true;
  const std::string path = dir_.File("secret.xlsx");
  if (!testing::WriteZip(path, parts))
    GTEST_SKIP() << "this libzip cannot write encrypted entries";
  EXPECT_EQ(Refusal(path), kSheetEncrypted);
}

TEST_F(SheetRefusals, PasswordProtectedXlsIsRefusedAsEncrypted) {
  // The workbook's CODEPAGE record turned into a FILEPASS record, the mark
  // of an encrypted workbook.
  std::string bytes = testing::ReadTestFile(std::string(MATSLIP_TEST_DATA) +
                                            "/sheets/materials.xls");
  const std::size_t at = bytes.find(std::string("\x42\x00\x02\x00", 4));
  ASSERT_NE(at, std::string::npos);
  bytes[at] = '\x2f';
  EXPECT_EQ(Refusal(FileWith("secret.xls", bytes)), kSheetEncrypted);
}

TEST_F(SheetRefusals, AreaBeyondTheCellLimitIsRefused) {
  EXPECT_EQ(Refusal(kFixture, SheetArea{1, 1 << 20, 1, 16384}),
            kSheetAreaTooLarge);
}

TEST_F(SheetRefusals, FlatDocumentOfAnotherKindIsNoSpreadsheet) {
  // A flat text document with a table in it.
  EXPECT_EQ(
      Refusal(FileWith(
          "text.fods",
          "<?xml version=\"1.0\"?><office:document "
          "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
          "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
          "office:mimetype=\"application/vnd.oasis.opendocument.text\">"
          "<office:body><office:text><table:table><table:table-row/>"
          "</table:table></office:text></office:body></office:document>")),
      kSheetNotSpreadsheet);
}

TEST_F(SheetRefusals, FlatSpreadsheetCutShortIsDamaged) {
  std::string bytes = testing::ReadTestFile(std::string(MATSLIP_TEST_DATA) +
                                            "/sheets/materials.fods");
  const std::size_t row3 = bytes.find("钢芯铝绞线");
  ASSERT_NE(row3, std::string::npos);
  bytes.resize(row3);
  EXPECT_EQ(Refusal(FileWith("cut.fods", bytes)), kSheetDamaged);
}

TEST_F(SheetRefusals, XmlSpreadsheetIsNoCsv) {
  EXPECT_EQ(Refusal(FileWith("book.xls",
                             "<?xml version=\"1.0\"?><Workbook></Workbook>")),
            kSheetNotSpreadsheet);
}

}  // namespace
}  // namespace matslip
