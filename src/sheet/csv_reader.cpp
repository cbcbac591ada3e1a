#include "sheet/csv_reader.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "base/gbk.h"
#include "sheet/sheet_errors.h"
#include "sheet/shown_text.h"
#include "sheet/text_encoding.h"

namespace matslip {
namespace {

constexpr std::size_t kChunkBytes = 1 << 16;

class CsvParser {
 public:
  explicit CsvParser(SheetCells* cells) : cells_(cells) {}

  // Takes the next bytes; false once the area's rows are read or a line is
  // too long.
  bool Feed(std::string_view bytes);
  // The end of the file ends the last line.
  void Finish();

  bool too_long() const { return too_long_; }
  bool utf8() const { return utf8_; }

 private:
  void EndField();
  void EndLine();

  SheetCells* cells_;
  int row_ = 1, column_ = 1;
  bool quoted_ = false;      // inside a quoted field
  bool quote_seen_ = false;  // a quote inside it that may close it
  bool carriage_ = false;    // a CR that may start a CRLF
  bool field_started_ = false;
  std::string field_;
  std::string line_;  // the raw bytes of the line, for the encoding
  bool utf8_ = true, too_long_ = false, done_ = false;
};

bool CsvParser::Feed(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size() && !done_; ++i) {
    const char c = bytes[i];
    if (line_.size() >= kMaxCsvLineBytes) {
      too_long_ = done_ = true;
      break;
    }
    if (carriage_) {
      carriage_ = false;
      if (c == '\n') continue;
    }
    line_.push_back(c);
    if (quoted_) {
      if (quote_seen_) {
        quote_seen_ = false;
        if (c == '"') {
          field_.push_back('"');
          continue;
        }
        quoted_ = false;  // the quote closed the field; c is read below
      } else {
        if (c == '"')
          quote_seen_ = true;
        else
          field_.push_back(c);
        continue;
      }
    }
    if (c == ',') {
      EndField();
    } else if (c == '\n' || c == '\r') {
      line_.pop_back();
      EndLine();
      carriage_ = c == '\r';
    } else if (c == '"' && !field_started_) {
      quoted_ = field_started_ = true;
    } else {
      field_.push_back(c);
      field_started_ = true;
    }
  }
  return !done_;
}

void CsvParser::EndField() {
  if (cells_->Contains(row_, column_)) {
    field_.resize(std::min(field_.size(), kMaxCellBytes));
    cells_->Set(row_, column_, std::move(field_));
  }
  field_.clear();
  field_started_ = false;
  ++column_;
}

void CsvParser::EndLine() {
  EndField();
  utf8_ = utf8_ && IsUtf8(line_);
  line_.clear();
  column_ = 1;
  if (++row_ > cells_->area().last_row) done_ = true;
}

void CsvParser::Finish() {
  if (!done_ && (field_started_ || !line_.empty() || column_ > 1)) EndLine();
}

}  // namespace

bool ReadCsv(const std::string& path, SheetCells* cells, std::string* reason) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return SheetFailure(reason, kSheetCannotOpen);
  CsvParser parser(cells);
  std::vector<char> chunk(kChunkBytes);
  bool first = true, read_error = false;
  for (;;) {
    const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), file);
    if (n == 0) {
      read_error = std::ferror(file);
      parser.Finish();
      break;
    }
    std::string_view bytes(chunk.data(), n);
    if (first && bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    first = false;
    if (!parser.Feed(bytes)) break;
  }
  std::fclose(file);
  if (read_error) return SheetFailure(reason, kSheetCannotOpen);
  if (parser.too_long()) return SheetFailure(reason, kSheetTooLarge);
  const SheetArea& area = cells->area();
  for (int r = area.first_row; r <= area.last_row; ++r) {
    for (int c = area.first_column; c <= area.last_column; ++c) {
      std::string* cell = cells->Mutable(r, c);
      if (cell->empty()) continue;
      if (!parser.utf8()) *cell = GbkToUtf8(*cell);
      if (!area.IsTextColumn(c)) *cell = ShownText(*cell);
    }
  }
  return true;
}

}  // namespace matslip
