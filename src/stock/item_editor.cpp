#include "stock/item_editor.h"

#include <algorithm>

#include "base/files.h"
#include "material/material_lookup.h"
#include "stock/in_use_message.h"
#include "store/db.h"
#include "store/file_io.h"

namespace matslip {

OpenedOn OpenOnMaterial(const std::string& program_dir,
                        const MaterialKey& selected) {
  // Fails harmlessly when the main window's build left it open.
  DbOpen(ProgramFilePath(program_dir, kMaterialFile), kMaterialAlias);
  if (!DbSelect(kMaterialAlias)) return OpenedOn::kNoTable;
  return FindMaterial(selected) ? OpenedOn::kFound : OpenedOn::kNotFound;
}

bool StepMaterial(int direction) {
  const bool stays_enabled =
      direction > 0 ? DbRecordNumber() < DbRecordCount() : DbRecordNumber() > 1;
  DbSkip(direction);
  return stays_enabled;
}

bool DeleteCurrentMaterial(Dialogs& dialogs) {
  const int n = DbRecordNumber();
  if (n >= 1 && n <= DbRecordCount()) {
    std::string material = DbRead(material::kName).ToText();
    const std::string model = DbRead(material::kModel).ToText();
    if (!model.empty()) material += " " + model;
    if (!dialogs.Ask(kDeleteQuestionStart + material + kDeleteQuestionEnd))
      return false;
  }
  DbDelete();
  DbPurge();
  dialogs.Message(kDeletedMessage);
  DbGoTo(std::max(n - 1, 1));
  return true;
}

std::string FormProblemMessage(const FormProblem& problem) {
  const std::string field = material::kFieldNames[problem.field - 1];
  if (problem.not_a_number) return field + kNotANumber;
  if (problem.not_encodable) return field + kNotEncodable;
  return field + kTooLongMiddle + std::to_string(problem.limit_bytes) +
         kTooLongEnd;
}

void StockIn(const std::string& backup_folder, const StockInForm& form,
             double now, Dialogs& dialogs) {
  if (const auto problem = CheckStockInForm(form)) {
    dialogs.Message(FormProblemMessage(*problem), kInfoCaption,
                    MessageIcon::kWarning);
    return;
  }
  const BusyWatch busy;
  if (!BookStockIn(backup_folder, form, now).booked) {
    // The backup folder lies in the program directory, beside the table.
    dialogs.Message(busy.busy() ? TableInUseMessage(ProgramFilePath(
                                      DirName(backup_folder), kMaterialFile))
                                : kStockInFailed,
                    kInfoCaption, MessageIcon::kWarning);
    return;
  }
  dialogs.Message(kStockInDone);
}

}  // namespace matslip
