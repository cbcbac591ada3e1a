#pragma once
// The loading of a statistics result into the workbook's table: a header
// row of field names, one row per record, and a total row whose column 6
// holds the total of the amounts rounded to cents.
#include <string>

namespace matslip {

class DataSrc;
class DbProvider;
struct WorkbookState;

inline constexpr char kTotalRowLabel[] = "合      计";
inline constexpr int kTotalColumn = 6;  // the amount
// Column widths (tenths of a millimetre): narrower when more than this many
// columns have to share the window.
inline constexpr int kManyColumns = 9;
inline constexpr int kNarrowColumnWidth = 270;
inline constexpr int kColumnWidth = 320;

// The result file the next loading reads: qd4.mzk after a sort, else qd.mzk.
std::string ResultTablePath(const std::string& program_dir,
                            const WorkbookState& state);

// Fills the empty `table` from ResultTablePath() through `loader` (whose
// file name is empty again afterwards) and clears the sorted flag. A file
// that cannot be opened gives a table with an empty header and a total row.
void LoadResultTable(const std::string& program_dir, WorkbookState* state,
                     DataSrc* table, DbProvider* loader);

// The last row that is not the total row: the row count less one when the
// last row reads kTotalRowLabel in column 1, else the row count. Sums and
// fills stop there, so that the total is never counted into itself nor
// overwritten.
int LastRowAboveTotal(const DataSrc& table);

}  // namespace matslip
