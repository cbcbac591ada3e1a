// Fuzzes one spreadsheet reader, chosen when the target is built
// (SHEET_FUZZ_READER: ReadXls, ReadZipSheet, ReadFlatOds, ReadHtml or
// ReadCsv): each
// input is written to a file and read as the import reads it, rows 1..502
// of columns A..H, so that the reader's limits and every cell's text are
// exercised.
//
// When the corpus folder is empty, LLVMFuzzerInitialize seeds it with the
// spreadsheet fixtures of the tests (those of other formats, too: they are
// refused quickly, and pieces of them make good material).
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz_corpus.h"
#include "sheet/csv_reader.h"
#include "sheet/html_reader.h"
#include "sheet/ods_reader.h"
#include "sheet/xls_reader.h"
#include "sheet/zip_sheet.h"

namespace {

using namespace matslip;

std::string& InputPath() {
  static std::string path;
  return path;
}

void Seed(const std::string& corpus) {
  for (const auto& entry :
       std::filesystem::directory_iterator(MATSLIP_SHEET_FIXTURES)) {
    std::filesystem::copy_file(entry.path(),
                               corpus + "/" + entry.path().filename().string());
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  InputPath() = fuzzing::MakeWorkDir("sheet-fuzz") + "/input";
  fuzzing::SeedEmptyCorpora(*argc, *argv, Seed);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  {
    std::ofstream out(InputPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data),
              static_cast<std::streamsize>(size));
    if (!out) abort();
  }
  SheetCells cells(SheetArea{1, 502, 1, 8});
  std::string reason;
  if (!SHEET_FUZZ_READER(InputPath(), &cells, &reason) && reason.empty())
    abort();  // every refusal tells the user why
  return 0;
}
