#include "workbook/result_sort.h"

#include "base/files.h"
#include "material/material_table.h"
#include "store/db.h"
#include "workbook/workbook_state.h"

namespace matslip {
namespace {

constexpr char kResultAlias[] = "qd";

}  // namespace

bool SortResultTable(const std::string& program_dir, const std::string& field,
                     bool ascending, WorkbookState* state) {
  state->sorted = true;
  // Without this check a failed open would sort whatever table is current.
  if (!DbOpen(ProgramFilePath(program_dir, kResultFile), kResultAlias))
    return false;
  const bool sorted = DbSortTo(ProgramFilePath(program_dir, kSortedResultFile),
                               field, ascending);
  DbClose(kResultAlias);
  return sorted;
}

}  // namespace matslip
