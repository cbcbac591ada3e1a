// The day, month and year totals of a booking at the boundaries of their
// periods.
#include "material/period_totals.h"

#include <gtest/gtest.h>

#include "base/datetime.h"

namespace matslip {
namespace {

double At(int year, int month, int day, int hour = 12, int minute = 0,
          int second = 0) {
  return CivilToDate({year, month, day, hour, minute, second});
}

const PeriodTotals kBefore = {1, 2, 3, 4, 5, 6};

TEST(RollPeriodTotalsTest, SameDayAddsToEveryTotal) {
  EXPECT_EQ(
      RollPeriodTotals(kBefore, At(2026, 3, 5, 9), At(2026, 3, 5, 17), 10, 100),
      (PeriodTotals{11, 102, 13, 104, 15, 106}));
}

TEST(RollPeriodTotalsTest, NextDayRestartsTheDayTotalsOnly) {
  EXPECT_EQ(RollPeriodTotals(kBefore, At(2026, 3, 5), At(2026, 3, 6), 10, 100),
            (PeriodTotals{10, 100, 13, 104, 15, 106}));
}

TEST(RollPeriodTotalsTest, SameDayOfTheNextMonthRestartsDayAndMonth) {
  EXPECT_EQ(RollPeriodTotals(kBefore, At(2026, 3, 5), At(2026, 4, 5), 10, 100),
            (PeriodTotals{10, 100, 10, 100, 15, 106}));
}

TEST(RollPeriodTotalsTest, SameMonthAndDayOfTheNextYearRestartsAll) {
  EXPECT_EQ(RollPeriodTotals(kBefore, At(2026, 3, 5), At(2027, 3, 5), 10, 100),
            (PeriodTotals{10, 100, 10, 100, 10, 100}));
}

TEST(RollPeriodTotalsTest, MidnightBetweenTwoMonthsIsAnotherDayAndMonth) {
  EXPECT_EQ(RollPeriodTotals(kBefore, At(2026, 1, 31, 23, 59, 59),
                             At(2026, 2, 1, 0, 0, 0), 10, 100),
            (PeriodTotals{10, 100, 10, 100, 15, 106}));
}

TEST(RollPeriodTotalsTest, NewYearsEveToNewYearRestartsAll) {
  EXPECT_EQ(RollPeriodTotals(kBefore, At(2026, 12, 31, 23, 59, 59),
                             At(2027, 1, 1, 0, 0, 1), 10, 100),
            (PeriodTotals{10, 100, 10, 100, 10, 100}));
}

TEST(RollPeriodTotalsTest, NeverBookedBeforeRestartsAll) {
  EXPECT_EQ(RollPeriodTotals(kBefore, 0, At(2026, 3, 5), 10, 100),
            (PeriodTotals{10, 100, 10, 100, 10, 100}));
}

TEST(RollPeriodTotalsTest, EveryTotalIsRoundedToTwoPlaces) {
  EXPECT_EQ(RollPeriodTotals({0.1, 0.1, 0.1, 0.1, 0.1, 0.1}, At(2026, 3, 5),
                             At(2026, 3, 5), 0.2, 0.005),
            (PeriodTotals{0.3, 0.11, 0.3, 0.11, 0.3, 0.11}));
  EXPECT_EQ(RollPeriodTotals(kBefore, 0, At(2026, 3, 5), 0.125, -0.125),
            (PeriodTotals{0.13, -0.13, 0.13, -0.13, 0.13, -0.13}));
}

}  // namespace
}  // namespace matslip
