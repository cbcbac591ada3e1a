#pragma once
// The data the engine benchmarks work on: a seeded material table of
// plausible materials (names and models built from word lists,
// stock-in and stock-out logs of a few lines, one material in ten with
// about 2 KB of stock-in log), written both as an engine table and as a
// SQLite table "data" with the same columns (memo texts as TEXT, date-times
// as REAL day counts) and the same rows in the same order (rowid = record
// number).
#include <string>
#include <utility>
#include <vector>

namespace matslip::bench {

struct BenchTable {
  std::string table;   // the .mzk file; its .edt beside it
  std::string sqlite;  // the SQLite file
  int count = 0;
  // Keys (品名, 规格型号) of materials spread over the table.
  std::vector<std::pair<std::string, std::string>> keys;
};

// Writes `count` materials into `dir` (files named after the count); the
// same seed gives the same bytes. Aborts when a file cannot be written.
BenchTable MakeBenchTable(const std::string& dir, int count, int key_count);

// The SQLite column list for `names`: quoted, comma separated.
std::string SqliteColumns(const std::vector<std::string>& names);

}  // namespace matslip::bench
