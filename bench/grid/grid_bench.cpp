// Grid/ConnectProvider: a 100,000-record stock list (seven fields) read into
// a DataSrc through a DBProvider; reports the table's memory per cell.
// Grid/Paint100, Grid/Paint100k: one full view of the grid widget drawn
// offscreen, for a table of 100 rows and for one of 100,000 rows scrolled to
// the middle. The two should cost the same: only the rows in view are drawn.
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

#include "grid/data_src.h"
#include "grid/db_provider.h"
#include "grid/font_map_qt.h"
#include "grid/grid.h"
#include "grid/grid_widget.h"
#include "store/db.h"
#include "store/material_table.h"
#include "store/table.h"

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

void ConnectProvider(benchmark::State& state) {
  static const StockListFile file;
  if (!file.ok()) {
    state.SkipWithError("cannot write the stock-list file");
    return;
  }
  DBProvider provider;
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

void Paint100(benchmark::State& state) { Paint(state, 100); }
void Paint100k(benchmark::State& state) { Paint(state, 100000); }

BENCHMARK(ConnectProvider)
    ->Name("Grid/ConnectProvider")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(Paint100)->Name("Grid/Paint100")->Unit(benchmark::kMicrosecond);
BENCHMARK(Paint100k)->Name("Grid/Paint100k")->Unit(benchmark::kMicrosecond);

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
