#include "app/proportional_layout.h"

#include <cmath>
#include <limits>

namespace matslip {
namespace {

// Truncation toward zero, held inside the range of int.
int Truncated(double value) {
  if (std::isnan(value)) return 0;
  if (value >= std::numeric_limits<int>::max())
    return std::numeric_limits<int>::max();
  if (value <= std::numeric_limits<int>::min())
    return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

double Ratio(int now, int then) {
  return then == 0 ? 1.0 : static_cast<double>(now) / then;
}

}  // namespace

LayoutRect Scaled(const LayoutRect& rect, double sx, double sy) {
  return {Truncated(rect.left * sx), Truncated(rect.top * sy),
          Truncated(rect.width * sx), Truncated(rect.height * sy)};
}

std::vector<LayoutRect> Relayout(const WindowLayout& layout, int width,
                                 int height) {
  const double sx = Ratio(width, layout.frame.width);
  const double sy = Ratio(height, layout.frame.height);
  std::vector<LayoutRect> placed;
  placed.reserve(layout.children.size());
  for (const LayoutChild& child : layout.children)
    placed.push_back(Scaled(child.rect, sx, sy));
  return placed;
}

}  // namespace matslip
