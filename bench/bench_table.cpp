#include "bench_table.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "base/datetime.h"
#include "base/number.h"
#include "material/material_table.h"
#include "sqlite_db.h"
#include "store/format.h"
#include "store/table.h"

namespace matslip::bench {

namespace {

using namespace material;

struct Category {
  const char* name;
  const char* unit;
  const char*
      model;  // printf format taking two ints (the second may be unused)
  int a_lo, a_hi, b_lo, b_hi;
  double price_lo, price_hi;
};

constexpr Category kCategories[] = {
    {"钢芯铝绞线", "米", "LGJ-%d/%d", 35, 400, 6, 50, 5, 40},
    {"绝缘导线", "米", "JKLYJ-10/%d", 35, 240, 0, 0, 4, 30},
    {"低压绝缘导线", "米", "JKLYJ-1/%d", 16, 185, 0, 0, 2, 20},
    {"电力电缆", "米", "YJV22-8.7/15-3×%d", 35, 400, 0, 0, 80, 600},
    {"低压电力电缆", "米", "VV22-0.6/1-4×%d", 10, 240, 0, 0, 20, 300},
    {"控制电缆", "米", "KVV-%d×%d.5", 4, 37, 1, 2, 3, 40},
    {"悬式绝缘子", "只", "XP-%d", 40, 160, 0, 0, 20, 90},
    {"针式绝缘子", "只", "P-%dT", 10, 20, 0, 0, 10, 50},
    {"蝶式绝缘子", "只", "ED-%d", 1, 4, 0, 0, 2, 10},
    {"跌落式熔断器", "台", "RW12-12/%d", 50, 200, 0, 0, 300, 700},
    {"熔丝", "根", "%dA", 1, 200, 0, 0, 0.5, 5},
    {"避雷器", "只", "HY5WS-17/%d", 45, 50, 0, 0, 100, 400},
    {"电能表", "只", "DDZY-%d(%d)A", 1, 10, 20, 100, 150, 900},
    {"电流互感器", "只", "LMZJ1-0.5 %d/5", 50, 1500, 0, 0, 80, 400},
    {"变压器油", "千克", "%d#", 10, 45, 0, 0, 8, 20},
    {"配电变压器", "台", "S11-M-%d/10", 30, 1250, 0, 0, 15000, 180000},
    {"耐张线夹", "套", "NLL-%d", 1, 5, 0, 0, 15, 80},
    {"并沟线夹", "套", "JB-%d", 1, 5, 0, 0, 3, 15},
    {"设备线夹", "套", "SL-%d", 1, 6, 0, 0, 10, 60},
    {"横担", "根", "∠%d×%d×1500", 50, 90, 5, 10, 60, 260},
    {"拉线棒", "根", "φ%d×%d", 14, 24, 1500, 3000, 25, 90},
    {"抱箍", "套", "φ%d", 150, 400, 0, 0, 12, 60},
    {"U型挂环", "只", "U-%d", 7, 21, 0, 0, 3, 20},
    {"电杆", "根", "φ190×%dm", 8, 18, 0, 0, 900, 3500},
    {"接地线", "米", "BVR-%d", 10, 95, 0, 0, 5, 60},
    {"柱上断路器", "台", "ZW32-12/%d", 400, 1250, 0, 0, 12000, 40000},
    {"隔离开关", "台", "GW9-12/%d", 200, 1250, 0, 0, 800, 4000},
    {"电缆终端头", "套", "WLS-10/%d", 1, 4, 0, 0, 200, 1200},
    {"铜接线端子", "只", "DT-%d", 10, 400, 0, 0, 1, 30},
    {"螺栓", "套", "M%d×%d", 10, 24, 40, 400, 0.5, 8},
};
constexpr const char* kQualifiers[] = {
    "", "", "", "", "防腐", "加强型", "户外", "户内", "镀锌", "新型"};
constexpr const char* kMakers[] = {"南瑞", "许继",   "平高", "特变",
                                   "正泰", "德力西", "泰开", "思源"};

class Generator {
 public:
  explicit Generator(std::uint64_t seed) : rng_(seed) {}

  int Int(int lo, int hi) {  // inclusive
    return lo + static_cast<int>(rng_() % std::uint64_t(hi - lo + 1));
  }
  double Unit() { return (rng_() >> 11) * 0x1.0p-53; }
  bool Chance(double p) { return Unit() < p; }
  // A date-time with whole seconds in [first, first + days).
  double DateIn(double first, int days) {
    return first + Int(0, days - 1) + Int(0, 86399) / 86400.0;
  }

  std::vector<Value> Material() {
    const Category& c = kCategories[Int(0, std::size(kCategories) - 1)];
    char model[96];
    std::snprintf(model, sizeof model, c.model, Int(c.a_lo, c.a_hi),
                  Int(c.b_lo, c.b_hi));
    std::string full_model = model;
    if (Chance(0.3))
      full_model +=
          std::string("(") + kMakers[Int(0, std::size(kMakers) - 1)] + ")";
    const bool by_length =
        std::string(c.unit) == "米" || std::string(c.unit) == "千克";
    auto quantity = [&](int hi) {
      return by_length ? RoundTo(Unit() * hi, 2) : double(Int(0, hi / 10));
    };
    const double price =
        RoundTo(c.price_lo * std::pow(c.price_hi / c.price_lo, Unit()), 2);
    const double q = quantity(5000);
    const double value = RoundTo(q * price, 2);

    std::vector<Value> row(kFieldCount);
    row[kName - 1] =
        std::string(kQualifiers[Int(0, std::size(kQualifiers) - 1)]) + c.name;
    row[kModel - 1] = full_model;
    row[kUnit - 1] = c.unit;
    row[kQuantity - 1] = q;
    row[kPrice - 1] = price;
    row[kValue - 1] = value;
    const double in_q = quantity(2000), in_v = RoundTo(in_q * price, 2);
    const double in_date = DateIn(CivilToDate({2024, 1, 1}), 1065);
    row[kInQuantity - 1] = in_q;
    row[kInValue - 1] = in_v;
    row[kInDate - 1] = Value::Date(in_date);
    row[kInLog - 1] = Log(Chance(0.1) ? 32 : Int(1, 4), price, in_date);
    row[kMonthInQuantity - 1] = in_q * 2;
    row[kMonthInValue - 1] = in_v * 2;
    row[kYearInQuantity - 1] = in_q * 5;
    row[kYearInValue - 1] = in_v * 5;
    row[kAlarm - 1] = double(Int(0, 200));
    if (Chance(0.7)) {
      const double out_q = quantity(500), out_v = RoundTo(out_q * price, 2);
      const double out_date = DateIn(CivilToDate({2025, 1, 1}), 699);
      row[kOutQuantity - 1] = out_q;
      row[kOutValue - 1] = out_v;
      row[kOutDate - 1] = Value::Date(out_date);
      row[kOutLog - 1] = Log(Int(1, 3), price, out_date);
      row[kMonthOutQuantity - 1] = out_q * 2;
      row[kMonthOutValue - 1] = out_v * 2;
      row[kYearOutQuantity - 1] = out_q * 6;
      row[kYearOutValue - 1] = out_v * 6;
    }
    return row;
  }

 private:
  // `lines` log lines of movements up to `last`, about 64 bytes each.
  std::string Log(int lines, double price, double last) {
    std::string log;
    for (int i = lines - 1; i >= 0; --i) {
      const double q = Int(1, 500);
      log += "数量 " + NumberToText(q) + " 单价 " + NumberToText(price) +
             " 金额 " + NumberToText(RoundTo(q * price, 2)) + " " +
             DateTimeText(std::floor(last) - 7 * i + 0.375) + "\r\n";
    }
    return log;
  }

  std::mt19937_64 rng_;
};

void Fail(const std::string& what) {
  std::fprintf(stderr, "bench data: %s\n", what.c_str());
  std::abort();
}

void BindRow(sqlite3_stmt* insert, const std::vector<Value>& row) {
  for (int i = 0; i < kFieldCount; ++i) {
    const Value& v = row[static_cast<std::size_t>(i)];
    const int column = i + 1;
    if (v.kind() == Value::Kind::kText) {
      sqlite3_bind_text(insert, column, v.str().data(),
                        static_cast<int>(v.str().size()), SQLITE_TRANSIENT);
    } else if (i + 1 == kOutLog || i + 1 == kInLog) {
      sqlite3_bind_text(insert, column, "", 0, SQLITE_STATIC);
    } else {
      sqlite3_bind_double(insert, column, v.ToNumber());
    }
  }
}

}  // namespace

std::string SqliteColumns(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names)
    out += (out.empty() ? "\"" : ", \"") + n + "\"";
  return out;
}

namespace {

std::string SqliteColumnDefinitions() {
  std::string out;
  for (const FieldDef& f : Fields()) {
    if (!out.empty()) out += ", ";
    const bool text = f.type == fmt::kText || f.type == fmt::kMemo;
    out += "\"" + f.name + "\" " + (text ? "TEXT" : "REAL");
  }
  return out;
}

}  // namespace

BenchTable MakeBenchTable(const std::string& dir, int count, int key_count) {
  BenchTable b;
  b.count = count;
  b.table = dir + "/data" + std::to_string(count) + ".mzk";
  b.sqlite = dir + "/data" + std::to_string(count) + ".sqlite";
  std::unique_ptr<Table> table = Table::Create(b.table, Schema(Fields()));
  if (!table) Fail("cannot create " + b.table);
  SqliteDb db(b.sqlite);
  db.Exec("DROP TABLE IF EXISTS data; CREATE TABLE data(" +
          SqliteColumnDefinitions() + "); BEGIN;");
  std::string placeholders = "?";
  for (int i = 1; i < kFieldCount; ++i) placeholders += ",?";
  sqlite3_stmt* insert =
      db.Prepare("INSERT INTO data VALUES(" + placeholders + ")");

  Generator g(20261207);
  const int key_step = std::max(1, count / std::max(1, key_count));
  for (int i = 0; i < count; ++i) {
    std::vector<Value> row = g.Material();
    if (!table->Append(row)) Fail("cannot append to " + b.table);
    BindRow(insert, row);
    db.Drain(insert);
    if (i % key_step == key_step / 2 &&
        static_cast<int>(b.keys.size()) < key_count)
      b.keys.emplace_back(row[kName - 1].str(), row[kModel - 1].str());
  }
  sqlite3_finalize(insert);
  db.Exec("COMMIT;");
  return b;
}

}  // namespace matslip::bench
