// The built program watched from outside, as a desktop session runs it:
// ended by a signal, started without a display, placed by a window manager.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <optional>
#include <sstream>

#include "base/files.h"
#include "material/material_table.h"
#include "store/db.h"
#include "store/table.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/x_session.h"

namespace matslip {
namespace {

using testing::ChildProcess;
using testing::CommandOutput;
using testing::WaitUntil;

// Generous: the machine is shared; these bound a hang, they time nothing.
constexpr int kLimitSeconds = 60;

class ProgramProcessTest : public ::testing::Test {
 protected:
  ProgramProcessTest() {
    DbCloseAll();
    auto table =
        Table::Create(dir_.File("data.mzk"), Schema(material::Fields()));
    std::vector<Value> v(material::kFieldCount);
    v[0] = "钢芯铝绞线";
    v[1] = "LGJ-95/20";
    v[3] = 0.0;
    table->Append(v);
  }

  // The program on the test's folder.
  bool Start(const testing::EnvChanges& env) {
    return program_.Start({MATSLIP_PROGRAM, dir_.path()}, env);
  }

  testing::TempDir dir_;
  ChildProcess program_;
};

class ProgramSignalTest : public ProgramProcessTest,
                          public ::testing::WithParamInterface<int> {};

TEST_P(ProgramSignalTest, SignalEndsTheRunWithTheCleanUpOfAClose) {
  ASSERT_TRUE(Start({{"QT_QPA_PLATFORM", "offscreen"}}));
  // The working copy appears once the main window has built its list.
  ASSERT_TRUE(WaitUntil([&] { return FileExists(dir_.File("data2.mzk")); },
                        kLimitSeconds))
      << program_.Errors();
  ASSERT_TRUE(testing::WriteTestFile(dir_.File("qd.mzk"), "x"));
  ASSERT_TRUE(program_.Signal(GetParam()));
  int status = 0;
  ASSERT_TRUE(program_.Wait(kLimitSeconds, &status));
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 128 + GetParam());
  EXPECT_FALSE(FileExists(dir_.File("data2.mzk")));
  EXPECT_FALSE(FileExists(dir_.File("qd.mzk")));
  EXPECT_TRUE(FileExists(dir_.File("data.mzk")));
}

INSTANTIATE_TEST_SUITE_P(
    TermIntHup, ProgramSignalTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
    [](const ::testing::TestParamInfo<int>& signal) -> std::string {
      return sigabbrev_np(signal.param);
    });

TEST_F(ProgramProcessTest, DisplayThatCannotBeOpenedIsNamedInBothLanguages) {
  // No X server listens on display 4711 of this machine.
  ASSERT_TRUE(Start({{"DISPLAY", ":4711"},
                     {"QT_QPA_PLATFORM", std::nullopt},
                     {"WAYLAND_DISPLAY", std::nullopt}}));
  int status = 0;
  ASSERT_TRUE(program_.Wait(kLimitSeconds, &status));
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string errors = program_.Errors();
  EXPECT_NE(errors.find("无法打开图形显示 :4711"), std::string::npos) << errors;
  EXPECT_NE(errors.find("no graphical display could be opened"),
            std::string::npos)
      << errors;
  EXPECT_EQ(errors.find("Reinstalling"), std::string::npos) << errors;
}

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << r.left << "," << r.top << " " << r.width << "x" << r.height;
}

// The first integer after `label` in `text`, or -1.
int NumberAfter(const std::string& text, const std::string& label) {
  const std::size_t at = text.find(label);
  if (at == std::string::npos) return -1;
  std::istringstream in(text.substr(at + label.size()));
  int n = -1;
  in >> n;
  return n;
}

// The frame of a client window: its place on the screen widened by the
// frame extents the window manager puts on it.
std::optional<Rect> FrameOf(const std::string& display,
                            const std::string& window) {
  const std::string env = "DISPLAY=" + display + " ";
  auto info = CommandOutput(env + "xwininfo -id " + window + " 2>/dev/null");
  auto extents = CommandOutput(env + "xprop -id " + window +
                               " _NET_FRAME_EXTENTS 2>/dev/null");
  if (!info || !extents) return std::nullopt;
  int left, right, top, bottom;
  const std::size_t equals = extents->find('=');
  if (equals == std::string::npos ||
      std::sscanf(extents->c_str() + equals + 1, "%d, %d, %d, %d", &left,
                  &right, &top, &bottom) != 4) {
    return std::nullopt;
  }
  return Rect{NumberAfter(*info, "Absolute upper-left X:") - left,
              NumberAfter(*info, "Absolute upper-left Y:") - top,
              NumberAfter(*info, "Width:") + left + right,
              NumberAfter(*info, "Height:") + top + bottom};
}

TEST_F(ProgramProcessTest, WindowFrameWithItsTitleSitsOnTheScreen) {
  constexpr int kScreenWidth = 1024;
  constexpr int kScreenHeight = 768;
  testing::XSession x;
  std::string why_not;
  if (!x.Start(kScreenWidth, kScreenHeight, &why_not))
    GTEST_SKIP() << "no X display with a window manager: " << why_not;
  ASSERT_TRUE(Start({{"DISPLAY", x.display()},
                     {"QT_QPA_PLATFORM", std::nullopt},
                     {"WAYLAND_DISPLAY", std::nullopt}}));
  const std::string find = "DISPLAY=" + x.display() +
                           " xdotool search --onlyvisible --classname matslip "
                           "2>/dev/null";
  std::string window;
  ASSERT_TRUE(WaitUntil(
      [&] {
        auto out = CommandOutput(find);
        if (!out || out->empty()) return false;
        window = out->substr(0, out->find('\n'));
        return true;
      },
      kLimitSeconds))
      << program_.Errors();
  // Left 1, top 1, width screen − 2, height screen − 40, frame included
  // (openbox reserves no panel, so the whole screen is available).
  const Rect want{1, 1, kScreenWidth - 2, kScreenHeight - 40};
  std::optional<Rect> frame;
  WaitUntil(
      [&] {
        frame = FrameOf(x.display(), window);
        return frame == want;
      },
      kLimitSeconds);
  ASSERT_TRUE(frame.has_value());
  EXPECT_EQ(*frame, want);
}

}  // namespace
}  // namespace matslip
