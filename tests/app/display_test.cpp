#include "app/display.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace matslip {
namespace {

// Sets the display variables for one test and puts the old values back.
class DisplayProblemTest : public ::testing::Test {
 protected:
  static constexpr const char* kNames[] = {"DISPLAY", "WAYLAND_DISPLAY",
                                           "QT_QPA_PLATFORM"};
  DisplayProblemTest() {
    for (int i = 0; i < 3; ++i) {
      const char* v = std::getenv(kNames[i]);
      if (v) saved_[i] = v;
      unsetenv(kNames[i]);
    }
  }
  ~DisplayProblemTest() override {
    for (int i = 0; i < 3; ++i) {
      if (saved_[i]) {
        setenv(kNames[i], saved_[i]->c_str(), 1);
      } else {
        unsetenv(kNames[i]);
      }
    }
  }

  std::optional<std::string> saved_[3];
};

TEST_F(DisplayProblemTest, NoDisplayNamedIsSaidInBothLanguages) {
  const std::string problem = DisplayProblem();
  EXPECT_NE(problem.find("没有图形显示"), std::string::npos) << problem;
  EXPECT_NE(problem.find("no display server found"), std::string::npos);
}

TEST_F(DisplayProblemTest, DisplayThatCannotBeOpenedIsNamed) {
  // No X server listens on display 4711 of this machine.
  setenv("DISPLAY", ":4711", 1);
  const std::string problem = DisplayProblem();
  EXPECT_NE(problem.find("无法打开图形显示 :4711"), std::string::npos)
      << problem;
  EXPECT_NE(problem.find("no graphical display could be opened: DISPLAY=:4711"),
            std::string::npos);
}

TEST_F(DisplayProblemTest, NamedQtPlatformOrWaylandIsLeftToQt) {
  setenv("DISPLAY", ":4711", 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  EXPECT_EQ(DisplayProblem(), "");
  unsetenv("QT_QPA_PLATFORM");
  setenv("WAYLAND_DISPLAY", "wayland-0", 1);
  EXPECT_EQ(DisplayProblem(), "");
}

}  // namespace
}  // namespace matslip
