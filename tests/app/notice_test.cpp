#include "app/notice.h"

#include <gtest/gtest.h>

namespace matslip {
namespace {

TEST(NoticeServerAddressTest, ServerWithoutSchemeIsTakenAsHttp) {
  EXPECT_EQ(NoticePageUrl("127.0.0.1:8080", 1), "http://127.0.0.1:8080/1.txt");
  EXPECT_EQ(NoticePageUrl("notice.example.test/", 3),
            "http://notice.example.test/3.txt");
}

TEST(NoticeServerAddressTest, ServerWithSchemeKeepsIt) {
  EXPECT_EQ(NoticePageUrl("https://127.0.0.1:8443", 2),
            "https://127.0.0.1:8443/2.txt");
  EXPECT_EQ(NoticePageUrl("HTTP://host", 1), "HTTP://host/1.txt");
}

}  // namespace
}  // namespace matslip
