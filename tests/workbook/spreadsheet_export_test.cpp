// "&W.转为电子表格": the names the export chooses, the bytes it writes for
// every field type, what readers of the page make of it, and the files it
// leaves (none) when it is cancelled or cannot write.
#include "workbook/spreadsheet_export.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "base/files.h"
#include "base/gbk.h"
#include "sheet/sheet.h"
#include "store/durability.h"
#include "store/format.h"
#include "store/table.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"
#include "workbook/worksheet_header.h"

namespace matslip {
namespace {

using Rows = std::vector<std::vector<Value>>;

const std::string kExpectedDir = std::string(MATSLIP_TEST_DATA) + "/export/";

// The fields of a 本月出库 result table.
std::vector<FieldDef> ReportFields() {
  return {{"品名", fmt::kText, 64},       {"规格型号", fmt::kText, 64},
          {"单位", fmt::kText, 16},       {"单价", fmt::kDouble},
          {"本月出库数量", fmt::kDouble}, {"本月出库金额", fmt::kDouble},
          {"出库日期", fmt::kDateTime}};
}

Rows ReportRows() {
  const double date = CivilToDate({2026, 3, 1, 9, 5, 7});
  return {{"钢芯铝绞线", "LGJ-95/20", "米", 9.85, 3200.0, 31520.0,
           Value::Date(date)},
          {"横担", "∠63×6×1500", "根", 112.0, 0.0, 0.0,
           Value::Date(CivilToDate({2026, 3, 2}))},
          {"电流互感器", "LMZJ1-0.5 800/5", "只", 260.5, 12.0, 3126.0,
           Value::Date(date)}};
}

std::string Gbk(const std::string& utf8) {
  std::string out;
  EXPECT_TRUE(Utf8ToGbk(utf8, &out)) << utf8;
  return out;
}

// The file's bytes after the header template, as UTF-8.
std::string AfterHeader(const std::string& bytes) {
  const std::string_view header = WorksheetHeader();
  EXPECT_EQ(bytes.compare(0, header.size(), header), 0);
  return GbkToUtf8(
      std::string_view(bytes).substr(std::min(bytes.size(), header.size())));
}

class SpreadsheetExportTest : public ::testing::Test {
 protected:
  SpreadsheetExportTest() { SetDurableWrites(false); }

  std::string MakeTable(const std::vector<FieldDef>& fields, const Rows& rows,
                        const std::string& name = "qd.mzk") {
    const std::string path = dir_.File(name);
    std::unique_ptr<Table> table = Table::Create(path, Schema(fields));
    EXPECT_TRUE(table);
    for (const auto& row : rows) EXPECT_TRUE(table && table->Append(row));
    return path;
  }
  std::string MakeReport(const Rows& rows = ReportRows()) {
    return MakeTable(ReportFields(), rows);
  }

  // The command with `typed` entered in the input box.
  ExportOutcome Run(const std::string& typed,
                    const ExportProgress& progress = nullptr) {
    dialogs_.inputs.push_back({true, typed});
    return RunSpreadsheetExport(dir_.path(), dir_.File("qd.mzk"), dialogs_,
                                progress);
  }

  // Exports `table` to out.xls; the bytes after the header, as UTF-8.
  std::string Body(const std::string& table) {
    EXPECT_EQ(ExportSpreadsheet(table, dir_.File("out.xls")),
              ExportOutcome::kWritten);
    return AfterHeader(testing::ReadTestFile(dir_.File("out.xls")));
  }

  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  testing::TempDir dir_;
  testing::FakeDialogs dialogs_;
};

TEST_F(SpreadsheetExportTest, AsksWithThePromptCaptionAndDefaultName) {
  MakeReport();
  ASSERT_EQ(Run("电子表格"), ExportOutcome::kWritten);
  ASSERT_GE(dialogs_.shown.size(), 2u);
  EXPECT_EQ(dialogs_.shown[0].kind, "input");
  EXPECT_EQ(
      dialogs_.shown[0].text,
      "电子表格文件将保存在本程序所在目录中,以下是系统默认的电子表格名称");
  EXPECT_EQ(dialogs_.shown[0].caption, "请输入:欲保存的电子表格名称 ");
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{"已转换电子表格"});
  EXPECT_EQ(dialogs_.shown[1].caption, kInfoCaption);
}

TEST_F(SpreadsheetExportTest, TheInputBoxStartsWithTheDefaultNameAndMayCancel) {
  MakeReport();
  dialogs_.inputs.push_back({false, ""});
  EXPECT_EQ(
      RunSpreadsheetExport(dir_.path(), dir_.File("qd.mzk"), dialogs_, nullptr),
      ExportOutcome::kCancelled);
  EXPECT_EQ(dialogs_.input_values, std::vector<std::string>{"电子表格"});
  EXPECT_TRUE(dialogs_.Messages().empty());
  EXPECT_EQ(Files(), std::vector<std::string>{"qd.mzk"});
}

TEST_F(SpreadsheetExportTest, FirstAndSecondExportsAreNumberedOneAndTwo) {
  MakeReport();
  ASSERT_EQ(Run("电子表格"), ExportOutcome::kWritten);
  ASSERT_EQ(Run("电子表格"), ExportOutcome::kWritten);
  EXPECT_EQ(Files(), (std::vector<std::string>{"qd.mzk", "电子表格1.xls",
                                               "电子表格2.xls"}));
  EXPECT_EQ(testing::ReadTestFile(dir_.File("电子表格1.xls")),
            testing::ReadTestFile(dir_.File("电子表格2.xls")));
}

TEST_F(SpreadsheetExportTest, ATypedXlsNameGetsASecondExtension) {
  MakeReport();
  ASSERT_EQ(Run("报表.xls"), ExportOutcome::kWritten);
  EXPECT_TRUE(FileExists(dir_.File("报表.xls1.xls")));
}

TEST_F(SpreadsheetExportTest, AFreeNumberIsFoundPastTakenOnes) {
  for (const char* taken : {"表1.xls", "表2.xls", "表4.xls"})
    ASSERT_TRUE(testing::WriteTestFile(dir_.File(taken), "x"));
  EXPECT_EQ(ExportFilePath(dir_.path(), "表"), dir_.File("表3.xls"));
}

TEST_F(SpreadsheetExportTest, WhenAllThousandNamesAreTakenTheNameIsUsedAsIs) {
  for (int i = 1; i <= 1000; ++i)
    ASSERT_TRUE(testing::WriteTestFile(
        dir_.File("表" + std::to_string(i) + ".xls"), ""));
  EXPECT_EQ(ExportFilePath(dir_.path(), "表"), dir_.File("表"));
  ASSERT_TRUE(RemoveFile(dir_.File("表1000.xls")));
  EXPECT_EQ(ExportFilePath(dir_.path(), "表"), dir_.File("表1000.xls"));
}

TEST_F(SpreadsheetExportTest, PathPartsInTheNameStayInTheProgramDirectory) {
  EXPECT_EQ(ExportFilePath(dir_.path(), "../上级/表"),
            dir_.File("..／上级／表1.xls"));
  EXPECT_EQ(ExportFilePath(dir_.path(), "a\\b:c"), dir_.File("a＼b：c1.xls"));
  EXPECT_EQ(ExportFilePath(dir_.path(), "/tmp/x"), dir_.File("／tmp／x1.xls"));
  // "..", which every number would turn into a harmless name, is mapped
  // too: with all numbers taken the bare name must not be the parent.
  for (int i = 1; i <= 1000; ++i)
    ASSERT_TRUE(testing::WriteTestFile(
        dir_.File("．．" + std::to_string(i) + ".xls"), ""));
  EXPECT_EQ(ExportFilePath(dir_.path(), ".."), dir_.File("．．"));
}

TEST_F(SpreadsheetExportTest, TheFileGoesToTheProgramDirectoryNotTheCurrent) {
  MakeReport();
  testing::TempDir elsewhere;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(elsewhere.path());
  const ExportOutcome outcome = Run("电子表格");
  std::filesystem::current_path(before);
  ASSERT_EQ(outcome, ExportOutcome::kWritten);
  EXPECT_TRUE(FileExists(dir_.File("电子表格1.xls")));
  EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));
}

TEST_F(SpreadsheetExportTest, NoRecordsGiveTheTitleRowOnly) {
  EXPECT_EQ(
      Body(MakeReport({})),
      "7 style='width:54pt'>\r\n"
      "\r\n"
      " <tr height=21 style='mso-height-source:userset;height:15.75pt'>\r\n"
      "  <td height=21 width=72 style='height:15.75pt;width:54pt'>品名</td>\r\n"
      "  <td width=72 style='width:54pt'>规格型号</td>\r\n"
      "  <td width=72 style='width:54pt'>单位</td>\r\n"
      "  <td width=72 style='width:54pt'>单价</td>\r\n"
      "  <td width=72 style='width:54pt'>本月出库数量</td>\r\n"
      "  <td width=72 style='width:54pt'>本月出库金额</td>\r\n"
      "  <td width=72 style='width:54pt'>出库日期</td>\r\n"
      " </tr>\r\n"
      "</table>\r\n"
      "</body>\r\n"
      "</html>\r\n");
}

TEST_F(SpreadsheetExportTest, NumbersAreRightAlignedNumbersEvenWhenZero) {
  const std::string body = Body(MakeTable(
      {{"数量", fmt::kDouble}, {"金额", fmt::kDouble}}, {{0.0, 12.5}}));
  EXPECT_NE(body.find(" <tr height=21 style='height:15.75pt'>\r\n"
                      "  <td height=21 class=xl24 align=right "
                      "style='height:15.75pt' x:num>0</td>\r\n"
                      "  <td class=xl24 align=right x:num>12.5</td>\r\n"
                      " </tr>\r\n"),
            std::string::npos)
      << body;
}

TEST_F(SpreadsheetExportTest, CellOpeningsFollowTheFieldTypeNotTheContent) {
  const std::vector<FieldDef> fields = {
      {"字节", fmt::kByte},     {"短整", fmt::kShort},
      {"整数", fmt::kInt},      {"长整", fmt::kLong},
      {"单精", fmt::kSingle},   {"双精", fmt::kDouble},
      {"逻辑", fmt::kBoolean},  {"日期", fmt::kDateTime},
      {"四字节", fmt::kValue4}, {"文本", fmt::kText, 8},
      {"二进制", fmt::kBinary}, {"备注", fmt::kMemo}};
  const Rows rows = {
      {Value::Integer(7), Value::Integer(-2), Value::Integer(40000),
       Value::Integer(5000000000), Value::Single(0.5f), 2.25,
       Value::Boolean(true), Value::Date(CivilToDate({2013, 9, 10})),
       Value::Integer(9), "123", Value::Binary("ab"), "备注文字"}};
  const std::string body = Body(MakeTable(fields, rows));
  const std::string number = "  <td class=xl24 align=right x:num>";
  const std::string text = "  <td class=xl24>";
  const std::string expected =
      " <tr height=21 style='height:15.75pt'>\r\n"
      "  <td height=21 class=xl24 align=right style='height:15.75pt' "
      "x:num>7</td>\r\n" +
      number + "-2</td>\r\n" + number + "40000</td>\r\n" + number +
      "5000000000</td>\r\n" + number + "0.5</td>\r\n" + number +
      "2.25</td>\r\n" + text + "1</td>\r\n" + text + "2013年9月10日</td>\r\n" +
      number + "9</td>\r\n" + text + "123</td>\r\n" + text + "ab</td>\r\n" +
      text + "备注文字</td>\r\n" + " </tr>\r\n";
  EXPECT_NE(body.find(expected), std::string::npos) << body;

  // A text field first in the row gets the first-cell text opening.
  const std::string first_text = Body(MakeTable(
      {{"文本", fmt::kText, 8}, {"数", fmt::kDouble}}, {{"9", 1.0}}, "t.mzk"));
  EXPECT_NE(first_text.find(
                "  <td height=21 class=xl24 style='height:15.75pt'>9</td>\r\n"
                "  <td class=xl24 align=right x:num>1</td>\r\n"),
            std::string::npos)
      << first_text;
}

TEST_F(SpreadsheetExportTest, TheHeaderTemplateHasItsLinesAndEndsInTheColSpan) {
  const std::string_view header = WorksheetHeader();
  int lines = 1;
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (header[i] != '\n') continue;
    ++lines;
    ASSERT_GT(i, 0u);
    EXPECT_EQ(header[i - 1], '\r') << "bare LF at byte " << i;
  }
  EXPECT_EQ(lines, 149);
  EXPECT_TRUE(header.ends_with("\r\n <col width=72 span="));
  EXPECT_NE(header.find(Gbk("font-family:宋体;")), std::string_view::npos);
  EXPECT_NE(header.find("charset=GB2312"), std::string_view::npos);
}

TEST_F(SpreadsheetExportTest, ASmallExportHasExactlyTheExpectedBytes) {
  const std::string table = MakeReport();
  ASSERT_EQ(ExportSpreadsheet(table, dir_.File("out.xls")),
            ExportOutcome::kWritten);
  EXPECT_EQ(testing::ReadTestFile(dir_.File("out.xls")),
            testing::ReadTestFile(kExpectedDir + "report-3-rows.xls"));
}

TEST_F(SpreadsheetExportTest, MarkupCharactersAreEscaped) {
  const std::string body =
      Body(MakeTable({{"<名&称>", fmt::kText, 32}, {"规格", fmt::kMemo}},
                     {{"<A&B>", "it's \"10\" </td>"}}));
  EXPECT_NE(body.find(">&lt;名&amp;称&gt;</td>"), std::string::npos) << body;
  EXPECT_NE(body.find(">&lt;A&amp;B&gt;</td>"), std::string::npos) << body;
  EXPECT_NE(body.find(">it&#39;s &quot;10&quot; &lt;/td&gt;</td>"),
            std::string::npos)
      << body;
  EXPECT_EQ(body.find("<A&B>"), std::string::npos);
}

TEST_F(SpreadsheetExportTest, AnHtmlParserReadsBackTheSameTexts) {
  Rows rows = ReportRows();
  rows.push_back(
      {"<A&B> 'x'", "10kV \"3×240\"", "套", 0.1, 0.0, 1e15, Value::Date(0)});
  const std::string table = MakeReport(rows);
  ASSERT_EQ(ExportSpreadsheet(table, dir_.File("out.xls")),
            ExportOutcome::kWritten);
  SheetCells cells;
  std::string reason;
  ASSERT_TRUE(
      ReadSheet(dir_.File("out.xls"), SheetArea{1, 6, 1, 8}, &cells, &reason))
      << reason;
  auto source = Table::Open(table, OpenOptions{});
  ASSERT_TRUE(source);
  for (int column = 1; column <= 7; ++column)
    EXPECT_EQ(cells.Cell(1, column), source->schema().field(column - 1).name);
  for (int row = 2; row <= 5; ++row) {
    ASSERT_TRUE(source->GoTo(row - 1));
    for (int column = 1; column <= 7; ++column) {
      Value value;
      ASSERT_TRUE(source->Read(column - 1, &value));
      EXPECT_EQ(cells.Cell(row, column), value.ToText())
          << "row " << row << ", column " << column;
    }
    EXPECT_EQ(cells.Cell(row, 8), "");
  }
  EXPECT_EQ(cells.Cell(5, 1), "<A&B> 'x'");
  for (int column = 1; column <= 8; ++column)
    EXPECT_EQ(cells.Cell(6, column), "");
}

TEST_F(SpreadsheetExportTest, ProgressCountsRecordsInBlocksUpToTheTotal) {
  Rows rows(kExportBlockRows * 2 + 500,
            {"料", "型", "个", 1.0, 2.0, 2.0, Value::Date(0)});
  const std::string table = MakeReport(rows);
  std::vector<std::pair<int, int>> calls;
  ASSERT_EQ(ExportSpreadsheet(table, dir_.File("out.xls"),
                              [&](int done, int total) {
                                calls.push_back({done, total});
                                return true;
                              }),
            ExportOutcome::kWritten);
  const int total = static_cast<int>(rows.size());
  EXPECT_EQ(calls,
            (std::vector<std::pair<int, int>>{{0, total},
                                              {kExportBlockRows, total},
                                              {2 * kExportBlockRows, total},
                                              {total, total}}));
  const std::string bytes = testing::ReadTestFile(dir_.File("out.xls"));
  std::size_t row_count = 0;
  for (std::size_t at = 0;
       (at = bytes.find("<tr height=21 style='height:15.75pt'>", at)) !=
       std::string::npos;
       ++at)
    ++row_count;
  EXPECT_EQ(row_count, rows.size());
  EXPECT_TRUE(bytes.ends_with("</table>\r\n</body>\r\n</html>\r\n"));
}

TEST_F(SpreadsheetExportTest, ACancelledExportLeavesNoFile) {
  const std::string table = MakeReport(Rows(
      kExportBlockRows * 3, {"料", "型", "个", 1.0, 2.0, 2.0, Value::Date(0)}));
  for (int cancel_at : {0, 1, 3}) {
    int calls = 0;
    EXPECT_EQ(ExportSpreadsheet(table, dir_.File("out.xls"),
                                [&](int, int) { return calls++ < cancel_at; }),
              ExportOutcome::kCancelled)
        << cancel_at;
    EXPECT_EQ(calls, cancel_at + 1);
    EXPECT_FALSE(FileExists(dir_.File("out.xls"))) << cancel_at;
  }
  // Through the command: no file, no message.
  int calls = 0;
  EXPECT_EQ(Run("电子表格", [&](int, int) { return calls++ < 2; }),
            ExportOutcome::kCancelled);
  EXPECT_TRUE(dialogs_.Messages().empty());
  EXPECT_EQ(Files(), std::vector<std::string>{"qd.mzk"});
}

TEST_F(SpreadsheetExportTest, ATargetThatIsAFolderIsReportedAndKept) {
  MakeReport();
  ASSERT_TRUE(CreateDirectory(dir_.File("out.xls")));
  std::string why;
  EXPECT_EQ(ExportSpreadsheet(dir_.File("qd.mzk"), dir_.File("out.xls"),
                              nullptr, &why),
            ExportOutcome::kWriteFailed);
  EXPECT_NE(why.find(kExportWriteFailed), std::string::npos);
  EXPECT_NE(why.find(dir_.File("out.xls")), std::string::npos);
  EXPECT_TRUE(DirectoryExists(dir_.File("out.xls")));
}

// Files may not grow past a few KiB while it lives: every write beyond that
// fails as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit saved_;
  sighandler_t old_handler_;
};

TEST_F(SpreadsheetExportTest, AWriteErrorIsReportedNamingTheFileAndLeavesNone) {
  MakeReport(Rows(kExportBlockRows * 2,
                  {"料", "型", "个", 1.0, 2.0, 2.0, Value::Date(0)}));
  ExportOutcome outcome;
  {
    FileSizeLimit limit(64 * 1024);
    outcome = Run("电子表格");
  }
  EXPECT_EQ(outcome, ExportOutcome::kWriteFailed);
  ASSERT_EQ(dialogs_.Messages().size(), 1u);
  EXPECT_NE(dialogs_.Messages()[0].find(kExportWriteFailed), std::string::npos);
  EXPECT_NE(dialogs_.Messages()[0].find(dir_.File("电子表格1.xls")),
            std::string::npos);
  EXPECT_EQ(Files(), std::vector<std::string>{"qd.mzk"});
}

TEST_F(SpreadsheetExportTest, AResultThatCannotBeOpenedRemovesTheTarget) {
  ASSERT_TRUE(testing::WriteTestFile(dir_.File("qd.mzk"), "not a table"));
  ASSERT_TRUE(testing::WriteTestFile(dir_.File("out.xls"), "old"));
  EXPECT_EQ(ExportSpreadsheet(dir_.File("qd.mzk"), dir_.File("out.xls")),
            ExportOutcome::kNoTable);
  EXPECT_FALSE(FileExists(dir_.File("out.xls")));
  EXPECT_EQ(ExportSpreadsheet(dir_.File("missing.mzk"), dir_.File("out.xls")),
            ExportOutcome::kNoTable);
}

// Reads `path` with LibreOffice into CSV, texts quoted, numbers bare: the
// lines of the result, or nothing when LibreOffice is not installed.
std::vector<std::string> CsvByLibreOffice(const std::string& path,
                                          const std::string& work) {
  const std::string command =
      "soffice -env:UserInstallation=file://" + work +
      "/profile --headless --convert-to "
      "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true' --outdir '" +
      work + "/csv' '" + path + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return {};
  const std::string csv = testing::ReadTestFile(work + "/csv/out.csv");
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t at; (at = csv.find('\n', from)) != std::string::npos;
       from = at + 1) {
    std::string line = csv.substr(from, at - from);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

TEST_F(SpreadsheetExportTest, LibreOfficeReadsNumbersAsNumbersAndTextsIntact) {
  if (std::system("command -v soffice >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  Rows rows = ReportRows();
  rows.push_back({"<A&B>", "", "套", 0.1, 0.0, 0.0, Value::Date(0)});
  ASSERT_EQ(ExportSpreadsheet(MakeReport(rows), dir_.File("out.xls")),
            ExportOutcome::kWritten);
  const std::vector<std::string> lines =
      CsvByLibreOffice(dir_.File("out.xls"), dir_.path());
  ASSERT_FALSE(lines.empty()) << "soffice could not convert the export";
  EXPECT_EQ(lines,
            (std::vector<std::string>{
                "\"品名\",\"规格型号\",\"单位\",\"单价\",\"本月出库数量\","
                "\"本月出库金额\",\"出库日期\"",
                "\"钢芯铝绞线\",\"LGJ-95/20\",\"米\",9.85,3200,31520,"
                "\"2026年3月1日9时5分7秒\"",
                "\"横担\",\"∠63×6×1500\",\"根\",112,0,0,\"2026年3月2日\"",
                "\"电流互感器\",\"LMZJ1-0.5 800/5\",\"只\",260.5,12,3126,"
                "\"2026年3月1日9时5分7秒\"",
                "\"<A&B>\",,\"套\",0.1,0,0,"}));
}

// The material list of tests/data/sheets written by this export, for the
// import tests: the file there must stay what the export writes.
TEST_F(SpreadsheetExportTest, TheMaterialListFixtureIsThisExportsOutput) {
  const std::vector<FieldDef> fields = {
      {"序号", fmt::kText, 4},      {"品名", fmt::kText, 64},
      {"规格型号", fmt::kText, 64}, {"单位", fmt::kText, 16},
      {"数量", fmt::kDouble},       {"单价", fmt::kDouble},
      {"金额", fmt::kDouble},       {"报警数量", fmt::kDouble}};
  // Record 1 stands for the heading row the import skips with the titles.
  const Rows rows = {
      {"", "材料清单", "", "", 0.0, 0.0, 0.0, 0.0},
      {"1", "钢芯铝绞线", "LGJ-95/20", "米", 3200.0, 9.85, 31520.0, 500.0},
      {"2", "横担", "∠63×6×1500", "根", 140.0, 112.0, 15680.0, 20.0},
      {"3", "电流互感器", "LMZJ1-0.5 800/5", "只", 12.0, 260.5, 3126.0, 2.0},
      {"4", "绝缘子", "XP-70", "片", 0.0, 23.4, 0.0, 100.0},
      {"5", "螺栓", "M16×200, 热镀锌", "套", 1000.0, 0.1, 100.0, 0.0},
      {"6", "电缆终端头", "10kV \"3×240\"", "套", 6.0, 2.5, 15.0, 1.0},
      {"7", "接地线", "TJ-25", "千克", 45.5, 30.0, 1365.0, 10.0},
      {"8", "避雷器", "HY5WS-17/50", "只", 30.0, 86.0, 2580.0, 5.0}};
  ASSERT_EQ(ExportSpreadsheet(MakeTable(fields, rows), dir_.File("out.xls")),
            ExportOutcome::kWritten);
  EXPECT_EQ(testing::ReadTestFile(dir_.File("out.xls")),
            testing::ReadTestFile(std::string(MATSLIP_TEST_DATA) +
                                  "/sheets/materials-export.xls"));
}

}  // namespace
}  // namespace matslip
