#include "base/datetime.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string_view>

namespace matslip {
namespace {

constexpr long long kSecondsPerDay = 86400;
// Day number of 1899-12-30 in DaysFromCivil's count (days since 1970-01-01).
constexpr long long kEpochDays = -25569;
// Beyond any year 1..9999, but small enough to convert to an integer.
constexpr double kDayLimit = 1e7;

long long FloorDiv(long long a, long long b) {
  return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12).
long long DaysFromCivil(long long y, long long m, long long d) {
  y -= m <= 2;
  const long long era = FloorDiv(y, 400);
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, CivilTime* t) {
  z += 719468;
  const long long era = FloorDiv(z, 146097);
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  t->day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t->month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t->year = static_cast<int>(yoe + era * 400 + (t->month <= 2));
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30,
                                  31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Reads exactly `width` digits at text[*pos].
bool ReadDigits(std::string_view text, std::size_t* pos, int width,
                int* value) {
  if (text.size() - *pos < static_cast<std::size_t>(width)) return false;
  *value = 0;
  for (int i = 0; i < width; ++i) {
    const char c = text[*pos + i];
    if (c < '0' || c > '9') return false;
    *value = *value * 10 + (c - '0');
  }
  *pos += width;
  return true;
}

bool ReadChar(std::string_view text, std::size_t* pos, char c) {
  if (*pos >= text.size() || text[*pos] != c) return false;
  ++*pos;
  return true;
}

}  // namespace

// Seconds before 1899-12-30 are written the way the day-count format keeps
// them: a negative whole day and the time of day as a positive fraction, so
// 1899-12-29 06:00 is -1.25 (not -0.75).
double CivilToDate(const CivilTime& t) {
  const long long months = static_cast<long long>(t.year) * 12 + t.month - 1;
  const long long days =
      DaysFromCivil(FloorDiv(months, 12),
                    months - FloorDiv(months, 12) * 12 + 1, 1) +
      t.day - 1 - kEpochDays;
  const long long seconds =
      days * kSecondsPerDay + t.hour * 3600LL + t.minute * 60LL + t.second;
  const long long day = FloorDiv(seconds, kSecondsPerDay);
  const double fraction =
      static_cast<double>(seconds - day * kSecondsPerDay) / kSecondsPerDay;
  return day >= 0 ? day + fraction : day - fraction;
}

namespace {

// The day and the second of the day a day count stands for, rounded to the
// nearest whole second; false when it is not finite or beyond any year.
bool SplitDate(double date, long long* day, long long* seconds) {
  if (!std::isfinite(date) || std::fabs(date) > kDayLimit) return false;
  double whole;
  const double fraction = std::fabs(std::modf(date, &whole));
  *day = static_cast<long long>(whole);
  *seconds = std::llround(fraction * kSecondsPerDay);
  if (*seconds >= kSecondsPerDay) {
    ++*day;
    *seconds -= kSecondsPerDay;
  }
  return true;
}

// The calendar day of SplitDate's day; false outside years 1..9999.
bool CivilDay(long long day, CivilTime* t) {
  CivilFromDays(day + kEpochDays, t);
  return t->year >= 1 && t->year <= 9999;
}

void SetTimeOfDay(long long seconds, CivilTime* t) {
  t->hour = static_cast<int>(seconds / 3600);
  t->minute = static_cast<int>(seconds / 60 % 60);
  t->second = static_cast<int>(seconds % 60);
}

}  // namespace

// Reads the day count the same way: the whole part is the day, the fraction's
// magnitude the time of day. So -0.25 is 1899-12-30 06:00, like 0.25.
CivilTime DateToCivil(double date) {
  long long day, seconds;
  CivilTime t;
  if (!SplitDate(date, &day, &seconds) || !CivilDay(day, &t))
    return CivilTime{};
  SetTimeOfDay(seconds, &t);
  return t;
}

namespace {

// The unit after each part of a date-time text, in one encoding.
struct DateUnits {
  std::string_view year, month, day, hour, minute, second;
};
constexpr DateUnits kUtf8Units = {"年", "月", "日", "时", "分", "秒"};
constexpr DateUnits kGbkUnits = {"\xC4\xEA", "\xD4\xC2", "\xC8\xD5",
                                 "\xCA\xB1", "\xB7\xD6", "\xC3\xEB"};

// Months, days and times have one or two digits: written without the
// general conversion.
char* WritePart(int value, std::string_view unit, char* out) {
  if (value >= 0 && value < 100) {
    if (value >= 10) *out++ = static_cast<char>('0' + value / 10);
    *out++ = static_cast<char>('0' + value % 10);
  } else {
    out = std::to_chars(out, out + 8, value).ptr;
  }
  return std::copy(unit.begin(), unit.end(), out);
}

// Templates on the units, so that their lengths are constants and each is
// copied in a move or two. The date part, then the time of day: hour, minute
// and second are left off from the right while they are zero.
template <const DateUnits& units>
char* WriteDayText(const CivilTime& t, char* out) {
  out = WritePart(t.year, units.year, out);
  out = WritePart(t.month, units.month, out);
  return WritePart(t.day, units.day, out);
}

template <const DateUnits& units>
char* WriteTimeText(const CivilTime& t, char* out) {
  if (t.hour == 0 && t.minute == 0 && t.second == 0) return out;
  out = WritePart(t.hour, units.hour, out);
  if (t.minute == 0 && t.second == 0) return out;
  out = WritePart(t.minute, units.minute, out);
  if (t.second != 0) out = WritePart(t.second, units.second, out);
  return out;
}

template <const DateUnits& units>
char* WriteDateText(double date, char* out) {
  const CivilTime t = DateToCivil(date);
  return WriteTimeText<units>(t, WriteDayText<units>(t, out));
}

}  // namespace

std::string DateTimeText(double date) {
  char buffer[kDateTextRoom];
  return std::string(buffer, WriteDateText<kUtf8Units>(date, buffer));
}

char* WriteDateTimeTextGbk(double date, char* out) {
  return WriteDateText<kGbkUnits>(date, out);
}

char* GbkDateTextWriter::Write(double date, char* out) {
  long long day, seconds;
  if (!SplitDate(date, &day, &seconds)) return WriteDateTimeTextGbk(date, out);
  Day& cached = days_[static_cast<unsigned long long>(day) % days_.size()];
  CivilTime t;
  if (!cached.known || cached.day != day) {
    if (!CivilDay(day, &t)) return WriteDateTimeTextGbk(date, out);
    cached.known = true;
    cached.day = day;
    cached.size = static_cast<std::size_t>(
        WriteDayText<kGbkUnits>(t, cached.text.data()) - cached.text.data());
  }
  out = std::copy_n(cached.text.data(), cached.size, out);
  SetTimeOfDay(seconds, &t);
  return WriteTimeText<kGbkUnits>(t, out);
}

std::string DateTimeIso(double date) {
  if (date == 0) return "";
  const CivilTime t = DateToCivil(date);
  char buffer[64];
  const int n =
      std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d",
                    t.year, t.month, t.day, t.hour, t.minute, t.second);
  return std::string(buffer, n);
}

bool ParseDateTimeIso(std::string_view text, double* date) {
  CivilTime t;
  std::size_t pos = 0;
  if (!ReadDigits(text, &pos, 4, &t.year) || !ReadChar(text, &pos, '-') ||
      !ReadDigits(text, &pos, 2, &t.month) || !ReadChar(text, &pos, '-') ||
      !ReadDigits(text, &pos, 2, &t.day)) {
    return false;
  }
  t.hour = t.minute = t.second = 0;
  if (pos < text.size() &&
      (!ReadChar(text, &pos, ' ') || !ReadDigits(text, &pos, 2, &t.hour) ||
       !ReadChar(text, &pos, ':') || !ReadDigits(text, &pos, 2, &t.minute) ||
       !ReadChar(text, &pos, ':') || !ReadDigits(text, &pos, 2, &t.second) ||
       pos != text.size())) {
    return false;
  }
  if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > DaysInMonth(t.year, t.month) || t.hour > 23 || t.minute > 59 ||
      t.second > 59) {
    return false;
  }
  *date = CivilToDate(t);
  return true;
}

CivilTime LocalCivil(long long unix_seconds) {
  const std::time_t time = static_cast<std::time_t>(unix_seconds);
  std::tm tm{};
  if (localtime_r(&time, &tm) == nullptr) return CivilTime{};
  return CivilTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                   tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

long long CivilToUnixLocal(const CivilTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  return static_cast<long long>(std::mktime(&tm));
}

}  // namespace matslip
