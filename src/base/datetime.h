#pragma once
// Date-times: days since 30 December 1899 00:00 as a double, the fraction
// being the time of day; the program's values carry whole seconds.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace matslip {

struct CivilTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
  bool operator==(const CivilTime&) const = default;
};

// Calendar time -> day count (proleptic Gregorian, no time zone involved).
// Before 1899-12-30 the whole part is the (negative) day and the fraction the
// time of day with a minus sign: 1899-12-29 06:00 is -1.25. Fields beyond
// their range carry over (month 13 is January of the next year).
double CivilToDate(const CivilTime& t);
// Day count -> calendar time, rounded to the nearest whole second; the whole
// part gives the day and the fraction's magnitude the time, so -0.25 and
// 0.25 are both 1899-12-30 06:00. Values outside years 1..9999 or not finite
// give the zero date (1899-12-30).
CivilTime DateToCivil(double date);

// "2013年9月10日9时5分7秒"; seconds, minutes and hour are left off from the
// right while they are zero, so midnight shows the date alone.
std::string DateTimeText(double date);
// The same text in GBK, written at `out` (room for kDateTextRoom bytes),
// returning its end: what a GBK file holds, without a UTF-8 text in between.
inline constexpr std::size_t kDateTextRoom = 48;
char* WriteDateTimeTextGbk(double date, char* out);

// Writes the same texts as WriteDateTimeTextGbk, keeping the date parts of
// the last days it saw (one per day number modulo the slot count, enough for
// a month): the rows of a report mostly share a few days, and then only the
// time of day is worked out.
class GbkDateTextWriter {
 public:
  char* Write(double date, char* out);

 private:
  struct Day {
    bool known = false;
    long long day = 0;
    std::array<char, kDateTextRoom> text;
    std::size_t size = 0;
  };
  std::array<Day, 32> days_;
};

// "YYYY-MM-DD HH:MM:SS"; empty for the zero date (0.0).
std::string DateTimeIso(double date);
// Reads "YYYY-MM-DD HH:MM:SS" or "YYYY-MM-DD"; false on anything else.
bool ParseDateTimeIso(std::string_view text, double* date);

// Local calendar time of a Unix time (whole seconds), and back.
CivilTime LocalCivil(long long unix_seconds);
long long CivilToUnixLocal(const CivilTime& t);

}  // namespace matslip
