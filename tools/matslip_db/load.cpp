// matslip-db load FILE TSV [--force]: a new material table from a TSV of the
// dump form. The header line names material fields (any subset, any order;
// a "#" column is ignored); every line is checked before anything is
// written, and every bad cell is reported with its line number.
#include <algorithm>
#include <iostream>

#include "base/files.h"
#include "commands.h"
#include "field_text.h"
#include "material/material_table.h"
#include "material_writer.h"
#include "tsv.h"

namespace matslip::db_tool {

namespace {

constexpr int kIgnored = -1;  // the "#" column

// The lines of a text; a line break at the very end ends the last line
// rather than starting an empty one, and a CR before a line break is
// dropped (the dump writes CRs inside cells as \r).
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

class Loader {
 public:
  explicit Loader(const std::string& tsv_name) : tsv_name_(tsv_name) {}

  // Reads the header and the records; false when any line is bad.
  bool Read(std::string_view text) {
    std::vector<std::string_view> lines = SplitLines(text);
    if (lines.empty()) {
      Error(1, "no header line");
      return false;
    }
    if (!ReadHeader(lines[0])) return false;
    for (std::size_t i = 1; i < lines.size(); ++i)
      ReadRecord(static_cast<int>(i + 1), lines[i]);
    return errors_ == 0;
  }

  const std::vector<std::vector<Value>>& rows() const { return rows_; }

 private:
  void Error(int line, const std::string& message) {
    std::cerr << tsv_name_ << ':' << line << ": " << message << '\n';
    ++errors_;
  }

  bool ReadHeader(std::string_view line) {
    for (std::string_view cell : SplitCells(line)) {
      if (cell == "#") {
        columns_.push_back(kIgnored);
        continue;
      }
      int index = schema_.IndexOf(cell);
      if (index < 0) {
        Error(1, "\"" + std::string(cell) + "\" is not a material field");
      } else if (std::find(columns_.begin(), columns_.end(), index) !=
                 columns_.end()) {
        Error(1, "field \"" + std::string(cell) + "\" named twice");
      }
      columns_.push_back(index);
    }
    return errors_ == 0;
  }

  void ReadRecord(int line_number, std::string_view line) {
    std::vector<std::string_view> cells = SplitCells(line);
    if (cells.size() != columns_.size()) {
      Error(line_number, std::to_string(cells.size()) +
                             " columns, the header has " +
                             std::to_string(columns_.size()));
      return;
    }
    std::vector<Value> row(static_cast<std::size_t>(schema_.field_count()));
    for (std::size_t c = 0; c < cells.size(); ++c) {
      if (columns_[c] == kIgnored) continue;
      const FieldDef& f = schema_.field(columns_[c]);
      std::string why;
      if (!ParseFieldValue(f, cells[c], &row[std::size_t(columns_[c])], &why))
        Error(line_number, f.name + ": " + why);
    }
    rows_.push_back(std::move(row));
  }

  const std::string tsv_name_;
  const Schema schema_{material::Fields()};
  std::vector<int> columns_;  // field index per column, or kIgnored
  std::vector<std::vector<Value>> rows_;
  int errors_ = 0;
};

}  // namespace

int RunLoad(const Args& args) {
  const std::string& path = args[0];
  const std::string& tsv_path = args[1];
  const bool force = args.size() == 3;
  if (force && args[2] != "--force") return kExitUsage;
  if (FileExists(path) && !force) {
    std::cerr << "matslip-db: " << path
              << " exists; give --force to replace it\n";
    return kExitFailure;
  }
  std::string text;
  if (!ReadFile(tsv_path, &text)) {
    std::cerr << "matslip-db: " << tsv_path << ": cannot be read\n";
    return kExitFailure;
  }
  Loader loader(tsv_path);
  if (!loader.Read(text)) {
    std::cerr << "matslip-db: nothing written\n";
    return kExitFailure;
  }
  std::string why;
  if (!WriteMaterialTable(path, loader.rows(), &why)) {
    std::cerr << "matslip-db: " << why << '\n';
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace matslip::db_tool
