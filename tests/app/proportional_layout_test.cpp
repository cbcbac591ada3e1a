// The proportional placing of a window's controls after a resize.
#include "app/proportional_layout.h"

#include <gtest/gtest.h>

namespace matslip {
namespace {

class ProportionalLayoutTest : public ::testing::Test {
 protected:
  WindowLayout Noted(int width, int height, std::vector<LayoutRect> rects) {
    WindowLayout layout;
    layout.window = 1;
    layout.frame = {100, 100, width, height};
    for (std::size_t i = 0; i < rects.size(); ++i)
      layout.children.push_back({i + 10, rects[i]});
    return layout;
  }
};

TEST_F(ProportionalLayoutTest, ScalesFromTheNotedSizeTruncatingTowardZero) {
  // 600 / 558 and 550 / 436: 200 * 1.0752... = 215.05, 41 * 1.2614... =
  // 51.72, 220 * 1.0752... = 236.55, 24 * 1.2614... = 30.27.
  const WindowLayout layout = Noted(558, 436, {{200, 41, 220, 24}});
  const std::vector<LayoutRect> placed = Relayout(layout, 600, 550);
  ASSERT_EQ(placed.size(), 1u);
  EXPECT_EQ(placed[0], (LayoutRect{215, 51, 236, 30}));
}

TEST_F(ProportionalLayoutTest,
       EachResizeScalesFromTheNotedPlacesNotTheLastOnes) {
  const WindowLayout layout = Noted(558, 436, {{200, 41, 220, 24}});
  Relayout(layout, 300, 200);
  EXPECT_EQ(Relayout(layout, 558, 436)[0], (LayoutRect{200, 41, 220, 24}));
}

TEST_F(ProportionalLayoutTest, ShrinkingKeepsTheListOrder) {
  const WindowLayout layout =
      Noted(400, 200, {{100, 100, 40, 20}, {0, 0, 400, 200}, {399, 199, 1, 1}});
  const std::vector<LayoutRect> placed = Relayout(layout, 200, 100);
  ASSERT_EQ(placed.size(), 3u);
  EXPECT_EQ(placed[0], (LayoutRect{50, 50, 20, 10}));
  EXPECT_EQ(placed[1], (LayoutRect{0, 0, 200, 100}));
  // 199.5 and 99.5, 0.5 and 0.5: truncated, not rounded.
  EXPECT_EQ(placed[2], (LayoutRect{199, 99, 0, 0}));
}

TEST_F(ProportionalLayoutTest, NegativePlacesTruncateTowardZero) {
  EXPECT_EQ(Scaled({-3, -5, 7, 9}, 0.5, 0.5), (LayoutRect{-1, -2, 3, 4}));
}

TEST_F(ProportionalLayoutTest, AWindowNotedWithoutSizeKeepsItsControls) {
  const WindowLayout layout = Noted(0, 0, {{10, 20, 30, 40}});
  EXPECT_EQ(Relayout(layout, 500, 500)[0], (LayoutRect{10, 20, 30, 40}));
}

}  // namespace
}  // namespace matslip
