#pragma once
// "Now" for the whole program. Production code asks Now(); tests set a fixed
// time so that bookings on 31 January and 1 February can be made in a row.
namespace matslip {

// The current local date-time as a day count (see datetime.h), whole seconds.
double Now();

// Replaces the clock with a fixed value (a day count); Now() returns it until
// ResetClock(). Not thread-safe; for tests and tools.
void SetClock(double date);
void ResetClock();

}  // namespace matslip
