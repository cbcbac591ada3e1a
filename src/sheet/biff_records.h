#pragma once
// What the workbook stream of a binary .xls says, read from its records
// directly: the claims FreeXL would trust before it allocates, and the
// cached results of formula cells (FreeXL leaves those cells empty).
#include <string_view>

#include "sheet/sheet_cells.h"

namespace matslip {

// Null when FreeXL may be given the workbook; else the reason it is refused
// (sheet/sheet_errors.h): encrypted, a string table claiming more strings
// than the stream could hold, sheets claiming more than `max_cells` cells
// in all (FreeXL allocates each sheet's claimed cells up front).
const char* CheckBiffClaims(std::string_view workbook, long long max_cells);

// The worksheet a spreadsheet program opens the workbook on, by its place
// among the workbook's sheets (0-based): the window's current tab when that
// is a worksheet, else the first worksheet; -1 when there is none.
int OpenedSheet(std::string_view workbook);

// Sets the formula cells of `cells`' area in the sheet at place `sheet`
// from a workbook stream ("Workbook" of BIFF 8, "Book" of BIFF 5): numbers
// as numbers (as date-times in cells formatted as dates), texts, booleans
// and errors as the spreadsheet shows them. Records cut short end the
// reading.
void ReadFormulaResults(std::string_view workbook, int sheet,
                        SheetCells* cells);

}  // namespace matslip
