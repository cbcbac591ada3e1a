// Fuzzes the grid file (.grd) reader. Each input is decoded into a fresh
// table; when the reader takes it, the table is written out again, that
// file read back and written once more: the two written files must be the
// same bytes, so whatever the reader accepts is saved and reopened intact.
//
// When the corpus folder is empty, LLVMFuzzerInitialize seeds it with grid
// files the program writes: a formatted, merged table with texts, and an
// empty one.
#include <stdlib.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include "fuzz_corpus.h"
#include "grid/data_src.h"
#include "grid/grid_file.h"

namespace {

using namespace matslip;

void Exercise(std::string_view bytes) {
  DataSrc first;
  if (!DecodeGridFile(bytes, &first)) return;
  std::string written;
  // A font name or text whose bytes were not GBK comes back with characters
  // GBK cannot hold: refusing to write those is the writer's contract.
  if (!EncodeGridFile(first, &written)) return;
  DataSrc second;
  if (!DecodeGridFile(written, &second)) abort();
  std::string rewritten;
  if (!EncodeGridFile(second, &rewritten) || rewritten != written) abort();
}

void WriteSeed(const std::string& path, const DataSrc& table) {
  std::string bytes;
  if (!EncodeGridFile(table, &bytes)) abort();
  std::ofstream(path, std::ios::binary) << bytes;
}

void Seed(const std::string& corpus) {
  DataSrc table;
  table.SetTableSize(3, 4);
  table.SetHeaderRows(1);
  table.SetHeaderColumns(1);
  table.SetRowHeights(1, 1, 90);
  table.SetColumnWidths(2, 2, 400);
  table.SetCellText(1, 1, "材料名称");
  table.SetCellText(2, 2, "钢芯铝绞线");
  table.SetCellText(3, 4, "31520.00");
  table.SetFontName({1, 1, 1, 4}, "宋体");
  table.SetFontSize({1, 1, 1, 4}, 85);
  table.SetTextColour({2, 1, 2, 4}, 0xFF);
  table.SetEdgeLines({1, 1, 3, 4});
  table.MergeCells({1, 2, 1, 2});
  WriteSeed(corpus + "/seed-formatted", table);
  WriteSeed(corpus + "/seed-empty", DataSrc());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzzing::SeedEmptyCorpora(*argc, *argv, Seed);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  Exercise(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
