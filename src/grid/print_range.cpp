#include "grid/print_range.h"

#include <algorithm>
#include <climits>

namespace matslip {
namespace {

bool HoldsBodyRowIn(const Page& page, int header_rows, int first, int last) {
  return std::any_of(page.rows.begin(), page.rows.end(),
                     [&](const PageSpan& span) {
                       return span.index > header_rows && span.index >= first &&
                              span.index <= last;
                     });
}

}  // namespace

std::vector<int> PagesToPrint(const std::vector<Page>& pages, int header_rows,
                              const PrintInf& settings) {
  const int count = static_cast<int>(pages.size());
  const int first = std::max(settings.range_start, 1);
  std::vector<int> chosen;
  switch (settings.range_kind) {
    case kPrintPageRange: {
      const int last =
          settings.range_end <= 0 ? count : std::min(settings.range_end, count);
      for (int page = first; page <= last; ++page) chosen.push_back(page - 1);
      break;
    }
    case kPrintRowRange: {
      const int last = settings.range_end <= 0 ? INT_MAX : settings.range_end;
      for (int i = 0; i < count; ++i) {
        if (HoldsBodyRowIn(pages[i], header_rows, first, last))
          chosen.push_back(i);
      }
      break;
    }
    default:
      for (int i = 0; i < count; ++i) chosen.push_back(i);
      break;
  }
  return chosen;
}

}  // namespace matslip
