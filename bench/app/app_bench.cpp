// App/BuildStockList: the whole build of the main window's stock list (copy
// to data2.mzk, connect, low-stock marking) from a 100,000-material table.
// App/CopySubset: the seven-field copy alone, the build's first step, on the
// same table in the same run. The build should stay within 3x of the copy.
// App/ImportXlsx, App/ImportXls: the whole import of a 500-row spreadsheet
// (read, list, checks, the records added in one replacement of the table)
// into the same table, reported on their own.
// App/BuildSlip: the outbound slip of nine picked materials built in its
// table (texts, merges, formats, lines, total), reported on its own.
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
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/files.h"
#include "grid/data_src.h"
#include "grid/db_provider.h"
#include "grid/grid.h"
#include "heap_counter.h"
#include "sheet_xlsx.h"
#include "stock/slip_table.h"
#include "stock/spreadsheet_import.h"
#include "stock/stock_list.h"
#include "stock/stock_out_state.h"
#include "store/db.h"
#include "store/format.h"
#include "store/material_table.h"
#include "store/table.h"
#include "workbook/spreadsheet_export.h"

namespace matslip {
namespace {

constexpr int kMaterials = 100000;

// A program directory with a data.mzk of 100,000 materials, one in ten at or
// below its alarm quantity; made once per run and removed at exit.
class ProgramDir {
 public:
  ProgramDir() {
    dir_ = std::filesystem::temp_directory_path() /
           ("app_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    SetDurableWrites(false);
    auto table = Table::Create(data(), Schema(material::Fields()));
    ok_ = table != nullptr;
    std::vector<Value> v(material::kFieldCount);
    for (int i = 0; ok_ && i < kMaterials; ++i) {
      double quantity = (i % 10 == 0) ? 5 : 100 + i % 900;
      double price = 1.25 + i % 400;
      v[material::kName - 1] = "钢芯铝绞线" + std::to_string(i % 50);
      v[material::kSpec - 1] = "LGJ-" + std::to_string(i) + "/20";
      v[material::kUnit - 1] = "米";
      v[material::kQuantity - 1] = quantity;
      v[material::kPrice - 1] = price;
      v[material::kValue - 1] = quantity * price;
      v[material::kAlarm - 1] = 10.0;
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

 private:
  std::filesystem::path dir_;
  bool ok_ = false;
};

ProgramDir& Dir() {
  static ProgramDir dir;
  return dir;
}

void BuildList(benchmark::State& state) {
  if (!Dir().ok()) return state.SkipWithError("cannot write data.mzk");
  DataSrc table;
  DBProvider provider;
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

void Import(benchmark::State& state, const std::string& path) {
  if (!Dir().ok()) state.SkipWithError("no table");
  DataSrc list;
  StockOutState stock_out;
  for (auto _ : state) {
    std::string reason;
    if (!ReadImportSheet(path, &list, &reason)) {
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
