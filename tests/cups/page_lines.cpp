#include "cups/page_lines.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

namespace matslip::testing {
namespace {

constexpr unsigned char kDark = 128;

// Middles of the runs of consecutive true entries.
std::vector<double> Middles(const std::vector<bool>& marked) {
  std::vector<double> middles;
  for (std::size_t i = 0; i < marked.size();) {
    if (!marked[i]) {
      ++i;
      continue;
    }
    const std::size_t first = i;
    while (i < marked.size() && marked[i]) ++i;
    middles.push_back((first + i - 1) / 2.0);
  }
  return middles;
}

}  // namespace

bool FindPageLines(const std::string& pgm, int min_run, PageLines* lines) {
  std::istringstream in(pgm);
  std::string magic;
  int width, height, max_value;
  if (!(in >> magic >> width >> height >> max_value) || magic != "P5" ||
      max_value != 255 || width <= 0 || height <= 0)
    return false;
  in.get();
  const std::size_t start = static_cast<std::size_t>(in.tellg());
  if (pgm.size() - start < static_cast<std::size_t>(width) * height)
    return false;
  auto dark = [&](int x, int y) {
    return static_cast<unsigned char>(
               pgm[start + static_cast<std::size_t>(y) * width + x]) < kDark;
  };
  std::vector<bool> rows(height), cols(width);
  std::vector<int> col_run(width, 0);
  for (int y = 0; y < height; ++y) {
    int run = 0;
    for (int x = 0; x < width; ++x) {
      const bool d = dark(x, y);
      run = d ? run + 1 : 0;
      if (run >= min_run) rows[y] = true;
      col_run[x] = d ? col_run[x] + 1 : 0;
      if (col_run[x] >= min_run) cols[x] = true;
    }
  }
  lines->width = width;
  lines->height = height;
  lines->horizontal = Middles(rows);
  lines->vertical = Middles(cols);
  return true;
}

PageLines TurnedBack(const PageLines& printed) {
  PageLines page;
  page.width = printed.height;
  page.height = printed.width;
  page.horizontal = printed.vertical;
  for (auto it = printed.horizontal.rbegin(); it != printed.horizontal.rend();
       ++it)
    page.vertical.push_back(printed.height - 1 - *it);
  return page;
}

double WorstLineOffset(const std::vector<double>& a,
                       const std::vector<double>& b) {
  if (a.size() != b.size()) return std::numeric_limits<double>::max();
  double worst = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    worst = std::max(worst, std::abs(a[i] - b[i]));
  return worst;
}

}  // namespace matslip::testing
