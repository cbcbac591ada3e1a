#pragma once
// The format of one cell and every bit that describes it: colours, font
// style, alignment, border edges and line kinds, merge marks, value kinds, and
// the 32-bit format word in which a grid file keeps most of them. All of these
// bits are defined here and nowhere else.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace matslip {

// Colours are blue-green-red with red in the low byte: 255 is pure red.
using Colour = std::uint32_t;
inline constexpr Colour kAutoColour = 0xFF000000u;  // background: automatic
inline constexpr Colour kBlack = 0;
inline constexpr Colour kWhite = 0xFFFFFF;

// Font style bits.
enum FontStyle : int {
  kStyleBold = 1,
  kStyleItalic = 2,
  kStyleUnderline = 4,
  kStyleStrikeOut = 8,
  kStyleMask = 15,
};

// Alignment codes 1..9: top, middle, bottom rows by left, centre, right.
// Codes 10..14 are accepted and drawn as 1 (top left); anything else is 1.
enum Alignment : int {
  kAlignTopLeft = 1,
  kAlignTopCentre = 2,
  kAlignTopRight = 3,
  kAlignMiddleLeft = 4,
  kAlignMiddleCentre = 5,
  kAlignMiddleRight = 6,
  kAlignBottomLeft = 7,
  kAlignBottomCentre = 8,
  kAlignBottomRight = 9,
  kAlignLast = 14,
};

// Edge mask of SetEdgeLines: the four outer edges of a range, and the lines
// between its cells.
enum EdgeMask : int {
  kEdgeLeft = 1,
  kEdgeTop = 2,
  kEdgeRight = 4,
  kEdgeBottom = 8,
  kEdgeOutline = 15,
  kEdgeInnerVertical = 16,
  kEdgeInnerHorizontal = 32,
  kEdgeAll = 63,
};

// The four sides of one cell, indexes into CellFormat::edges.
enum Side : int {
  kSideLeft = 0,
  kSideTop = 1,
  kSideRight = 2,
  kSideBottom = 3
};

// Line kinds of a cell edge; 0 draws nothing.
enum LineKind : int {
  kLineNone = 0,
  kLineThin = 1,
  kLineMedium = 2,
  kLineThick = 3,
  kLineDashed = 4,
  kLineDotted = 5,
  kLineDashDot = 6,
  kLineDouble = 7,
  kLineLast = 7,
};

// Merge marks: the directions in which a cell's merged block continues. A
// cell without marks stands alone.
enum MergeMark : int {
  kMergeLeft = 1,
  kMergeUp = 2,
  kMergeRight = 4,
  kMergeDown = 8,
  kMergeMask = 15,
};

// Value kinds as SetDefaultFormat takes them, and the 3-bit value codes the
// cells keep. Codes with bit 0 or 1 set hold raw bytes, not text.
enum ValueKind : int {
  kValueText = 1,
  kValueNumber = 2,
  kValueBinary = 3,
  kValuePicture = 4,
};
inline constexpr int kValueCodeText = 0;
inline constexpr int kValueCodeBinary = 1;
inline constexpr int kValueCodePicture = 2;
inline constexpr int kValueCodeNumber = 4;
int ValueCodeOfKind(int kind);  // unknown kinds are text
inline bool HoldsRawBytes(int value_code) { return (value_code & 3) != 0; }

inline constexpr int kDefaultFontSize = 40;  // tenths of a millimetre
inline constexpr int kDefaultTextMargin = 9;
inline constexpr std::size_t kMaxFontNameBytes = 30;  // in GBK

struct CellFormat {
  Colour text_colour = kBlack;
  Colour background = kAutoColour;
  std::string font_name;  // UTF-8; empty = the view's default font
  int font_size = kDefaultFontSize;
  int text_margin = kDefaultTextMargin;  // inset from all four edges
  int alignment = kAlignTopLeft;
  int style = 0;               // FontStyle bits
  int value_code = 0;          // kValueCode*
  int merge = 0;               // MergeMark bits
  std::array<int, 4> edges{};  // LineKind per Side
  bool wrap = false;           // break the text into lines inside the cell

  bool operator==(const CellFormat&) const = default;
};

struct CellFormatHash {
  std::size_t operator()(const CellFormat& f) const;
};

// Single fields brought into range: alignment outside 1..14 is 1, font size
// 1..32767, unknown line kinds none.
int NormalAlignment(int code);
int NormalFontSize(int size);
int NormalLineKind(int kind);

// Brings every field into its range: alignment outside 1..14 becomes 1, font
// size 1..32767, margin 0..32767, unknown line kinds none, the bit fields
// masked, the font name cut to 30 GBK bytes at a character boundary.
CellFormat Normalised(CellFormat format);

// The longest prefix of a UTF-8 text that takes at most `max_bytes` in GBK
// and does not end inside a character.
std::string CutToGbkBytes(std::string_view utf8, std::size_t max_bytes);

// The format word of a grid file cell record:
//   bits 0-3 alignment, 4-6 left edge, 7-9 top edge, 10 wrap,
//   11-14 font style, 15-17 value code, 18-21 merge marks,
//   22-24 right edge, 25-27 bottom edge, 28-31 zero.
std::uint32_t PackFormatWord(const CellFormat& format);
// Sets the fields the word holds; leaves colours, font and margin alone.
void UnpackFormatWord(std::uint32_t word, CellFormat* format);

}  // namespace matslip
