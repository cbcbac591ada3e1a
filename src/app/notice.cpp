#include "app/notice.h"

#include "app/ini.h"

namespace matslip {

namespace {

std::string Trim(const std::string& s) {
  const char* blanks = " \t\r\n\f\v";
  std::size_t first = s.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = s[i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

NoticeStep NoticeTick(int* ticks) {
  NoticeStep step;
  if (*ticks < 10) {
    ++*ticks;
  } else {
    step.stop = true;
  }
  switch (*ticks) {
    case 1:
      step.page = 1;
      break;
    case 3:
      step.page = 2;
      break;
    case 6:
      step.page = 3;
      break;
    default:
      break;
  }
  if (step.stop) step.page = 0;
  return step;
}

std::string NoticeServer(const std::string& config_path) {
  return Trim(IniRead(config_path, kNoticeServerKey, kNoticeServerKey, ""));
}

std::string NoticePageUrl(const std::string& server, int page) {
  // A server written as "host:port" is meant as a web server.
  std::string base =
      server.find("://") == std::string::npos ? "http://" + server : server;
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/" + std::to_string(page) + ".txt";
}

std::string ShowableAddress(const std::string& page_text) {
  std::string address = Trim(page_text);
  if (address.find_first_of(" \t\r\n") != std::string::npos) return "";
  if (StartsWithNoCase(address, "http://") ||
      StartsWithNoCase(address, "https://"))
    return address;
  return "";
}

}  // namespace matslip
