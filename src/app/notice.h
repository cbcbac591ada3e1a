#pragma once
// The notice pane's schedule: a timer ticks every 3 seconds; at ticks 1, 3
// and 6 it reads the text pages /1.txt, /2.txt and /3.txt of the notice
// server, each naming an address the pane then shows; the timer stops at the
// eleventh tick. The server is a setting of config.ini.
#include <string>

namespace matslip {

inline constexpr int kNoticeTimerMs = 3000;
inline constexpr char kNoticeServerKey[] = "公告服务器";
inline constexpr int kNoticeTimeoutMs = 10000;
inline constexpr long long kNoticeMaxBytes = 1 << 20;

struct NoticeStep {
  int page = 0;       // 1..3: the page to read now; 0: none
  bool stop = false;  // stop the timer
};

// One tick: counts `*ticks` up to 10, then asks to stop.
NoticeStep NoticeTick(int* ticks);

// The notice server of config.ini (section and key "公告服务器"), trimmed;
// empty when not set.
std::string NoticeServer(const std::string& config_path);
// The address of page n on `server` ("http://host:port" + "/n.txt"); a
// server without a scheme ("host:port") is taken as http.
std::string NoticePageUrl(const std::string& server, int page);
// The address a page's text names, when the pane may show it: trimmed, and
// http or https only; empty otherwise (a blank pane).
std::string ShowableAddress(const std::string& page_text);

}  // namespace matslip
