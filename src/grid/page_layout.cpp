#include "grid/page_layout.h"

#include <algorithm>

#include "grid/data_src.h"

namespace matslip {
namespace {

struct Band {
  int first = 0;  // 1-based, inclusive
  int last = 0;
};

// Splits the body items header+1..count into bands whose lengths add up to
// at most `room`, each band holding at least one item.
std::vector<Band> SplitBody(const std::vector<int>& lengths, int header,
                            int room) {
  std::vector<Band> bands;
  const int count = static_cast<int>(lengths.size());
  for (int i = header + 1; i <= count;) {
    Band band{i, i};
    long long used = lengths[i - 1];
    while (band.last < count && used + lengths[band.last] <= room) {
      used += lengths[band.last];
      ++band.last;
    }
    bands.push_back(band);
    i = band.last + 1;
  }
  return bands;
}

// The spans of the header items followed by those of `band`, from `start`.
std::vector<PageSpan> PlaceSpans(const std::vector<int>& lengths, int header,
                                 Band band, int start) {
  std::vector<PageSpan> spans;
  auto place = [&](int index) {
    spans.push_back({index, start, lengths[index - 1]});
    start += lengths[index - 1];
  };
  for (int i = 1; i <= header; ++i) place(i);
  for (int i = band.first; i <= band.last; ++i) place(i);
  return spans;
}

long long BandLength(const std::vector<int>& lengths, Band band) {
  long long sum = 0;
  for (int i = band.first; i <= band.last; ++i) sum += lengths[i - 1];
  return sum;
}

int HeaderLength(const std::vector<int>& lengths, int header) {
  long long sum = 0;
  for (int i = 0; i < header; ++i) sum += lengths[i];
  return static_cast<int>(std::min<long long>(sum, 1LL << 30));
}

PageNumber PlacePageNumber(int position, int page, int count,
                           const PaperSize& paper, const PrintInf& s) {
  if (position < kPageNumberTopLeft || position > kPageNumberBottomRight)
    return {};
  const bool top = position <= kPageNumberTopRight;
  const int across = (position - 1) % 3;  // 0 left, 1 centre, 2 right
  PageNumber number;
  number.text = PageNumberText(page, count);
  number.box = {s.left_margin, top ? 0 : paper.height - s.bottom_margin,
                paper.width - s.left_margin - s.right_margin,
                top ? s.top_margin : s.bottom_margin};
  number.alignment = kAlignMiddleLeft + across;
  return number;
}

}  // namespace

std::string PageNumberText(int page, int count) {
  return "第 " + std::to_string(page) + " 页 共 " + std::to_string(count) +
         " 页";
}

std::vector<Page> LayOutPages(const DataSrc& table, const PaperSize& paper,
                              const PrintInf& settings) {
  const int scale = settings.scale > 0 ? settings.scale : 100;
  auto scaled = [scale](int length) {
    return static_cast<int>(
        std::min<long long>(1LL * length * scale / 100, 1LL << 30));
  };
  std::vector<int> heights, widths;
  for (int r = 1; r <= table.GetRowCount(); ++r)
    heights.push_back(scaled(table.GetRowHeight(r)));
  for (int c = 1; c <= table.GetColumnCount(); ++c) {
    widths.push_back(scaled(table.GetColumnWidth(c)));
  }
  const int header_rows = table.GetHeaderRows();
  const int header_cols = table.GetHeaderColumns();
  const int room_down = paper.height - settings.top_margin -
                        settings.bottom_margin -
                        HeaderLength(heights, header_rows);
  const int room_across = paper.width - settings.left_margin -
                          settings.right_margin -
                          HeaderLength(widths, header_cols);
  std::vector<Band> row_bands = SplitBody(heights, header_rows, room_down);
  std::vector<Band> col_bands = SplitBody(widths, header_cols, room_across);
  // A table of header rows (or columns) only still prints them once.
  if (row_bands.empty() && header_rows > 0) row_bands.push_back({1, 0});
  if (col_bands.empty() && header_cols > 0) col_bands.push_back({1, 0});

  std::vector<Page> pages;
  for (const Band& cols : col_bands) {
    // A table too wide for the paper: each page's columns centred between
    // the margins, not run up to the left one.
    int left = settings.left_margin;
    if (col_bands.size() > 1) {
      left += static_cast<int>(
          std::max(0LL, room_across - BandLength(widths, cols)) / 2);
    }
    for (const Band& rows : row_bands) {
      Page page;
      page.rows = PlaceSpans(heights, header_rows, rows, settings.top_margin);
      page.cols = PlaceSpans(widths, header_cols, cols, left);
      pages.push_back(std::move(page));
    }
  }
  const int count = static_cast<int>(pages.size());
  for (int i = 0; i < count; ++i) {
    pages[i].number = PlacePageNumber(settings.page_number_position, i + 1,
                                      count, paper, settings);
  }
  return pages;
}

}  // namespace matslip
