// Fuzzes the table reader with hostile file pairs. An input is a 4-byte
// little-endian split point followed by bytes: the first `split` bytes
// become the main file (.mzk), the rest the memo file (.edt). Each input is
// opened read-only (every field of every record read, memo texts included),
// checked with CheckTable, then opened for writing so that the repairs run,
// read again, given a memo append and a purge, copied and sorted (the copies
// checked), and checked once more: what the repairs leave behind must be as
// safe to read as the input.
//
// When the corpus folder is empty, LLVMFuzzerInitialize seeds it with small
// valid tables holding memo chains.
#include <stdlib.h>

#include <cstdint>
#include <string>

#include "base/files.h"
#include "fuzz_corpus.h"
#include "material/material_table.h"
#include "store/file_io.h"
#include "store/format.h"
#include "store/names.h"
#include "store/table.h"
#include "store/table_check.h"

namespace {

using namespace matslip;

const std::string* work_dir = nullptr;

const std::string& WorkDir() { return *work_dir; }

std::string TablePath() { return WorkDir() + "/t.mzk"; }

// Plain writes: no flushing, the files only live for one input.
void WriteWhole(const std::string& path, std::string_view bytes) {
  PosixFile f;
  if (!f.Create(path) || !f.WriteAt(0, bytes)) abort();
}

void ReadEverything(Table& t) {
  const int count = t.RecordCount();
  Value v;
  for (int k = 1; k <= count; ++k) {
    t.GoTo(k);
    for (int f = 0; f < t.schema().field_count(); ++f) t.Read(f, &v);
  }
}

void Exercise(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return;
  std::uint32_t split = static_cast<std::uint32_t>(GetI32(data));
  std::string_view rest(reinterpret_cast<const char*>(data) + 4, size - 4);
  split %= static_cast<std::uint32_t>(rest.size() + 1);
  const std::string path = TablePath();
  WriteWhole(path, rest.substr(0, split));
  WriteWhole(MemoPathOf(path), rest.substr(split));

  OpenOptions read_only;
  read_only.read_only = true;
  if (std::unique_ptr<Table> t = Table::Open(path, read_only)) {
    ReadEverything(*t);
  }
  CheckTable(path);
  if (std::unique_ptr<Table> t = Table::Open(path, OpenOptions{})) {
    ReadEverything(*t);
    if (t->First()) {
      for (int f = 0; f < t->schema().field_count(); ++f) {
        if (IsMemoType(t->schema().field(f).type))
          t->AppendMemo(f, Value::Text(std::string(600, 'z')));
      }
      t->DeleteCurrent();
      t->Purge();
    }
    // Whole copies take the memo file as it is; sorted ones in key order.
    const std::string copy = WorkDir() + "/copy.mzk";
    if (t->CopyTo(copy, nullptr, {})) CheckTable(copy);
    if (t->SortTo(copy, {{0, false}}, nullptr, {})) CheckTable(copy);
    if (t->CopyTo(copy, [] { return true; }, {})) CheckTable(copy);
    // The repair's copy of the damaged input; one per input would pile up.
    if (t->repair().repaired()) {
      CheckTable(t->repair().copy_path);
      RemoveFile(t->repair().copy_path);
      RemoveFile(MemoPathOf(t->repair().copy_path));
    }
  }
  CheckTable(path);
}

// The input that reproduces a table file pair.
std::string InputOf(const std::string& path) {
  std::string main, memo;
  ReadFile(path, &main);
  ReadFile(MemoPathOf(path), &memo);
  char split[4];
  PutI32(split, static_cast<std::int32_t>(main.size()));
  return std::string(split, 4) + main + memo;
}

// Two seeds: a three-field table whose memo chains span blocks and reuse a
// freed block, and a material table of two records.
void Seed(const std::string& corpus) {
  const std::string path = WorkDir() + "/seed.mzk";
  {
    std::unique_ptr<Table> t =
        Table::Create(path, Schema({{"品名", fmt::kText, 8, 0},
                                    {"数量", fmt::kDouble, 0, 0},
                                    {"记录", fmt::kMemo, 0, 0}}));
    if (!t) abort();
    t->Append({"甲", 1.0, "abc"});
    t->Append({"乙", 2.0, std::string(1200, 'y')});
    t->DeleteCurrent();
    t->Purge();
    t->Append({"丙", 3.0, std::string(700, 'w')});
    t->GoTo(1);
    t->AppendMemo(2, Value::Text(std::string(600, 'x')));
  }
  WriteWhole(corpus + "/seed-small", InputOf(path));
  {
    std::unique_ptr<Table> t = Table::Create(path, Schema(material::Fields()));
    t->Append({"钢芯铝绞线", "LGJ-95/20", "米", 3200.0, 9.85, 31520.0});
    t->AppendMemo(material::kInLog - 1,
                  Value::Text("数量 3200 单价 9.85 金额 31520\r\n"));
    t->Append({"横担", "∠63×6×1500", "根", 140.0, 112.0, 15680.0});
    t->AppendMemo(material::kOutLog - 1, Value::Text(std::string(520, 'o')));
  }
  WriteWhole(corpus + "/seed-material", InputOf(path));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  work_dir = &fuzzing::MakeWorkDir("table-fuzz");
  SetDurableWrites(false);
  fuzzing::SeedEmptyCorpora(*argc, *argv, Seed);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  Exercise(data, size);
  return 0;
}
