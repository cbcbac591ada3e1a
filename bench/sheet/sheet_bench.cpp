// Reading the import's area (rows 3..502, columns B..H) of material lists:
// 500 rows in .xlsx, .xls and .csv, and rows 3..502 of a 1,000,000-row
// .xlsx, which must cost about what the 500-row one costs. The .xlsx files
// are generated here as a spreadsheet program writes them (shared strings,
// one row element per row); the .xls and .csv were made once (README.md).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "sheet/sheet.h"
#include "sheet_xlsx.h"

namespace {

using namespace matslip;

const SheetArea kImportArea{3, 502, 2, 8};
const std::string kSheets = MATSLIP_BENCH_SHEETS;

void Read(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    SheetCells cells;
    std::string reason;
    if (!ReadSheet(path, kImportArea, &cells, &reason) ||
        cells.Cell(502, 2).empty()) {
      state.SkipWithError(("not read: " + reason).c_str());
      break;
    }
    benchmark::DoNotOptimize(cells);
  }
}

void BM_ReadXlsx500(benchmark::State& state) { Read(state, MakeXlsx(500)); }
void BM_ReadXlsx1M(benchmark::State& state) { Read(state, MakeXlsx(1000000)); }
void BM_ReadXls500(benchmark::State& state) {
  Read(state, kSheets + "/materials-500.xls");
}
void BM_ReadCsv500(benchmark::State& state) {
  Read(state, kSheets + "/materials-500.csv");
}

BENCHMARK(BM_ReadXlsx500)
    ->Name("Sheet/ReadXlsx500")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadXlsx1M)
    ->Name("Sheet/ReadXlsx1M")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadXls500)
    ->Name("Sheet/ReadXls500")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCsv500)
    ->Name("Sheet/ReadCsv500")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
