#pragma once
// Measures the peak memory an operation takes on top of what was held before
// it, by counting the bytes taken and given back through the global
// operator new and delete (which this unit replaces) while a count runs.
// Outside a count the replacement costs one relaxed load. Memory taken with
// malloc directly (SQLite's) is not counted.
#include <cstddef>

namespace matslip::bench {

// Starts counting from zero.
void StartHeapCount();
// Stops counting; the highest net number of bytes taken since the start.
std::size_t StopHeapCount();

}  // namespace matslip::bench
