// Grid/ConnectProvider: a 100,000-record stock list (seven fields) read into
// a DataSrc through a DbProvider; reports the table's memory per cell.
// Grid/Paint100, Grid/Paint100k: one full view of the grid widget drawn
// offscreen, for a table of 100 rows and for one of 100,000 rows scrolled to
// the middle. The two should cost the same: only the rows in view are drawn.
// Workbook/ColumnSum, Workbook/SelectColumn: the workbook's column sum of
// the amounts of that 100,000-row table, and the selection of the whole
// column with its sum in the hover tip: each one pass over the texts.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dbgrid/db_provider.h"
#include "grid/data_src.h"
#include "grid/font_map_qt.h"
#include "grid/grid.h"
#include "grid/grid_widget.h"
#include "material/material_table.h"
#include "store/db.h"
#include "store/table.h"
#include "workbook/cell_sums.h"

namespace matslip {
namespace {

constexpr int kRecords = 100000;

// A folder holding qd.mzk, the seven-field stock list of 100,000 materials,
// made once per run and removed at exit.
class StockListFile {
 public:
  StockListFile() {
    dir_ = std::filesystem::temp_directory_path() /
           ("grid_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    SetDurableWrites(false);
    const std::string data = (dir_ / "data.mzk").string();
    ok_ = material::CreateEmptyTable(data) && Fill(data) &&
          DbOpen(data, "data") &&
          DbCopyTo(path(), nullptr, material::StockListFields());
    DbCloseAll();
  }
  ~StockListFile() { std::filesystem::remove_all(dir_); }
  bool ok() const { return ok_; }
  std::string path() const { return (dir_ / "qd.mzk").string(); }

 private:
  static bool Fill(const std::string& path) {
    const std::unique_ptr<Table> table = Table::Open(path, OpenOptions{});
    if (!table) return false;
    for (int i = 0; i < kRecords; ++i) {
      const double quantity = 100 + i % 900;
      const double price = 1.25 + i % 400;
      const std::vector<Value> values = {"钢芯铝绞线" + std::to_string(i % 50),
                                         "LGJ-" + std::to_string(i) + "/20",
                                         "米",
                                         quantity,
                                         price,
                                         quantity * price};
      if (!table->Append(values)) return false;
    }
    return true;
  }

  std::filesystem::path dir_;
  bool ok_ = false;
};

const StockListFile& TheStockListFile() {
  static const StockListFile file;
  return file;
}

void ConnectProvider(benchmark::State& state) {
  const StockListFile& file = TheStockListFile();
  if (!file.ok()) {
    state.SkipWithError("cannot write the stock-list file");
    return;
  }
  DbProvider provider;
  provider.set_file_name(file.path());
  std::size_t cells = 0;
  long long table_bytes = 0;
  for (auto _ : state) {
    const std::size_t before = mallinfo2().uordblks;
    auto table = std::make_unique<DataSrc>();
    if (!table->ConnectProvider(provider)) {
      state.SkipWithError("ConnectProvider failed");
      return;
    }
    table_bytes = static_cast<long long>(mallinfo2().uordblks) -
                  static_cast<long long>(before);
    cells = static_cast<std::size_t>(table->GetRowCount()) *
            static_cast<std::size_t>(table->GetColumnCount());
    benchmark::DoNotOptimize(table.get());
  }
  state.counters["cells"] = static_cast<double>(cells);
  state.counters["bytes_per_cell"] =
      cells > 0 ? static_cast<double>(table_bytes) / cells : 0;
}

// One view (1000 x 700 pixels) of a table of `rows` stock-list rows with
// one header row, scrolled to its middle.
void Paint(benchmark::State& state, int rows) {
  DataSrc table;
  table.SetTableSize(rows, 7);
  for (int c = 1; c <= 7; ++c)
    table.SetCellText(1, c, material::StockListFields()[c - 1]);
  for (int r = 2; r <= rows; ++r) {
    table.SetCellText(r, 1, "钢芯铝绞线");
    table.SetCellText(r, 2, "LGJ-" + std::to_string(r) + "/20");
    table.SetCellText(r, 3, "米");
    table.SetCellText(r, 4, std::to_string(r % 900));
    table.SetCellText(r, 5, "12.5");
  }
  table.SetEdgeLines({1, 1, rows, 7}, kEdgeAll, kLineThin);
  Grid grid;
  grid.SetDataSource(&table);
  GridWidget widget(&grid);
  widget.resize(1000, 700);
  widget.show();
  QApplication::processEvents();
  QScrollBar* bar = widget.verticalScrollBar();
  bar->setValue((bar->minimum() + bar->maximum()) / 2);
  QImage image(widget.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    widget.viewport()->render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["cells_painted"] = widget.last_painted_cells();
}

// The stock list read into `table`; false (the benchmark skipped) when it
// cannot be.
bool ReadStockList(benchmark::State& state, DataSrc* table) {
  DbProvider provider;
  provider.set_file_name(TheStockListFile().path());
  if (TheStockListFile().ok() && table->ConnectProvider(provider)) return true;
  state.SkipWithError("cannot read the stock-list file");
  return false;
}

constexpr int kAmountColumn = 6;

void ColumnSum(benchmark::State& state) {
  DataSrc table;
  if (!ReadStockList(state, &table)) return;
  for (auto _ : state)
    benchmark::DoNotOptimize(ColumnSumTip(table, kAmountColumn));
}

void SelectColumn(benchmark::State& state) {
  DataSrc table;
  if (!ReadStockList(state, &table)) return;
  Grid grid;
  grid.SetDataSource(&table);
  grid.events().selection_changed = [&] {
    grid.set_tip(SelectionSumTip(
        table, grid.GetCursorRow(), grid.GetCursorColumn(),
        grid.GetSelectedRowCount(), grid.GetSelectedColumnCount()));
  };
  for (auto _ : state) {
    grid.SetCursor(1, kAmountColumn);
    grid.SelectRange({1, kAmountColumn, table.GetRowCount(), 1});
    benchmark::DoNotOptimize(grid.tip().data());
  }
}

void Paint100(benchmark::State& state) { Paint(state, 100); }
void Paint100k(benchmark::State& state) { Paint(state, 100000); }

BENCHMARK(ConnectProvider)
    ->Name("Grid/ConnectProvider")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(Paint100)->Name("Grid/Paint100")->Unit(benchmark::kMicrosecond);
BENCHMARK(Paint100k)->Name("Grid/Paint100k")->Unit(benchmark::kMicrosecond);
BENCHMARK(ColumnSum)->Name("Workbook/ColumnSum")->Unit(benchmark::kMillisecond);
BENCHMARK(SelectColumn)
    ->Name("Workbook/SelectColumn")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace matslip

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  matslip::InstallFontSubstitutes();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
