#pragma once
// Qt's PDF writer gives each glyph of an embedded font the lowest code point
// the font maps to it as its text, so a glyph that a drawn character shares
// with a radical or a control character reads back wrong (米 as ⽶, 金 as ⾦,
// a space as a tab). The log collects what was drawn with which fonts;
// CorrectPdfTextMap then rewrites the PDF's text maps so that such a glyph
// gives back the drawn character.
#include <QFont>
#include <QRawFont>
#include <QString>
#include <set>
#include <string>
#include <vector>

namespace matslip {

class PdfTextLog {
 public:
  void Add(const QFont& font, const QString& text);

  // The one drawn character that shares a glyph with `code_point` in one of
  // the fonts drawn with; `code_point` itself when it was drawn, and when no
  // drawn character or several do.
  char32_t DrawnCharacterFor(char32_t code_point) const;

 private:
  std::set<char32_t> drawn_;
  std::set<QString> font_keys_;
  std::vector<QRawFont> fonts_;
};

// Rewrites the text maps of the PDF at `path` (as Qt writes them: Type0 fonts
// with Identity-H encoding) through `log`. False, with the file unchanged,
// when it cannot be read, understood or written.
bool CorrectPdfTextMap(const std::string& path, const PdfTextLog& log);

}  // namespace matslip
