#include "grid/print_inf.h"

#include <algorithm>
#include <utility>

namespace matslip {

const PaperEntry kPapers[kPaperTypeCount] = {
    {"Printer default", {2100, 2970}, 0},
    {"A3", {2970, 4200}, 8},
    {"A4", {2100, 2970}, 9},
    {"A5", {1480, 2100}, 11},
    {"B4", {2570, 3640}, 12},
    {"B5", {1820, 2570}, 13},
    {"Quarto", {2150, 2750}, 15},
    {"16K", {1460, 2150}, 93},
    {"32K", {970, 1510}, 94},
    {"Letter", {2159, 2794}, 1},
    {"Legal", {2159, 3556}, 5},
    {"Executive", {1842, 2667}, 7},
    {"Statement", {1397, 2159}, 6},
    {"Tabloid", {2794, 4318}, 3},
    {"Note", {2159, 2794}, 18},
    {"Ledger", {4318, 2794}, 4},
    {"Folio", {2159, 3302}, 14},
};

PrintInf Clamped(PrintInf s) {
  s.left_margin = std::max(s.left_margin, 0);
  s.top_margin = std::max(s.top_margin, 0);
  s.right_margin = std::max(s.right_margin, 0);
  s.bottom_margin = std::max(s.bottom_margin, 0);
  s.page_number_position =
      std::clamp(s.page_number_position, static_cast<int>(kPageNumberNone),
                 static_cast<int>(kPageNumberBottomRight));
  s.copies = std::max(s.copies, 0);
  s.count_9 = std::max(s.count_9, 0);
  s.setting_14 = std::clamp(s.setting_14, 0, 2);
  s.range_kind = std::clamp(s.range_kind, 0, 2);
  if (s.range_start <= 0) s.range_start = 1;
  s.range_end = std::max(s.range_end, 0);
  s.count_18 = std::max(s.count_18, 0);
  return s;
}

int PaperCodeOfType(int paper_type) {
  if (paper_type >= 0 && paper_type < kPaperTypeCount)
    return kPapers[paper_type].code;
  if (paper_type >= kFirstCustomPaperType)
    return paper_type - (kFirstCustomPaperType - 1);
  return 0;
}

int PaperTypeOfCode(int code) {
  for (int type = 0; type < kPaperTypeCount; ++type) {
    if (kPapers[type].code == code) return type;
  }
  return code > 0 ? code + (kFirstCustomPaperType - 1) : 0;
}

PaperSize PaperWithoutPrinter(const PrintInf& settings) {
  PaperSize paper = kA4Paper;
  if (settings.orientation == kLandscape) std::swap(paper.width, paper.height);
  return paper;
}

}  // namespace matslip
