// App/BuildStockList: the whole build of the main window's stock list (copy
// to data2.mzk, connect, low-stock marking) from a 100,000-material table.
// App/CopySubset: the seven-field copy alone, the build's first step, on the
// same table in the same run. The build should stay within 3x of the copy.
// App/ImportXlsx, App/ImportXls: the whole import of a 500-row spreadsheet
// (read, list, checks, the records added in one replacement of the table)
// into the same table, reported on their own.
// App/BuildSlip: the outbound slip of nine picked materials built in its
// table (texts, merges, formats, lines, total), reported on its own.
// App/OpenReport: a 本年进库 report in which all 100,000 materials are listed
// (qd.mzk written, then loaded into the workbook's table with its total
// row); App/SortReport: that result sorted on 规格型号 and loaded again;
// App/FindInReport: a find in the loaded result of a 规格型号 held by the
// last material only. Grid/ConnectProvider, the same rows of qd.mzk read
// into a table, is their measure: at most 2x, 2x and 0.5x of it.
// App/BuildPrintTable: the print table of a 10,000-record report (qd.mzk)
// built from the workbook's working table, every cell fitted into its
// column; Grid/ConnectProvider10k: the same 10,000 records read into a table
// through a DbProvider, as the workbook loads them, in the same run. The
// build should stay within 2x of the load. Its counter max_block_ms is the
// longest stretch (processor time) between two calls of the build's
// between-blocks hook: how long the user interface waits at most.
// App/Export: "&W.转为电子表格" of a 100,000-row, 7-field result table;
// Floor/WriteExportBytes: the same bytes written with one write, in the same
// run. The export should stay within 3x of it. Its counter max_block_ms is
// the longest stretch between two progress calls (the time the user
// interface waits for its events). Memory/Export/<rows>: its peak heap.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/dialogs.h"
#include "base/files.h"
#include "dbgrid/db_provider.h"
#include "grid/column_find.h"
#include "grid/data_src.h"
#include "grid/grid.h"
#include "heap_counter.h"
#include "material/material_table.h"
#include "reports/period_report.h"
#include "sheet_xlsx.h"
#include "stock/slip_table.h"
#include "stock/spreadsheet_import.h"
#include "stock/stock_list.h"
#include "stock/stock_out_state.h"
#include "store/db.h"
#include "store/format.h"
#include "store/table.h"
#include "workbook/print_table.h"
#include "workbook/result_loading.h"
#include "workbook/result_sort.h"
#include "workbook/spreadsheet_export.h"
#include "workbook/workbook_state.h"

namespace matslip {
namespace {

constexpr int kMaterials = 100000;
// Every material was received on this day (a day count, December 2025); the
// reports run later in the same year.
constexpr double kReceiptDay = 46000;
constexpr double kReportDay = 46010;
constexpr int kReportRecords = 10000;

// A program directory with a data.mzk of 100,000 materials, one in ten at or
// below its alarm quantity; made once per run under the folder name `name`
// and removed at exit.
class ProgramDir {
 public:
  explicit ProgramDir(const std::string& name) {
    dir_ = std::filesystem::temp_directory_path() /
           (name + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    SetDurableWrites(false);
    auto table = Table::Create(data(), Schema(material::Fields()));
    ok_ = table != nullptr;
    std::vector<Value> v(material::kFieldCount);
    for (int i = 0; ok_ && i < kMaterials; ++i) {
      double quantity = (i % 10 == 0) ? 5 : 100 + i % 900;
      double price = 1.25 + i % 400;
      v[material::kName - 1] = "钢芯铝绞线" + std::to_string(i % 50);
      v[material::kModel - 1] = "LGJ-" + std::to_string(i) + "/20";
      v[material::kUnit - 1] = "米";
      v[material::kQuantity - 1] = quantity;
      v[material::kPrice - 1] = price;
      v[material::kValue - 1] = quantity * price;
      v[material::kAlarm - 1] = 10.0;
      v[material::kInDate - 1] = Value::Date(kReceiptDay);
      v[material::kYearInQuantity - 1] = quantity;
      v[material::kYearInValue - 1] = quantity * price;
      ok_ = table->Append(v);
    }
  }
  ~ProgramDir() {
    DbCloseAll();
    std::filesystem::remove_all(dir_);
  }
  bool ok() const { return ok_; }
  std::string path() const { return dir_.string(); }
  std::string data() const { return (dir_ / "data.mzk").string(); }
  // A month's stock-out report of the first 10,000 materials, written on
  // first use.
  const std::string& report() {
    if (report_.empty() && ok_) {
      const std::string path = (dir_ / kResultFile).string();
      const std::vector<std::string> fields = {
          material::kFieldNames[material::kName - 1],
          material::kFieldNames[material::kModel - 1],
          material::kFieldNames[material::kUnit - 1],
          material::kFieldNames[material::kPrice - 1],
          material::kFieldNames[material::kMonthOutQuantity - 1],
          material::kFieldNames[material::kMonthOutValue - 1],
          material::kFieldNames[material::kOutDate - 1]};
      DbOpen(data(), "data");
      if (DbSelect("data") &&
          DbCopyTo(
              path, [] { return DbRecordNumber() <= kReportRecords; },
              fields)) {
        report_ = path;
      }
    }
    return report_;
  }

 private:
  std::filesystem::path dir_;
  bool ok_ = false;
  std::string report_;
};

ProgramDir& Dir() {
  static ProgramDir dir("app_bench_");
  return dir;
}

// The reports' own table, which the imports do not grow.
ProgramDir& ReportDir() {
  static ProgramDir dir("app_bench_report_");
  return dir;
}

void BuildList(benchmark::State& state) {
  if (!Dir().ok()) return state.SkipWithError("cannot write data.mzk");
  DataSrc table;
  DbProvider provider;
  Grid grid;
  int low = 0;
  for (auto _ : state) {
    low = BuildStockList(Dir().path(), {}, &table, &provider, &grid).low_count;
  }
  state.counters["rows"] = table.GetRowCount();
  state.counters["low"] = low;
}

void CopySubset(benchmark::State& state) {
  if (!Dir().ok()) return state.SkipWithError("cannot write data.mzk");
  DbOpen(Dir().data(), "data");
  DbSelect("data");
  const std::string target = Dir().path() + "/copy.mzk";
  for (auto _ : state) {
    if (!DbCopyTo(target, nullptr, material::StockListFields()))
      return state.SkipWithError("copy failed");
  }
}

void BuildNineLineSlip(benchmark::State& state) {
  const SlipTexts texts{"一号材料库", "线路检修", "运维一班", "10kV城西线改造",
                        "张明",       "李华",     "王强",     "赵丽",
                        "陈刚",       "刘洋"};
  StockOutState picked;
  for (int i = 0; i < kMaxSlipLines; ++i) {
    picked.selection.push_back({{"钢芯铝绞线", "LGJ-" + std::to_string(i)},
                                "米",
                                12.5 + i,
                                1000.0 + i,
                                0,
                                0});
  }
  DataSrc slip;
  Grid grid;
  for (auto _ : state) {
    StockOutState stock_out = picked;
    BuildSlip(texts, PrintInf{}, 46000.5, &stock_out, &slip, &grid);
  }
  state.counters["total"] = std::stod(slip.GetCellText(14, 6));
}

// The working table as the workbook window loads a report: field names,
// the records, a total row.
void LoadReport(const std::string& path, DataSrc* table) {
  DbProvider loader;
  loader.set_file_name(path);
  table->SetTableSize(1, 0);
  table->ConnectProvider(loader);
  table->AppendRows(1);
}

void ConnectReport10k(benchmark::State& state) {
  const std::string& report = Dir().report();
  if (report.empty()) return state.SkipWithError("cannot write qd.mzk");
  int rows = 0;
  for (auto _ : state) {
    DataSrc table;
    LoadReport(report, &table);
    rows = table.GetRowCount();
  }
  state.counters["rows"] = rows;
}

// The processor time this thread has used, in milliseconds: a stretch of
// the build measured so is the time it keeps the user interface waiting,
// whatever else the machine runs meanwhile.
double ThreadMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

void BuildReportPrintTable(benchmark::State& state) {
  const std::string& report = Dir().report();
  if (report.empty()) return state.SkipWithError("cannot write qd.mzk");
  DataSrc working;
  LoadReport(report, &working);
  double longest = 0;
  int rows = 0;
  for (auto _ : state) {
    DataSrc table;
    PrintInf print;
    double last = ThreadMilliseconds();
    auto block_done = [&] {
      const double now = ThreadMilliseconds();
      longest = std::max(longest, now - last);
      last = now;
    };
    if (!BuildPrintTable(report, working, 46000, &table, &print, block_done))
      return state.SkipWithError("not built");
    block_done();  // the stretch after the last block
    rows = table.GetRowCount();
  }
  state.counters["rows"] = rows;
  state.counters["max_block_ms"] = longest;
}

void Import(benchmark::State& state, const std::string& path) {
  if (!Dir().ok()) state.SkipWithError("no table");
  DataSrc list;
  StockOutState stock_out;
  for (auto _ : state) {
    std::string reason;
    int first_unread_row;
    if (!ReadImportSheet(path, &list, &first_unread_row, &reason)) {
      state.SkipWithError(reason.c_str());
      break;
    }
    const std::vector<ImportRow> rows = ImportRows(list);
    stock_out.selection.clear();
    for (const ImportRow& row : rows) stock_out.selection.push_back(row.entry);
    if (rows.size() != 500 || !UnstorableRows(rows).empty() ||
        !AddImportedMaterials(Dir().path(), stock_out.selection, 46000,
                              &reason)) {
      state.SkipWithError("not added");
      break;
    }
  }
}
void ImportXlsx(benchmark::State& state) { Import(state, MakeXlsx(500)); }
void ImportXls(benchmark::State& state) {
  Import(state, std::string(MATSLIP_BENCH_SHEETS) + "/materials-500.xls");
}

// Answers the find's input box with one text; shows nothing else.
class FindDialogs : public Dialogs {
 public:
  explicit FindDialogs(std::string text) : text_(std::move(text)) {}
  void Message(const std::string&, const std::string&, MessageIcon) override {
    ++messages;
  }
  bool Ask(const std::string&, const std::string&) override { return false; }
  bool InputText(const std::string&, const std::string&,
                 std::string* value) override {
    *value = text_;
    return true;
  }
  bool InputInteger(const std::string&, const std::string&, int*) override {
    return false;
  }
  bool ChooseFile(const FileDialogRequest&, std::string*) override {
    return false;
  }
  bool ChooseFont(FontChoice*) override { return false; }

  int messages = 0;

 private:
  std::string text_;
};

bool WriteYearReport() {
  return ReportDir().ok() &&
         WritePeriodReport(ReportDir().path(), PeriodReport::kYearIn,
                           kReportDay);
}

// The table is made and dropped inside the timing in each of these, as the
// workbook window's is.
void ConnectReport(benchmark::State& state) {
  if (!WriteYearReport()) return state.SkipWithError("no qd.mzk");
  DbProvider provider;
  provider.set_file_name(ReportDir().path() + "/qd.mzk");
  int rows = 0;
  for (auto _ : state) {
    auto table = std::make_unique<DataSrc>();
    if (!table->ConnectProvider(provider))
      return state.SkipWithError("ConnectProvider failed");
    rows = table->GetRowCount();
  }
  state.counters["rows"] = rows;
}

void OpenReport(benchmark::State& state) {
  if (!ReportDir().ok()) return state.SkipWithError("no table");
  WorkbookState workbook;
  DbProvider loader;
  int rows = 0;
  for (auto _ : state) {
    auto table = std::make_unique<DataSrc>();
    if (!WritePeriodReport(ReportDir().path(), PeriodReport::kYearIn,
                           kReportDay))
      return state.SkipWithError("report failed");
    LoadResultTable(ReportDir().path(), &workbook, table.get(), &loader);
    rows = table->GetRowCount();
  }
  // The header row, every material, the total row.
  if (rows != kMaterials + 2) state.SkipWithError("not every material listed");
  state.counters["rows"] = rows;
}

void SortReport(benchmark::State& state) {
  if (!WriteYearReport()) return state.SkipWithError("no qd.mzk");
  WorkbookState workbook;
  DbProvider loader;
  std::string first;
  for (auto _ : state) {
    auto table = std::make_unique<DataSrc>();
    if (!SortResultTable(ReportDir().path(),
                         material::kFieldNames[material::kModel - 1], true,
                         &workbook))
      return state.SkipWithError("sort failed");
    LoadResultTable(ReportDir().path(), &workbook, table.get(), &loader);
    first = table->GetCellText(2, 2);
  }
  // "LGJ-0/20" < "LGJ-1/20" < "LGJ-10/20" ...
  if (first != "LGJ-0/20") state.SkipWithError("not sorted");
}

void FindInReport(benchmark::State& state) {
  if (!WriteYearReport()) return state.SkipWithError("no qd.mzk");
  WorkbookState workbook;
  DbProvider loader;
  DataSrc table;
  LoadResultTable(ReportDir().path(), &workbook, &table, &loader);
  Grid grid;
  grid.SetDataSource(&table);
  const int last_material = table.GetRowCount() - 1;
  FindDialogs dialogs("lgj-" + std::to_string(kMaterials - 1) + "/");
  for (auto _ : state) {
    std::string caption = "&Y.查找";
    FindState find;
    grid.SetCursor(2, 2);
    RunFind(kWorkbookHitColour, &find, &caption, &table, &grid, dialogs);
    if (find.hits != std::vector<int>{last_material})
      return state.SkipWithError("not found in the last material's row");
  }
  state.counters["rows"] = table.GetRowCount();
}

// A 本月出库 result table of `rows` records in the program directory.
std::string ReportTable(int rows) {
  const std::string path = Dir().path() + "/qd" + std::to_string(rows) + ".mzk";
  if (FileExists(path)) return path;
  auto table = Table::Create(path, Schema({{"品名", fmt::kText, 64},
                                           {"规格型号", fmt::kText, 64},
                                           {"单位", fmt::kText, 16},
                                           {"单价", fmt::kDouble},
                                           {"本月出库数量", fmt::kDouble},
                                           {"本月出库金额", fmt::kDouble},
                                           {"出库日期", fmt::kDateTime}}));
  std::vector<Value> v(7);
  for (int i = 0; table && i < rows; ++i) {
    const double quantity = 1 + i % 300, price = 1.25 + i % 400;
    v[0] = "钢芯铝绞线" + std::to_string(i % 50);
    v[1] = "LGJ-" + std::to_string(i) + "/20";
    v[2] = "米";
    v[3] = price;
    v[4] = quantity;
    v[5] = quantity * price;
    v[6] = Value::Date(46082 + (i % 28) + (i % 86400) / 86400.0);
    if (!table->Append(v)) return "";
  }
  return table ? path : "";
}

std::string ExportTarget() { return Dir().path() + "/电子表格1.xls"; }

void Export(benchmark::State& state) {
  const std::string table = ReportTable(kMaterials);
  if (table.empty()) return state.SkipWithError("cannot write qd.mzk");
  double max_block_ms = 0;
  for (auto _ : state) {
    state.PauseTiming();
    RemoveFile(ExportTarget());
    state.ResumeTiming();
    auto last = std::chrono::steady_clock::now();
    const ExportOutcome outcome =
        ExportSpreadsheet(table, ExportTarget(), [&](int, int) {
          const auto now = std::chrono::steady_clock::now();
          max_block_ms = std::max(
              max_block_ms,
              std::chrono::duration<double, std::milli>(now - last).count());
          last = now;
          return true;
        });
    if (outcome != ExportOutcome::kWritten)
      return state.SkipWithError("export failed");
  }
  state.counters["max_block_ms"] = max_block_ms;
  state.counters["MB"] = std::filesystem::file_size(ExportTarget()) / 1e6;
}

// What the export writes, written again in one write into a new file.
void WriteExportBytes(benchmark::State& state) {
  const std::string table = ReportTable(kMaterials);
  std::string bytes;
  if (table.empty() ||
      ExportSpreadsheet(table, ExportTarget()) != ExportOutcome::kWritten ||
      !ReadFile(ExportTarget(), &bytes))
    return state.SkipWithError("cannot export qd.mzk");
  const std::string target = Dir().path() + "/floor.xls";
  for (auto _ : state) {
    state.PauseTiming();
    RemoveFile(target);
    state.ResumeTiming();
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::size_t done = 0;
    while (fd >= 0 && done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    if (fd < 0 || ::close(fd) != 0 || done != bytes.size())
      return state.SkipWithError("write failed");
  }
  state.counters["MB"] = bytes.size() / 1e6;
}

void MemoryExport(benchmark::State& state) {
  const std::string table = ReportTable(static_cast<int>(state.range(0)));
  if (table.empty()) return state.SkipWithError("cannot write qd.mzk");
  for (auto _ : state) {
    bench::StartHeapCount();
    if (ExportSpreadsheet(table, Dir().path() + "/memory.xls") !=
        ExportOutcome::kWritten)
      state.SkipWithError("export failed");
    state.counters["peak_KiB"] = bench::StopHeapCount() / 1024.0;
  }
}

BENCHMARK(BuildList)->Name("App/BuildStockList")->Unit(benchmark::kMillisecond);
BENCHMARK(ImportXlsx)->Name("App/ImportXlsx")->Unit(benchmark::kMillisecond);
BENCHMARK(ImportXls)->Name("App/ImportXls")->Unit(benchmark::kMillisecond);
BENCHMARK(CopySubset)->Name("App/CopySubset")->Unit(benchmark::kMillisecond);
BENCHMARK(ConnectReport)
    ->Name("Grid/ConnectProvider")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(OpenReport)->Name("App/OpenReport")->Unit(benchmark::kMillisecond);
BENCHMARK(SortReport)->Name("App/SortReport")->Unit(benchmark::kMillisecond);
BENCHMARK(FindInReport)
    ->Name("App/FindInReport")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ConnectReport10k)
    ->Name("Grid/ConnectProvider10k")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BuildReportPrintTable)
    ->Name("App/BuildPrintTable")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Export)->Name("App/Export")->Unit(benchmark::kMillisecond);
BENCHMARK(WriteExportBytes)
    ->Name("Floor/WriteExportBytes")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(MemoryExport)
    ->Name("Memory/Export")
    ->Arg(10000)
    ->Arg(kMaterials)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BuildNineLineSlip)
    ->Name("App/BuildSlip")
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace matslip

BENCHMARK_MAIN();
