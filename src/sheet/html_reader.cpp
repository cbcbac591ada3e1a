#include "sheet/html_reader.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/number.h"
#include "sheet/sheet_errors.h"
#include "sheet/shown_text.h"
#include "sheet/text_encoding.h"
#include "sheet/xlsx_reader.h"

namespace matslip {
namespace {

constexpr std::size_t kChunkBytes = 1 << 16;
// Stands for a <br> while blanks are folded.
constexpr char kLineBreak = '\x01';

bool Is(const xmlChar* name, const char* tag) {
  return xmlStrcasecmp(name, BAD_CAST tag) == 0;
}

// The attribute's value; null when the element has no such attribute, ""
// when it has one without a value.
const char* AttributeOf(const xmlChar** attributes, const char* name) {
  for (int i = 0; attributes && attributes[i]; i += 2) {
    if (!Is(attributes[i], name)) continue;
    return attributes[i + 1] ? reinterpret_cast<const char*>(attributes[i + 1])
                             : "";
  }
  return nullptr;
}

long long SpanOf(const xmlChar** attributes, const char* name) {
  for (int i = 0; attributes && attributes[i]; i += 2) {
    if (!Is(attributes[i], name) || !attributes[i + 1]) continue;
    const char* text = reinterpret_cast<const char*>(attributes[i + 1]);
    long long n = 1;
    std::from_chars(text, text + std::strlen(text), n);
    return std::clamp<long long>(n, 1, kMaxSheetColumns);
  }
  return 1;
}

// Blanks folded to one space and trimmed, as a browser shows the text.
std::string Folded(std::string_view raw) {
  std::string out;
  bool blank = false;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    const bool nbsp = c == '\xC2' && i + 1 < raw.size() && raw[i + 1] == '\xA0';
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || nbsp) {
      blank = true;
      if (nbsp) ++i;
      continue;
    }
    if (c == kLineBreak) {
      out.push_back('\n');
      blank = false;
      continue;
    }
    if (blank && !out.empty() && out.back() != '\n') out.push_back(' ');
    blank = false;
    out.push_back(c);
  }
  return out;
}

class TableReader {
 public:
  TableReader(SheetCells* cells) : cells_(cells) {}

  void Start(const xmlChar* name, const xmlChar** attributes);
  void End(const xmlChar* name);
  void Text(const xmlChar* text, int length);

  bool done() const { return done_; }
  bool too_large() const { return too_large_; }
  bool found_table() const { return depth_ > 0 || done_; }

 private:
  void FinishCell();

  SheetCells* cells_;
  int depth_ = 0;  // open tables; the first one is the sheet
  bool done_ = false, too_large_ = false;
  long long row_ = 0, column_ = 0;
  bool in_cell_ = false;
  long long cell_column_ = 0;
  // Pages saved by spreadsheet programs mark a number cell with its value
  // (x:num="1200" shown as "1,200"), a text cell with x:str (so "0012"
  // stays as it is).
  bool text_cell_ = false;
  bool has_value_ = false;
  double value_ = 0;
  std::string text_;
  // For each column, how many more rows a cell above still covers.
  std::vector<long long> covered_;
};

void TableReader::Start(const xmlChar* name, const xmlChar** attributes) {
  if (done_) return;
  if (Is(name, "table")) {
    ++depth_;
    return;
  }
  if (depth_ != 1) return;
  if (Is(name, "tr")) {
    if (in_cell_) FinishCell();
    ++row_;
    if (row_ > cells_->area().last_row) {
      done_ = true;
      return;
    }
    column_ = 0;
    for (long long& rows : covered_) rows = std::max(0LL, rows - 1);
  } else if (Is(name, "td") || Is(name, "th")) {
    if (in_cell_) FinishCell();
    if (row_ == 0) row_ = 1;  // a cell before any <tr>
    ++column_;
    while (column_ <= static_cast<long long>(covered_.size()) &&
           covered_[column_ - 1] > 0)
      ++column_;
    const long long columns = SpanOf(attributes, "colspan");
    const long long rows =
        std::min<long long>(SpanOf(attributes, "rowspan"), kMaxSheetRows);
    cell_column_ = column_;
    const long long last = column_ + columns - 1;
    if (last > kMaxSheetColumns) {
      too_large_ = done_ = true;
      return;
    }
    if (rows > 1) {
      if (static_cast<long long>(covered_.size()) < last)
        covered_.resize(static_cast<std::size_t>(last), 0);
      for (long long c = column_; c <= last; ++c) covered_[c - 1] = rows;
    }
    column_ = last;
    in_cell_ = true;
    text_.clear();
    const char* number = AttributeOf(attributes, "x:num");
    has_value_ = number && ParseNumber(number, &value_);
    text_cell_ = !number && AttributeOf(attributes, "x:str");
  } else if (in_cell_ && Is(name, "br")) {
    AppendCellText(std::string_view(&kLineBreak, 1), &text_);
  }
}

void TableReader::End(const xmlChar* name) {
  if (done_) return;
  if (Is(name, "table")) {
    if (--depth_ == 0) {
      if (in_cell_) FinishCell();
      done_ = true;
    }
  } else if (depth_ == 1 && in_cell_ &&
             (Is(name, "td") || Is(name, "th") || Is(name, "tr"))) {
    FinishCell();
  }
}

void TableReader::Text(const xmlChar* text, int length) {
  if (done_ || !in_cell_ || depth_ != 1 ||
      !cells_->Contains(static_cast<int>(row_), static_cast<int>(cell_column_)))
    return;
  AppendCellText(std::string_view(reinterpret_cast<const char*>(text),
                                  static_cast<std::size_t>(length)),
                 &text_);
}

void TableReader::FinishCell() {
  in_cell_ = false;
  cells_->Set(static_cast<int>(row_), static_cast<int>(cell_column_),
              has_value_ ? NumberCellText(value_)
              : text_cell_ || cells_->area().IsTextColumn(
                                  static_cast<int>(cell_column_))
                  ? Folded(text_)
                  : ShownText(Folded(text_)));
}

TableReader* ReaderOf(void* context) {
  return static_cast<TableReader*>(
      static_cast<htmlParserCtxtPtr>(context)->_private);
}

void OnStart(void* context, const xmlChar* name, const xmlChar** attributes) {
  ReaderOf(context)->Start(name, attributes);
}
void OnEnd(void* context, const xmlChar* name) { ReaderOf(context)->End(name); }
void OnText(void* context, const xmlChar* text, int length) {
  ReaderOf(context)->Text(text, length);
}
void Quiet(void*, const char*, ...) {}

// Encoding errors reach libxml2's process-wide handler, not the parser's:
// quiet while a page is read.
class QuietGenericErrors {
 public:
  QuietGenericErrors()
      : handler_(xmlGenericError), context_(xmlGenericErrorContext) {
    xmlSetGenericErrorFunc(nullptr, Quiet);
  }
  ~QuietGenericErrors() { xmlSetGenericErrorFunc(context_, handler_); }

 private:
  xmlGenericErrorFunc handler_;
  void* context_;
};

// The encoding to read a page in, or null to follow its meta tag. Pages
// that say GB2312 often hold characters only GBK has: GBK, its superset,
// reads them all.
const char* ForcedEncoding(std::string_view start) {
  std::string lower(start);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  if (lower.find("charset") == std::string::npos)
    return IsUtf8Prefix(start) ? "UTF-8" : "GBK";
  if (lower.find("gb2312") != std::string::npos ||
      lower.find("gbk") != std::string::npos)
    return "GBK";
  return nullptr;
}

}  // namespace

bool ReadHtml(const std::string& path, SheetCells* cells, std::string* reason) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return SheetFailure(reason, kSheetCannotOpen);
  std::vector<char> chunk(kChunkBytes);
  std::size_t n = std::fread(chunk.data(), 1, chunk.size(), file);

  QuietGenericErrors quiet;
  htmlSAXHandler sax;
  std::memset(&sax, 0, sizeof sax);
  sax.startElement = OnStart;
  sax.endElement = OnEnd;
  sax.characters = OnText;
  sax.cdataBlock = OnText;
  sax.error = Quiet;
  sax.warning = Quiet;
  htmlParserCtxtPtr parser = htmlCreatePushParserCtxt(
      &sax, nullptr, nullptr, 0, path.c_str(), XML_CHAR_ENCODING_NONE);
  if (!parser) {
    std::fclose(file);
    return SheetFailure(reason, kSheetTooLarge);
  }
  TableReader table(cells);
  parser->_private = &table;
  parser->sax->error = Quiet;
  htmlCtxtUseOptions(parser, HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                                 HTML_PARSE_NOWARNING | HTML_PARSE_NOIMPLIED);
  if (const char* encoding =
          ForcedEncoding(std::string_view(chunk.data(), n))) {
    if (xmlCharEncodingHandlerPtr handler =
            xmlFindCharEncodingHandler(encoding))
      xmlSwitchToEncoding(parser, handler);
  }
  long long fed = 0;
  bool read_error = false;
  while (n > 0 && !table.done()) {
    fed += static_cast<long long>(n);
    if (fed > kMaxHtmlBytes) break;
    htmlParseChunk(parser, chunk.data(), static_cast<int>(n), 0);
    n = std::fread(chunk.data(), 1, chunk.size(), file);
    read_error = n == 0 && std::ferror(file);
  }
  if (!table.done() && fed <= kMaxHtmlBytes)
    htmlParseChunk(parser, nullptr, 0, 1);
  std::fclose(file);
  htmlFreeParserCtxt(parser);
  if (read_error) return SheetFailure(reason, kSheetCannotOpen);
  if (table.too_large() || fed > kMaxHtmlBytes)
    return SheetFailure(reason, kSheetTooLarge);
  if (!table.found_table()) return SheetFailure(reason, kSheetEmptyWorkbook);
  return true;
}

}  // namespace matslip
