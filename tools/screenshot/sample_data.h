#pragma once
// What the pictures show beyond the demo table: materials picked from it and
// movements booked on it.
#include <vector>

#include "app/session.h"
#include "material/material_table.h"
#include "stock/stock_out_state.h"

namespace matslip::screenshot {

// The first `count` materials of the table, as picking their rows gives
// them.
std::vector<MaterialEntry> FirstMaterials(const Session& session, int count);

// Books a slip of five of the first materials at now and writes qd.mzk as
// 本月出库 does: the materials issued this month with this month's totals.
void WriteMonthOutResult(const Session& session);

// Books a receipt and two issues of the material on the last three days, so
// that its ledger shows both logs with more than one line.
void BookLedgerMovements(const Session& session, const MaterialKey& key);

}  // namespace matslip::screenshot
