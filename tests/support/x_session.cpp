#include "support/x_session.h"

#include <fcntl.h>
#include <unistd.h>

namespace matslip::testing {
namespace {

constexpr int kStartLimitSeconds = 30;

}  // namespace

bool XSession::Start(int width, int height, std::string* why_not) {
  for (const char* program :
       {"Xvfb", "openbox", "xprop", "xwininfo", "xdotool"}) {
    if (FindProgram(program).empty()) {
      *why_not = std::string(program) + " is not installed";
      return false;
    }
  }
  // Xvfb picks a free display number and writes it to the descriptor given.
  int ends[2];
  if (pipe(ends) != 0) {
    *why_not = "no pipe";
    return false;
  }
  const std::string screen =
      std::to_string(width) + "x" + std::to_string(height) + "x24";
  const bool started =
      server_.Start({"Xvfb", "-displayfd", std::to_string(ends[1]), "-screen",
                     "0", screen, "-nolisten", "tcp"},
                    {});
  close(ends[1]);
  std::string number;
  char c;
  while (started && read(ends[0], &c, 1) == 1 && c != '\n') number += c;
  close(ends[0]);
  if (number.empty()) {
    *why_not = "Xvfb did not start";
    return false;
  }
  display_ = ":" + number;
  if (!window_manager_.Start({"openbox"}, {{"DISPLAY", display_}})) {
    *why_not = "openbox did not start";
    return false;
  }
  // A window manager announces itself on the root window.
  const std::string check =
      "DISPLAY=" + display_ + " xprop -root _NET_SUPPORTING_WM_CHECK";
  if (!WaitUntil(
          [&] {
            auto out = CommandOutput(check + " 2>/dev/null");
            return out && out->find("window id") != std::string::npos;
          },
          kStartLimitSeconds)) {
    *why_not = "openbox did not come up";
    return false;
  }
  return true;
}

}  // namespace matslip::testing
