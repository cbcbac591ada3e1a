#include "base/datetime.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <ctime>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/gbk.h"

namespace matslip {
namespace {

constexpr double kSecond = 1.0 / 86400;

TEST(CivilDateTest, KnownDayCounts) {
  EXPECT_EQ(CivilToDate({1899, 12, 30}), 0);
  EXPECT_EQ(CivilToDate({1900, 1, 1}), 2);
  EXPECT_EQ(CivilToDate({2013, 9, 10}), 41527);
  EXPECT_EQ(CivilToDate({100, 1, 1}),
            -657434);  // the format's documented minimum
  EXPECT_EQ(CivilToDate({2013, 9, 10, 18, 0, 0}), 41527.75);
}

TEST(CivilDateTest, BeforeTheEpochTheFractionCountsForward) {
  EXPECT_EQ(CivilToDate({1899, 12, 29, 6, 0, 0}), -1.25);
  EXPECT_EQ(DateToCivil(-1.25), (CivilTime{1899, 12, 29, 6, 0, 0}));
  EXPECT_EQ(DateToCivil(-0.25), (CivilTime{1899, 12, 30, 6, 0, 0}));
  EXPECT_EQ(DateToCivil(-2.5), (CivilTime{1899, 12, 28, 12, 0, 0}));
}

TEST(CivilDateTest, RoundsToTheNearestSecondAcrossMidnight) {
  const double day = CivilToDate({2013, 12, 31});
  EXPECT_EQ(DateToCivil(day + 1 - 0.4 * kSecond), (CivilTime{2014, 1, 1}));
  EXPECT_EQ(DateToCivil(day + 1 - 0.6 * kSecond),
            (CivilTime{2013, 12, 31, 23, 59, 59}));
  EXPECT_EQ(DateToCivil(-1.9999999999), (CivilTime{1899, 12, 30}));
}

TEST(CivilDateTest, RoundTripsEverySecondOfADayAndManyDays) {
  for (int s = 0; s < 86400; s += 7) {
    const CivilTime t{2024, 2, 29, s / 3600, s / 60 % 60, s % 60};
    ASSERT_EQ(DateToCivil(CivilToDate(t)), t);
  }
  for (int d = -693000; d < 2958000; d += 997) {
    const CivilTime t = DateToCivil(d + 0.5);
    ASSERT_EQ(CivilToDate(t), d + 0.5) << d;
  }
}

TEST(CivilDateTest, FieldsCarryOver) {
  EXPECT_EQ(CivilToDate({2013, 13, 1}), CivilToDate({2014, 1, 1}));
  EXPECT_EQ(CivilToDate({2013, 3, 0}), CivilToDate({2013, 2, 28}));
  EXPECT_EQ(CivilToDate({2013, 1, 1, 24, 0, 0}), CivilToDate({2013, 1, 2}));
}

TEST(CivilDateTest, OutOfRangeGivesTheZeroDate) {
  EXPECT_EQ(DateToCivil(NAN), CivilTime{});
  EXPECT_EQ(DateToCivil(INFINITY), CivilTime{});
  EXPECT_EQ(DateToCivil(1e300), CivilTime{});
  EXPECT_EQ(DateToCivil(CivilToDate({10000, 1, 1})), CivilTime{});
  EXPECT_EQ(DateToCivil(CivilToDate({9999, 12, 31, 23, 59, 59})),
            (CivilTime{9999, 12, 31, 23, 59, 59}));
}

TEST(DateTimeTextTest, LeavesOffZeroPartsFromTheRight) {
  EXPECT_EQ(DateTimeText(CivilToDate({2013, 9, 10, 9, 5, 7})),
            "2013年9月10日9时5分7秒");
  EXPECT_EQ(DateTimeText(CivilToDate({2013, 9, 10, 9, 5, 0})),
            "2013年9月10日9时5分");
  EXPECT_EQ(DateTimeText(CivilToDate({2013, 9, 10, 9, 0, 0})),
            "2013年9月10日9时");
  EXPECT_EQ(DateTimeText(CivilToDate({2013, 9, 10})), "2013年9月10日");
  EXPECT_EQ(DateTimeText(CivilToDate({2013, 9, 10, 0, 0, 30})),
            "2013年9月10日0时0分30秒");
  EXPECT_EQ(DateTimeText(CivilToDate({2013, 9, 10, 0, 7, 0})),
            "2013年9月10日0时7分");
}

TEST(DateTimeTextTest, TheGbkFormIsTheSameTextWrittenInPlace) {
  for (const CivilTime& t :
       std::vector<CivilTime>{{2013, 9, 10, 9, 5, 7},
                              {2013, 9, 10, 9, 5, 0},
                              {2013, 9, 10, 9, 0, 0},
                              {2013, 9, 10},
                              {2013, 9, 10, 0, 0, 30},
                              {2026, 12, 31, 23, 59, 59},
                              {9999, 12, 31, 23, 59, 59}}) {
    std::string gbk;
    ASSERT_TRUE(Utf8ToGbk(DateTimeText(CivilToDate(t)), &gbk));
    // The bytes after the text are left as they were.
    std::string buffer(kDateTextRoom, 'x');
    char* end = WriteDateTimeTextGbk(CivilToDate(t), buffer.data());
    EXPECT_EQ(std::string(buffer.data(), end), gbk)
        << DateTimeText(CivilToDate(t));
    EXPECT_EQ(buffer.substr(gbk.size()),
              std::string(kDateTextRoom - gbk.size(), 'x'));
  }
}

TEST(DateTimeTextTest, TheCachingGbkWriterWritesWhatTheDirectOneDoes) {
  std::vector<double> dates = {0,
                               -0.25,
                               -1.25,
                               0.999999999,  // rounds to the next midnight
                               46082.9999999,
                               1e8,  // beyond any year
                               -1e8,
                               std::nan(""),
                               CivilToDate({9999, 12, 31, 23, 59, 59}),
                               CivilToDate({1, 1, 1}),
                               CivilToDate({10000, 1, 1})};
  // Days 32 apart share a slot: each must still show its own date.
  for (int day = 0; day < 200; ++day) {
    dates.push_back(46000 + day + (day % 7) / 24.0);
    dates.push_back(46000 + (day % 5) * 32 + (day * 37 % 86400) / 86400.0);
    dates.push_back(-(day * 61) - (day % 3) / 8.0);
  }
  GbkDateTextWriter writer;
  for (const double date : dates) {
    char expected[kDateTextRoom];
    char written[kDateTextRoom];
    char* expected_end = WriteDateTimeTextGbk(date, expected);
    char* written_end = writer.Write(date, written);
    ASSERT_EQ(std::string(written, written_end),
              std::string(expected, expected_end))
        << date << " " << DateTimeText(date);
  }
}

TEST(DateTimeIsoTest, FormatsAndParses) {
  const double date = CivilToDate({2013, 9, 10, 9, 5, 7});
  EXPECT_EQ(DateTimeIso(date), "2013-09-10 09:05:07");
  EXPECT_EQ(DateTimeIso(0), "");
  double parsed = 0;
  ASSERT_TRUE(ParseDateTimeIso("2013-09-10 09:05:07", &parsed));
  EXPECT_EQ(parsed, date);
  ASSERT_TRUE(ParseDateTimeIso("2024-02-29", &parsed));
  EXPECT_EQ(parsed, CivilToDate({2024, 2, 29}));
}

TEST(DateTimeIsoTest, RejectsMalformedText) {
  double parsed = 7;
  for (const char* text :
       {"", "2013-9-10", "2013-09-10 ", "2013-09-10 9:05:07",
        "2013-09-10 09:05", "2013-09-10T09:05:07", "2013-02-29", "2013-13-01",
        "2013-00-10", "2013-09-10 24:00:00", "2013-09-10 09:60:00",
        "0000-01-01", "2013-09-10 09:05:07x"}) {
    EXPECT_FALSE(ParseDateTimeIso(text, &parsed)) << text;
  }
  EXPECT_EQ(parsed, 7);
}

class LocalTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = getenv("TZ");
    had_tz_ = tz != nullptr;
    if (had_tz_) old_tz_ = tz;
    setenv("TZ", "CST-8", 1);  // China Standard Time, no daylight saving
    tzset();
  }
  void TearDown() override {
    if (had_tz_) {
      setenv("TZ", old_tz_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
    ResetClock();
  }

 private:
  bool had_tz_ = false;
  std::string old_tz_;
};

TEST_F(LocalTimeTest, ConvertsUnixTimeBothWays) {
  // 2013-09-10 01:05:07 UTC is 09:05:07 in Beijing.
  const long long unix_time = 1378775107;
  EXPECT_EQ(LocalCivil(unix_time), (CivilTime{2013, 9, 10, 9, 5, 7}));
  EXPECT_EQ(CivilToUnixLocal({2013, 9, 10, 9, 5, 7}), unix_time);
}

TEST_F(LocalTimeTest, NowIsLocalWholeSecondsUnlessFixed) {
  const long long before = std::time(nullptr);
  const double now = Now();
  const long long after = std::time(nullptr);
  const long long seconds = CivilToUnixLocal(DateToCivil(now));
  EXPECT_GE(seconds, before);
  EXPECT_LE(seconds, after);
  EXPECT_EQ(CivilToDate(DateToCivil(now)), now);

  const double fixed = CivilToDate({2014, 1, 31, 17, 0, 0});
  SetClock(fixed);
  EXPECT_EQ(Now(), fixed);
  ResetClock();
  EXPECT_NE(Now(), fixed);
}

}  // namespace
}  // namespace matslip
