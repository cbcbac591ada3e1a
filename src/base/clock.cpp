#include "base/clock.h"

#include <atomic>
#include <ctime>

#include "base/datetime.h"

namespace matslip {
namespace {

std::atomic<bool> clock_fixed{false};
std::atomic<double> fixed_date{0};

}  // namespace

double Now() {
  if (clock_fixed.load()) return fixed_date.load();
  return CivilToDate(LocalCivil(static_cast<long long>(std::time(nullptr))));
}

void SetClock(double date) {
  fixed_date.store(date);
  clock_fixed.store(true);
}

void ResetClock() { clock_fixed.store(false); }

}  // namespace matslip
