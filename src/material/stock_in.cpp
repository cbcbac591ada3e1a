#include "material/stock_in.h"

#include <cmath>
#include <utility>
#include <vector>

#include "base/datetime.h"
#include "base/gbk.h"
#include "base/number.h"
#include "material/booking_fields.h"
#include "material/material_backup.h"
#include "material/material_lookup.h"
#include "material/period_totals.h"
#include "store/db.h"
#include "store/file_io.h"

namespace matslip {
namespace {

using namespace material;

// The average price after a receipt. A stock brought to 0 (a negative
// receipt that cancels it) has no average; it keeps the price it had rather
// than storing an infinite or undefined one.
double AveragePrice(double value, double quantity, double previous) {
  if (quantity == 0) return previous;
  const double price = RoundTo(value / quantity, 2);
  return std::isfinite(price) ? price : previous;
}

}  // namespace

std::optional<FormProblem> CheckStockInForm(const StockInForm& form) {
  const std::vector<FieldDef> fields = Fields();
  const std::pair<Field, const std::string*> texts[] = {
      {kName, &form.name}, {kModel, &form.model}, {kUnit, &form.unit}};
  for (const auto& [field, text] : texts) {
    // A table of narrower fields than a new one's would cut the key.
    const int width = DbFieldWidth(field);
    const int limit = width > 0 ? width : fields[field - 1].width;
    std::string gbk;
    // A NUL ends a text field's bytes: it could not be read back as typed.
    if (!Utf8ToGbk(*text, &gbk) || gbk.find('\0') != std::string::npos)
      return FormProblem{field, limit, true};
    if (gbk.size() > static_cast<std::size_t>(limit))
      return FormProblem{field, limit, false};
  }
  const std::pair<Field, const std::string*> numbers[] = {
      {kPrice, &form.price},
      {kQuantity, &form.quantity},
      {kAlarm, &form.alarm},
      {kValue, &form.value}};
  for (const auto& [field, text] : numbers) {
    double value;
    if (!text->empty() && !ParseTypedNumber(*text, &value))
      return FormProblem{field, 0, false, true};
  }
  return std::nullopt;
}

std::string AmountText(const std::string& price, const std::string& quantity) {
  return NumberToText(RoundTo(TypedNumber(price) * TypedNumber(quantity), 2));
}

StockInForm ReadMaterialForm() {
  StockInForm form;
  const int n = DbRecordNumber();
  if (n < 1 || n > DbRecordCount()) {
    form.price = form.quantity = form.alarm = "0";
    return form;
  }
  form.name = DbRead(kName).ToText();
  form.model = DbRead(kModel).ToText();
  form.unit = DbRead(kUnit).ToText();
  form.price = DbRead(kPrice).ToText();
  form.quantity = DbRead(kQuantity).ToText();
  form.alarm = DbRead(kAlarm).ToText();
  return form;
}

std::string StockInLogLine(const StockInForm& form, double price_after,
                           double quantity_after, double now) {
  return "数量 " + form.quantity + " 单价 " + form.price + " 金额 " +
         form.value + " 入库后均价 " + NumberToText(price_after) + " 数量 " +
         NumberToText(quantity_after) + " 时间 " + DateTimeText(now) + "\r\n";
}

namespace {

// The material's record must still be where the search found it once its
// lock is held (a delete elsewhere may have moved the records up).
bool CurrentIs(const MaterialKey& key) {
  return DbRead(kName).str() == key.name && DbRead(kModel).str() == key.model;
}

}  // namespace

// Another process may book, create, undo or restore between any two steps
// here: the record is read and written under its lock, a new material is
// appended only when the records added since the search do not hold it, and
// a table replaced meanwhile is opened anew and the receipt tried again.
StockInResult BookStockIn(const std::string& backup_folder,
                          const StockInForm& form, double now) {
  StockInResult result;
  if (!DbSelect(kMaterialAlias)) return result;
  const double q = TypedNumber(form.quantity);
  const double p = TypedNumber(form.price);
  const double a = TypedNumber(form.value);
  const double alarm = TypedNumber(form.alarm);
  const MaterialKey key{form.name, form.model};
  const BusyWatch busy;
  constexpr int kAttempts = 3;
  for (int attempt = 0; attempt < kAttempts && !busy.busy(); ++attempt) {
    if (!DbFollowPath()) return result;
    const int searched = DbRecordCount();
    const std::vector<int> records = FindMaterialRecords({key}).front();
    // A search that could not read the count found nothing: no backup then.
    if (busy.busy()) return result;
    // A backup or a write that failed refuses the receipt; it is not tried
    // again.
    bool refused = false;
    double price_after = p, quantity_after = q;
    const auto book_existing = [&] {
      if (!CurrentIs(key)) return false;
      // No receipt without its backup, taken of the record as it is under
      // the lock, so that it is the state just before this receipt: the
      // undo would put back an older one.
      refused = !WriteMaterialBackup(backup_folder, key, records);
      if (refused) return false;
      const PeriodTotals totals = RollPeriodTotals(
          ReadPeriodTotals(kInPeriodFields), DbRead(kInDate).ToNumber(), now,
          q, a);
      quantity_after = RoundTo(DbRead(kQuantity).ToNumber() + q, 2);
      const double value_after = RoundTo(DbRead(kValue).ToNumber() + a, 2);
      price_after =
          AveragePrice(value_after, quantity_after, DbRead(kPrice).ToNumber());
      std::vector<std::pair<FieldRef, Value>> fields = {
          {kQuantity, quantity_after},
          {kValue, value_after},
          {kPrice, price_after},
          {kInDate, Value::Date(now)},
          {kAlarm, alarm}};
      for (const auto& [field, total] : TotalsByField(totals, kInPeriodFields))
        fields.push_back({field, total});
      refused = !WriteBooking(
          fields, kInLog,
          StockInLogLine(form, price_after, quantity_after, now));
      return !refused;
    };
    if (!records.empty()) {
      if (!DbGoTo(records.front())) continue;
      if (!DbUpdate(book_existing)) {
        if (refused) return result;
        continue;
      }
    } else {
      // A material not yet in the table gets a backup without records.
      if (!WriteMaterialBackup(backup_folder, key, records)) return result;
      // Every fixed field in the one append: a crash leaves the new material
      // whole or absent.
      const PeriodTotals totals = RollPeriodTotals({}, 0, now, q, a);
      std::vector<Value> values(kFieldCount);
      values[kName - 1] = form.name;
      values[kModel - 1] = form.model;
      values[kUnit - 1] = form.unit;
      values[kQuantity - 1] = q;
      values[kPrice - 1] = p;
      values[kValue - 1] = p * q;
      values[kInDate - 1] = Value::Date(now);
      values[kAlarm - 1] = alarm;
      for (const auto& [field, total] : TotalsByField(totals, kInPeriodFields))
        values[field - 1] = total;
      // The log line in the same append, which is made whole or not at all.
      values[kInLog - 1] = StockInLogLine(form, p, q, now);
      bool appended = false;
      if (!DbAppendUnless(
              values, searched + 1, [&] { return CurrentIs(key); },
              &appended)) {
        // Added, but its log line could not be written: refused, never
        // tried again, for a record that could not be taken back (another
        // process appended after it) would take the receipt a second time.
        if (appended) return result;
        continue;
      }
      // Created by another process since the search: booked on it in the
      // next attempt, after its backup.
      if (!appended) continue;
      result.created = true;
    }
    result.booked = true;
    result.record_number = DbRecordNumber();
    return result;
  }
  return result;
}

}  // namespace matslip
