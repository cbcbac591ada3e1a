// matslip-db demo DIR: DIR/data.mzk (+ data.edt) holding a plausible stock
// of a power-supply warehouse, each material received once on the same day,
// a few at or below their alarm quantity and two out of stock.
#include <iostream>

#include "base/datetime.h"
#include "base/files.h"
#include "base/number.h"
#include "commands.h"
#include "material/material_table.h"
#include "material_writer.h"

namespace matslip::db_tool {

namespace {

struct DemoMaterial {
  const char* name;
  const char* model;
  const char* unit;
  double quantity;
  double price;
  double alarm;
};

constexpr DemoMaterial kMaterials[] = {
    {"钢芯铝绞线", "LGJ-95/20", "米", 3200, 9.85, 500},
    {"钢芯铝绞线", "LGJ-120/25", "米", 2800, 12.5, 500},
    {"钢芯铝绞线", "LGJ-150/25", "米", 1500, 15.2, 400},
    {"钢芯铝绞线", "LGJ-185/30", "米", 300, 18.6, 400},
    {"绝缘导线", "JKLYJ-10/120", "米", 2000, 14.8, 300},
    {"绝缘导线", "JKLYJ-10/70", "米", 1200, 9.6, 300},
    {"绝缘导线", "JKLYJ-1/95", "米", 900, 6.35, 200},
    {"电力电缆", "YJV22-8.7/15-3×240", "米", 180, 386.5, 50},
    {"电力电缆", "YJV22-8.7/15-3×70", "米", 260, 142.8, 50},
    {"电力电缆", "YJV22-0.6/1-4×50", "米", 40, 96.4, 50},
    {"悬式绝缘子", "XP-70", "只", 600, 38.5, 100},
    {"悬式绝缘子", "XP-100", "只", 240, 52, 100},
    {"针式绝缘子", "P-15T", "只", 450, 26.8, 100},
    {"针式绝缘子", "P-20T", "只", 100, 33.5, 100},
    {"蝶式绝缘子", "ED-2", "只", 800, 4.2, 200},
    {"跌落式熔断器", "RW12-12/100", "台", 36, 420, 10},
    {"跌落式熔断器", "RW12-12/200", "台", 8, 465, 10},
    {"熔丝", "10A", "根", 500, 1.8, 100},
    {"熔丝", "30A", "根", 300, 2.2, 100},
    {"熔丝", "50A", "根", 0, 2.6, 100},
    {"避雷器", "HY5WS-17/50", "只", 60, 185, 20},
    {"避雷器", "HY5WZ-17/45", "只", 24, 268, 20},
    {"电能表", "DDZY-5(60)A", "只", 320, 218, 50},
    {"电能表", "DTZY-1.5(6)A", "只", 45, 680, 20},
    {"互感器", "LMZJ1-0.5 200/5", "只", 30, 165, 10},
    {"互感器", "LMZJ1-0.5 400/5", "只", 12, 178, 10},
    {"变压器油", "25#", "千克", 1200, 11.5, 200},
    {"变压器", "S11-M-200/10", "台", 3, 42800, 1},
    {"变压器", "S11-M-100/10", "台", 0, 28600, 1},
    {"耐张线夹", "NLL-2", "套", 260, 35.6, 50},
    {"耐张线夹", "NXL-2", "套", 180, 28.4, 50},
    {"并沟线夹", "JB-2", "套", 900, 5.8, 200},
    {"横担", "∠63×6×1500", "根", 140, 112, 30},
    {"横担", "∠75×8×1800", "根", 25, 168, 30},
    {"拉线棒", "φ16×2000", "根", 120, 46.5, 30},
    {"抱箍", "φ190", "套", 160, 24, 40},
    {"U型挂环", "U-7", "只", 700, 6.5, 100},
    {"电杆", "φ190×12m", "根", 48, 1380, 10},
    {"电杆", "φ190×15m", "根", 16, 2150, 10},
    {"接地线", "BVR-25", "米", 600, 12.6, 100},
    {"柱上断路器", "ZW32-12/630", "台", 4, 18500, 2},
    {"低压综合配电箱", "JP柜 400kVA", "块", 2, 16800, 2},
};

// The material as received: opening stock booked as today's, this month's
// and this year's receipt, with its stock-in log line.
std::vector<Value> Received(const DemoMaterial& m, double date) {
  using namespace material;
  const double value = RoundTo(m.quantity * m.price, 2);
  std::vector<Value> row(kFieldCount);
  row[kName - 1] = m.name;
  row[kModel - 1] = m.model;
  row[kUnit - 1] = m.unit;
  row[kQuantity - 1] = m.quantity;
  row[kPrice - 1] = m.price;
  row[kValue - 1] = value;
  row[kInQuantity - 1] = row[kMonthInQuantity - 1] = row[kYearInQuantity - 1] =
      m.quantity;
  row[kInValue - 1] = row[kMonthInValue - 1] = row[kYearInValue - 1] = value;
  row[kInDate - 1] = Value::Date(date);
  row[kInLog - 1] = "数量 " + NumberToText(m.quantity) + " 单价 " +
                    NumberToText(m.price) + " 金额 " + NumberToText(value) +
                    " " + DateTimeText(date) + "\r\n";
  row[kAlarm - 1] = m.alarm;
  return row;
}

}  // namespace

int RunDemo(const Args& args) {
  const std::string& dir = args[0];
  const std::string path = dir + "/" + kMaterialFile;
  if (!CreateDirectory(dir)) {
    std::cerr << "matslip-db: " << dir << ": cannot be created\n";
    return kExitFailure;
  }
  if (FileExists(path)) {
    std::cerr << "matslip-db: " << path << " exists; not replaced\n";
    return kExitFailure;
  }
  std::vector<std::vector<Value>> rows;
  int minutes = 0;
  for (const DemoMaterial& m : kMaterials) {
    // Received one after another on the morning of 1 December 2026.
    rows.push_back(Received(m, CivilToDate({2026, 12, 1, 9, 30 + minutes})));
    minutes += 3;
  }
  std::string why;
  if (!WriteMaterialTable(path, rows, &why)) {
    std::cerr << "matslip-db: " << why << '\n';
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace matslip::db_tool
