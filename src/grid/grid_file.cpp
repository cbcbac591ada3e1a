#include "grid/grid_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "base/byte_order.h"
#include "base/files.h"
#include "base/gbk.h"
#include "grid/data_src.h"

namespace matslip {
namespace {

// The smallest cell record: every fixed field, no font name, no content.
constexpr std::uint64_t kMinCellRecordSize = 4 + 4 + 4 + 2 + 2 + 4 + 4;
constexpr int kMaxFontNameLength = 31;
constexpr std::int16_t kPortraitCode = 1;
constexpr std::int16_t kLandscapeCode = 2;

void PutInt32(std::string* out, std::int32_t v) {
  char b[4];
  PutI32(b, v);
  out->append(b, sizeof b);
}

void PutInt16(std::string* out, int v) {
  char b[2];
  PutI16(b, static_cast<std::int16_t>(
                std::clamp<int>(v, std::numeric_limits<std::int16_t>::min(),
                                std::numeric_limits<std::int16_t>::max())));
  out->append(b, sizeof b);
}

// Reads little-endian fields and never past the end.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  std::uint64_t remaining() const { return bytes_.size() - pos_; }

  bool Int32(std::int32_t* v) {
    std::string_view b;
    if (!Bytes(4, &b)) return false;
    *v = GetI32(b.data());
    return true;
  }
  bool Int16(int* v) {
    std::string_view b;
    if (!Bytes(2, &b)) return false;
    *v = GetI16(b.data());
    return true;
  }
  bool Bytes(std::uint64_t n, std::string_view* out) {
    if (n > remaining()) return false;
    *out = bytes_.substr(pos_, n);
    pos_ += n;
    return true;
  }
  // A length field followed by that many bytes, the length at most `max`.
  bool Block(std::int32_t max, std::string_view* out) {
    std::int32_t n = 0;
    return Int32(&n) && n >= 0 && n <= max &&
           Bytes(static_cast<std::uint64_t>(n), out);
  }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

bool EncodeCell(const DataSrc& table, int row, int col, std::string* out) {
  const CellFormat& f = table.GetCellFormat(row, col);
  PutInt32(out, static_cast<std::int32_t>(PackFormatWord(f)));
  PutInt32(out, static_cast<std::int32_t>(f.text_colour));
  PutInt32(out, static_cast<std::int32_t>(f.background));
  PutInt16(out, f.font_size);
  PutInt16(out, f.text_margin);
  std::string font;
  if (!Utf8ToGbk(f.font_name, &font)) return false;
  PutInt32(out, static_cast<std::int32_t>(font.size()));
  out->append(font);
  const std::string text = table.GetCellText(row, col);
  std::string content;
  if (HoldsRawBytes(f.value_code)) {
    content = text;
  } else if (!text.empty()) {
    if (!Utf8ToGbk(text, &content)) return false;
    content.push_back('\0');
  }
  if (content.size() >
      static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    return false;
  }
  PutInt32(out, static_cast<std::int32_t>(content.size()));
  out->append(content);
  return true;
}

void EncodePageSetup(const PrintInf& p, std::string* out) {
  PutInt32(out, p.left_margin);
  PutInt32(out, p.top_margin);
  PutInt32(out, p.right_margin);
  PutInt32(out, p.bottom_margin);
  PutInt16(out, p.page_number_position);
  PutInt16(out, p.scale);
  const int code = PaperCodeOfType(p.paper_type);
  PutInt16(out, code <= std::numeric_limits<std::int16_t>::max() ? code : 0);
  PutInt16(out, p.orientation == 1 ? kLandscapeCode : kPortraitCode);
  PutInt32(out, p.flag_12 ? 1 : 0);
  PutInt32(out, p.flag_13 ? 1 : 0);
  PutInt32(out, p.count_18);
}

bool DecodeCell(Reader* in, DataSrc* table, int row, int col) {
  std::int32_t word = 0, colour = 0, background = 0;
  CellFormat f;
  std::string_view font, content;
  if (!in->Int32(&word) || !in->Int32(&colour) || !in->Int32(&background) ||
      !in->Int16(&f.font_size) || !in->Int16(&f.text_margin) ||
      !in->Block(kMaxFontNameLength, &font) ||
      !in->Block(std::numeric_limits<std::int32_t>::max(), &content)) {
    return false;
  }
  UnpackFormatWord(static_cast<std::uint32_t>(word), &f);
  f.text_colour = static_cast<Colour>(colour);
  f.background = static_cast<Colour>(background);
  f.font_name = GbkToUtf8(font);
  table->SetCellFormat(row, col, f);
  if (content.empty()) return true;
  if (HoldsRawBytes(f.value_code)) {
    table->SetCellText(row, col, content);
    return true;
  }
  if (content.back() != '\0') return false;
  table->SetCellText(row, col,
                     GbkToUtf8(content.substr(0, content.size() - 1)));
  return true;
}

bool DecodePageSetup(Reader* in, DataSrc* table) {
  PrintInf p = table->GetPrintSettings();
  int paper_code = 0, orientation = 0;
  std::int32_t flag_12 = 0, flag_13 = 0;
  if (!in->Int32(&p.left_margin) || !in->Int32(&p.top_margin) ||
      !in->Int32(&p.right_margin) || !in->Int32(&p.bottom_margin) ||
      !in->Int16(&p.page_number_position) || !in->Int16(&p.scale) ||
      !in->Int16(&paper_code) || !in->Int16(&orientation) ||
      !in->Int32(&flag_12) || !in->Int32(&flag_13) || !in->Int32(&p.count_18)) {
    return false;
  }
  p.paper_type = PaperTypeOfCode(paper_code);
  p.orientation = orientation == kLandscapeCode ? 1 : 0;
  p.flag_12 = flag_12 != 0;
  p.flag_13 = flag_13 != 0;
  table->SetPrintSettings(p);
  return true;
}

// Reads `count` lengths (each >= 0) into the table through `set`.
template <typename Set>
bool DecodeLengths(Reader* in, int count, Set set) {
  for (int i = 1; i <= count; ++i) {
    std::int32_t length = 0;
    if (!in->Int32(&length) || length < 0) return false;
    set(i, length);
  }
  return true;
}

}  // namespace

bool EncodeGridFile(const DataSrc& table, std::string* bytes) {
  std::string& out = *bytes;
  out.assign(kGridFileMagic, sizeof kGridFileMagic);
  const int rows = table.GetRowCount(), cols = table.GetColumnCount();
  PutInt32(&out, rows);
  PutInt32(&out, cols);
  PutInt32(&out, table.GetHeaderRows());
  PutInt32(&out, table.GetHeaderColumns());
  for (int r = 1; r <= rows; ++r) PutInt32(&out, table.GetRowHeight(r));
  for (int c = 1; c <= cols; ++c) PutInt32(&out, table.GetColumnWidth(c));
  for (int r = 1; r <= rows; ++r) {
    for (int c = 1; c <= cols; ++c) {
      if (!EncodeCell(table, r, c, &out)) return false;
    }
  }
  EncodePageSetup(table.GetPrintSettings(), &out);
  return true;
}

bool DecodeGridFile(std::string_view bytes, DataSrc* table) {
  Reader in(bytes);
  std::string_view magic;
  if (!in.Bytes(sizeof kGridFileMagic, &magic) ||
      std::memcmp(magic.data(), kGridFileMagic, sizeof kGridFileMagic) != 0) {
    return false;
  }
  std::int32_t rows = 0, cols = 0, header_rows = 0, header_cols = 0;
  if (!in.Int32(&rows) || !in.Int32(&cols) || !in.Int32(&header_rows) ||
      !in.Int32(&header_cols) || rows < 0 || cols < 0 || header_rows < 0 ||
      header_cols < 0) {
    return false;
  }
  // Every count must fit the bytes that are left before anything is sized
  // from it. Both counts are below 2^31, so their product fits 64 bits.
  const std::uint64_t left = in.remaining();
  const auto r = static_cast<std::uint64_t>(rows),
             c = static_cast<std::uint64_t>(cols);
  if (r > left / 4 || c > left / 4 || r * c > left / kMinCellRecordSize ||
      4 * (r + c) + r * c * kMinCellRecordSize + kGridPageSetupSize > left) {
    return false;
  }
  table->SetTableSize(rows, cols);
  table->SetHeaderRows(header_rows);
  table->SetHeaderColumns(header_cols);
  if (!DecodeLengths(
          &in, rows,
          [table](int i, int h) { table->SetRowHeights(i, 1, h); }) ||
      !DecodeLengths(&in, cols, [table](int i, int w) {
        table->SetColumnWidths(i, 1, w);
      })) {
    return false;
  }
  for (int row = 1; row <= rows; ++row) {
    for (int col = 1; col <= cols; ++col) {
      if (!DecodeCell(&in, table, row, col)) return false;
    }
  }
  return DecodePageSetup(&in, table);
}

bool SaveToFile(const DataSrc& table, const std::string& path) {
  std::string bytes;
  return EncodeGridFile(table, &bytes) && ReplaceFileAtomically(path, bytes);
}

bool LoadFromFile(DataSrc* table, const std::string& path) {
  std::string bytes;
  DataSrc loaded;
  loaded.SetPrintSettings(table->GetPrintSettings());
  if (!ReadFile(path, &bytes) || !DecodeGridFile(bytes, &loaded)) return false;
  table->ReplaceTable(std::move(loaded));
  return true;
}

}  // namespace matslip
