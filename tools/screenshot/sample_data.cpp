#include "sample_data.h"

#include <iterator>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/number.h"
#include "material/stock_in.h"
#include "reports/period_report.h"
#include "stock/stock_out.h"
#include "store/db.h"

namespace matslip::screenshot {

std::vector<MaterialEntry> FirstMaterials(const Session& session, int count) {
  namespace m = material;
  std::vector<MaterialEntry> entries;
  if (DbOpen(session.PathOf(kMaterialFile), "first") && DbFirst()) {
    do {
      MaterialEntry e;
      e.key = {DbRead(m::kName).ToText(), DbRead(m::kModel).ToText()};
      e.unit = DbRead(m::kUnit).ToText();
      e.price = DbRead(m::kPrice).ToNumber();
      e.quantity = DbRead(m::kQuantity).ToNumber();
      e.value = DbRead(m::kValue).ToNumber();
      entries.push_back(e);
    } while (static_cast<int>(entries.size()) < count && DbSkip());
  }
  DbClose("first");
  return entries;
}

void WriteMonthOutResult(const Session& session) {
  constexpr int kIssued[] = {0, 4, 10, 15, 22};
  constexpr const char* kQuantities[] = {"350", "120", "36", "4", "25"};
  const auto first = FirstMaterials(session, 23);
  Slip slip;
  for (std::size_t i = 0; i < std::size(kIssued); ++i) {
    if (kIssued[i] < static_cast<int>(first.size()))
      slip.lines.push_back(
          {first[kIssued[i]].key, kQuantities[i],
           NumberToText(RoundTo(
               TextToNumber(kQuantities[i]) * first[kIssued[i]].price, 2))});
  }
  const double now = Now();
  BookStockOut(session.program_dir, slip, now);
  WritePeriodReport(session.program_dir, PeriodReport::kMonthOut, now);
}

void BookLedgerMovements(const Session& session, const MaterialKey& key) {
  DbOpen(session.PathOf(kMaterialFile), kMaterialAlias);
  const CivilTime today = DateToCivil(Now());
  auto at = [&today](int days_ago, int hour, int minute) {
    return CivilToDate({today.year, today.month, today.day, hour, minute, 0}) -
           days_ago;
  };
  SetClock(at(2, 9, 30));
  BookStockIn(session.PathOf(kStockInBackupFolder),
              {key.name, key.model, "米", "12.5", "800", "10000", "500"},
              Now());
  SetClock(at(1, 14, 10));
  BookStockOut(session.program_dir,
               {{{key, "350", "4375"}}, "线路一班", "王强"}, Now());
  SetClock(at(0, 10, 45));
  BookStockOut(session.program_dir,
               {{{key, "120", "1500"}}, "配电运维班", "李明"}, Now());
  ResetClock();
}

}  // namespace matslip::screenshot
