#pragma once
// The print settings of a table (PrintInf): nineteen fields in a fixed order,
// the paper list they index, and the paper codes a grid file stores. Lengths
// are tenths of a millimetre. PrintInf is the warehouse system's own name
// for the record, kept as the system's users know it.
#include <string>

namespace matslip {

struct PrintInf {
  int paper_type = 0;            // 1: index into the paper list; >= 1000 custom
  int orientation = 0;           // 2: 1 landscape, anything else portrait
  int left_margin = 230;         // 3
  int top_margin = 230;          // 4
  int right_margin = 230;        // 5
  int bottom_margin = 230;       // 6
  int page_number_position = 0;  // 7: PageNumberPosition
  int copies = 1;                // 8
  // Fields 9 to 14 and 18 have no meaning the program knows: they are kept
  // in range, stored in grid files and read from peizi.ini, and otherwise
  // only carried through, so that files written elsewhere keep them.
  int count_9 = 1;       // 9
  bool flag_10 = false;  // 10
  std::string text_11;   // 11
  bool flag_12 = false;  // 12
  bool flag_13 = false;  // 13
  int setting_14 = 0;    // 14: 0..2
  int range_kind = 0;    // 15: 0..2
  int range_start = 1;   // 16
  int range_end = 0;     // 17
  int count_18 = 0;      // 18: carried through, as 9 to 14
  int scale = 0;         // 19: percent; 0 or less prints at 100

  bool operator==(const PrintInf&) const = default;
};

// Orientation (field 2): landscape; any other value is portrait.
inline constexpr int kLandscape = 1;
inline constexpr int kPortrait = 0;

// Where the page number goes (field 7).
enum PageNumberPosition : int {
  kPageNumberNone = 0,
  kPageNumberTopLeft = 1,
  kPageNumberTopCentre = 2,
  kPageNumberTopRight = 3,
  kPageNumberBottomLeft = 4,
  kPageNumberBottomCentre = 5,
  kPageNumberBottomRight = 6,
};

// The settings with every field in its range: negative margins, copies,
// counts and range end become 0, the page-number position is clamped to 0..6,
// fields 14 and 15 to 0..2, a range start of 0 or less becomes 1. Paper type,
// orientation, the text and the scale pass unchanged.
PrintInf Clamped(PrintInf settings);

struct PaperSize {
  int width = 0;
  int height = 0;
  bool operator==(const PaperSize&) const = default;
};

inline constexpr int kPaperTypeCount = 17;
inline constexpr int kPaperA4 = 2;
inline constexpr int kFirstCustomPaperType = 1000;
inline constexpr PaperSize kA4Paper = {2100, 2970};

struct PaperEntry {
  const char* name;
  PaperSize size;  // portrait
  int code;        // the platform's paper code, as a grid file stores it
};
// Paper types 0..16: 0 the printer's default (sized as A4 here), 1 A3, 2 A4,
// 3 A5, 4 B4, 5 B5, 6 Quarto, 7 16K, 8 32K, 9 Letter, 10 Legal, 11 Executive,
// 12 Statement, 13 Tabloid, 14 Note, 15 Ledger, 16 Folio.
extern const PaperEntry kPapers[kPaperTypeCount];

// The paper code of a paper type: the list's code for 0..16, type - 999 for a
// custom size, 0 (the printer's default) for anything else.
int PaperCodeOfType(int paper_type);
// The inverse: the type whose code it is, else code + 999 for a positive
// code (a custom size), else 0. A custom size whose number is also a listed
// code comes back as that listed paper.
int PaperTypeOfCode(int code);

// The sheet a table prints on when no printer is available (into a PDF
// file): A4, turned when the settings say landscape.
PaperSize PaperWithoutPrinter(const PrintInf& settings);

}  // namespace matslip
