#include "grid/pdf_text_map_qt.h"

// The library's shared pointers as std::shared_ptr, without its transition
// warning.
#define POINTERHOLDER_TRANSITION 4
#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <optional>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>
#include <system_error>

namespace matslip {
namespace {

// Character code (CID) -> the UTF-16 text it stands for.
using TextMap = std::map<std::uint32_t, std::u16string>;

std::optional<std::uint32_t> HexNumber(const std::string& hex) {
  // Identity-H codes are two bytes.
  if (hex.empty() || hex.size() > 4) return std::nullopt;
  return static_cast<std::uint32_t>(std::stoul(hex, nullptr, 16));
}

std::optional<std::u16string> HexUtf16(const std::string& hex) {
  if (hex.empty() || hex.size() % 4 != 0) return std::nullopt;
  std::u16string text;
  for (std::size_t i = 0; i < hex.size(); i += 4)
    text.push_back(static_cast<char16_t>(std::stoul(hex.substr(i, 4), 0, 16)));
  return text;
}

// The tokens of a CMap that carry its mappings: hex strings (as "<" + digits),
// "[" and "]", and keywords; comments, names and numbers dropped.
std::vector<std::string> Tokens(const std::string& cmap) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  while (i < cmap.size()) {
    const char c = cmap[i];
    if (c == '%') {
      while (i < cmap.size() && cmap[i] != '\n' && cmap[i] != '\r') ++i;
    } else if (c == '<' && i + 1 < cmap.size() && cmap[i + 1] == '<') {
      i += 2;
    } else if (c == '<') {
      std::string hex = "<";
      for (++i; i < cmap.size() && cmap[i] != '>'; ++i) {
        if (std::isxdigit(static_cast<unsigned char>(cmap[i])))
          hex.push_back(cmap[i]);
      }
      ++i;
      tokens.push_back(hex);
    } else if (c == '[' || c == ']') {
      tokens.emplace_back(1, c);
      ++i;
    } else if (std::isalpha(static_cast<unsigned char>(c))) {
      std::string word;
      while (i < cmap.size() &&
             std::isalnum(static_cast<unsigned char>(cmap[i])))
        word.push_back(cmap[i++]);
      tokens.push_back(word);
    } else {
      ++i;
    }
  }
  return tokens;
}

bool IsHex(const std::string& token) {
  return !token.empty() && token[0] == '<';
}

// The bfchar and bfrange entries of a ToUnicode CMap; nullopt when they do
// not read as such.
std::optional<TextMap> ParseTextMap(const std::string& cmap) {
  const std::vector<std::string> tokens = Tokens(cmap);
  TextMap map;
  std::size_t i = 0;
  auto hex = [&](std::size_t at) -> std::string {
    return at < tokens.size() && IsHex(tokens[at]) ? tokens[at].substr(1) : "";
  };
  while (i < tokens.size()) {
    if (tokens[i] == "beginbfchar") {
      for (++i; i < tokens.size() && tokens[i] != "endbfchar"; i += 2) {
        const auto code = HexNumber(hex(i));
        const auto text = HexUtf16(hex(i + 1));
        if (!code || !text) return std::nullopt;
        map[*code] = *text;
      }
    } else if (tokens[i] == "beginbfrange") {
      for (++i; i < tokens.size() && tokens[i] != "endbfrange";) {
        const auto low = HexNumber(hex(i));
        const auto high = HexNumber(hex(i + 1));
        if (!low || !high || *high < *low) return std::nullopt;
        i += 2;
        if (i < tokens.size() && tokens[i] == "[") {
          // One text per code.
          std::uint32_t code = *low;
          for (++i; i < tokens.size() && tokens[i] != "]"; ++i, ++code) {
            const auto text = HexUtf16(hex(i));
            if (!text || code > *high) return std::nullopt;
            map[code] = *text;
          }
          ++i;
        } else {
          // Consecutive codes: the text's last unit counts up.
          auto text = HexUtf16(hex(i));
          if (!text) return std::nullopt;
          for (std::uint32_t code = *low; code <= *high; ++code) {
            map[code] = *text;
            ++text->back();
          }
          ++i;
        }
      }
    }
    ++i;
  }
  return map;
}

std::string Hex(std::uint32_t value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
  return buffer;
}

std::string WriteTextMap(const TextMap& map) {
  constexpr std::size_t kPerBlock = 100;  // the most a CMap block may hold
  std::string cmap =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> "
      "def\n/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
  auto entry = map.begin();
  while (entry != map.end()) {
    const std::size_t count = std::min<std::size_t>(
        kPerBlock, static_cast<std::size_t>(std::distance(entry, map.end())));
    cmap += std::to_string(count) + " beginbfchar\n";
    for (std::size_t n = 0; n < count; ++n, ++entry) {
      cmap += "<" + Hex(entry->first, 4) + "> <";
      for (char16_t unit : entry->second) cmap += Hex(unit, 4);
      cmap += ">\n";
    }
    cmap += "endbfchar\n";
  }
  return cmap +
         "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

// The one code point a text of one or two UTF-16 units stands for, or
// nullopt.
std::optional<char32_t> OneCodePoint(const std::u16string& text) {
  const QString string(reinterpret_cast<const QChar*>(text.data()),
                       static_cast<qsizetype>(text.size()));
  const QList<uint> ucs4 = string.toUcs4();
  if (ucs4.size() != 1) return std::nullopt;
  return static_cast<char32_t>(ucs4.front());
}

std::u16string Utf16Of(char32_t code_point) {
  const QString string = QString::fromUcs4(&code_point, 1);
  return std::u16string(reinterpret_cast<const char16_t*>(string.utf16()),
                        static_cast<std::size_t>(string.size()));
}

// Corrects one font's map; false when it does not read as a CMap.
bool CorrectFont(QPDFObjectHandle font, const PdfTextLog& log) {
  QPDFObjectHandle to_unicode = font.getKey("/ToUnicode");
  if (!to_unicode.isStream()) return true;
  const std::shared_ptr<Buffer> data =
      to_unicode.getStreamData(qpdf_dl_generalized);
  const std::string cmap(reinterpret_cast<const char*>(data->getBuffer()),
                         data->getSize());
  std::optional<TextMap> map = ParseTextMap(cmap);
  if (!map) return false;
  bool changed = false;
  for (auto& [code, text] : *map) {
    const std::optional<char32_t> shown = OneCodePoint(text);
    if (!shown) continue;
    const char32_t drawn = log.DrawnCharacterFor(*shown);
    if (drawn == *shown) continue;
    text = Utf16Of(drawn);
    changed = true;
  }
  if (changed) {
    to_unicode.replaceStreamData(WriteTextMap(*map),
                                 QPDFObjectHandle::newNull(),
                                 QPDFObjectHandle::newNull());
  }
  return true;
}

}  // namespace

void PdfTextLog::Add(const QFont& font, const QString& text) {
  for (uint code_point : text.toUcs4()) drawn_.insert(code_point);
  if (font_keys_.insert(font.key()).second)
    fonts_.push_back(QRawFont::fromFont(font));
}

char32_t PdfTextLog::DrawnCharacterFor(char32_t code_point) const {
  if (drawn_.contains(code_point)) return code_point;
  auto glyph = [](const QRawFont& font, char32_t c) {
    return font.glyphIndexesForString(QString::fromUcs4(&c, 1)).value(0);
  };
  std::set<char32_t> sharing;
  for (const QRawFont& font : fonts_) {
    const quint32 shared = glyph(font, code_point);
    if (shared == 0) continue;
    for (char32_t c : drawn_) {
      if (glyph(font, c) == shared) sharing.insert(c);
    }
  }
  return sharing.size() == 1 ? *sharing.begin() : code_point;
}

bool CorrectPdfTextMap(const std::string& path, const PdfTextLog& log) {
  const std::string corrected = path + ".tmp";
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.c_str());
    for (QPDFObjectHandle object : pdf.getAllObjects()) {
      if (!object.isDictionary() ||
          !object.getKey("/Type").isNameAndEquals("/Font") ||
          !object.getKey("/Subtype").isNameAndEquals("/Type0") ||
          !object.getKey("/Encoding").isNameAndEquals("/Identity-H")) {
        continue;
      }
      if (!CorrectFont(object, log)) return false;
    }
    QPDFWriter writer(pdf, corrected.c_str());
    writer.write();
  } catch (const std::exception&) {
    std::error_code ignored;
    std::filesystem::remove(corrected, ignored);
    return false;
  }
  std::error_code error;
  std::filesystem::rename(corrected, path, error);
  if (!error) return true;
  std::filesystem::remove(corrected, error);
  return false;
}

}  // namespace matslip
