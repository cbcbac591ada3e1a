#pragma once
// The ruled lines of a printed page, found in its greyscale raster (a binary
// PGM as pdftoppm -gray writes it): a horizontal line is a pixel row with a
// long enough run of dark pixels, a vertical one likewise a column; adjacent
// rows (columns) make one line, placed at their middle.
#include <string>
#include <vector>

namespace matslip::testing {

struct PageLines {
  int width = 0, height = 0;       // pixels
  std::vector<double> horizontal;  // line positions from the top, pixels
  std::vector<double> vertical;    // from the left
};

// False when `pgm` is not a binary 8-bit PGM. `min_run`: the dark pixels in
// a row that make a line; shorter runs (text) do not count.
bool FindPageLines(const std::string& pgm, int min_run, PageLines* lines);

// The lines of a page printed turned a quarter turn anticlockwise (a
// landscape page on upright paper, its top at the paper's left edge), as
// they lie on the page turned back.
PageLines TurnedBack(const PageLines& printed);

// How far the worst line of `b` lies from its partner in `a`, pixels; a
// huge value when they have different numbers of lines.
double WorstLineOffset(const std::vector<double>& a,
                       const std::vector<double>& b);

}  // namespace matslip::testing
