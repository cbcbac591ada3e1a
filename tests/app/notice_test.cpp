// The notice pane's schedule and the notice server setting.
#include "app/notice.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/temp_dir.h"

namespace matslip {
namespace {

TEST(NoticeScheduleTest, PagesAtTicksOneThreeSixAndStopAtEleventh) {
  int ticks = 0;
  std::vector<int> pages;
  int stopped_at = 0;
  for (int tick = 1; tick <= 12 && !stopped_at; ++tick) {
    NoticeStep s = NoticeTick(&ticks);
    if (s.page) pages.push_back(s.page * 100 + tick);
    if (s.stop) stopped_at = tick;
  }
  EXPECT_EQ(pages, (std::vector<int>{101, 203, 306}));
  EXPECT_EQ(stopped_at, 11);
  EXPECT_EQ(ticks, 10);
}

TEST(NoticeScheduleTest, ServerSettingAndAddresses) {
  testing::TempDir dir;
  std::string config = dir.File("config.ini");
  EXPECT_EQ(NoticeServer(config), "");
  ASSERT_TRUE(testing::WriteTestFile(
      config,
      "[\xB9\xAB\xB8\xE6\xB7\xFE\xCE\xF1\xC6\xF7]\r\n"
      "\xB9\xAB\xB8\xE6\xB7\xFE\xCE\xF1\xC6\xF7=http://127.0.0.1:8080/\r\n"));
  EXPECT_EQ(NoticeServer(config), "http://127.0.0.1:8080/");
  EXPECT_EQ(NoticePageUrl(NoticeServer(config), 2),
            "http://127.0.0.1:8080/2.txt");
  EXPECT_EQ(ShowableAddress(" https://example.test/a.html\r\n"),
            "https://example.test/a.html");
  EXPECT_EQ(ShowableAddress("file:///etc/passwd"), "");
  EXPECT_EQ(ShowableAddress("javascript:alert(1)"), "");
  EXPECT_EQ(ShowableAddress(""), "");
}

TEST(NoticeScheduleTest, ServerWithoutSchemeIsTakenAsHttp) {
  EXPECT_EQ(NoticePageUrl("127.0.0.1:8080", 1), "http://127.0.0.1:8080/1.txt");
  EXPECT_EQ(NoticePageUrl("notice.example.test/", 3),
            "http://notice.example.test/3.txt");
}

TEST(NoticeScheduleTest, ServerWithSchemeKeepsIt) {
  EXPECT_EQ(NoticePageUrl("https://127.0.0.1:8443", 2),
            "https://127.0.0.1:8443/2.txt");
  EXPECT_EQ(NoticePageUrl("HTTP://host", 1), "HTTP://host/1.txt");
}

}  // namespace
}  // namespace matslip
