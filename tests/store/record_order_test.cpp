// The sort order of records: the fast one-key order must agree with a plain
// stable sort by CompareField for every field type, in both directions,
// including the values where shortcuts go wrong (NaN, -0, the extremes of
// signed integers, texts that differ only after their first 16 bytes or in
// bytes after the zero that ends them).
#include "store/record_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "store/file_io.h"
#include "store/format.h"
#include "store/record_codec.h"

namespace matslip {
namespace {

std::vector<std::uint32_t> Reference(const std::string& records,
                                     std::size_t reclen,
                                     const std::vector<OrderField>& keys) {
  std::vector<std::uint32_t> order(records.size() / reclen);
  for (std::size_t i = 0; i < order.size(); ++i)
    order[i] = static_cast<std::uint32_t>(i);
  std::stable_sort(order.begin(), order.end(), [&](auto a, auto b) {
    for (const OrderField& k : keys) {
      int c = CompareField(*k.field, records.data() + a * reclen,
                           records.data() + b * reclen);
      if (c != 0) return k.ascending ? c < 0 : c > 0;
    }
    return false;
  });
  return order;
}

class RecordOrderTest : public ::testing::Test {
 protected:
  RecordOrderTest()
      : schema_({{"b", fmt::kByte},
                 {"t", fmt::kBoolean},
                 {"s", fmt::kShort},
                 {"i", fmt::kInt},
                 {"l", fmt::kLong},
                 {"f", fmt::kSingle},
                 {"d", fmt::kDouble},
                 {"w", fmt::kDateTime},
                 {"x", fmt::kText, 40},
                 {"y", fmt::kText, 6}}) {}

  // Records drawn from small pools, so that equal values are common.
  std::string MakeRecords(int count, unsigned seed) {
    std::mt19937 rng(seed);
    const std::size_t reclen = std::size_t(schema_.record_length());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double doubles[] = {0.0, -0.0, 1.5,   -1.5,    nan, -nan,
                              inf, -inf, 1e300, -1e-300, 2.0, 45000.25};
    const std::int64_t longs[] = {0,
                                  1,
                                  -1,
                                  std::numeric_limits<std::int64_t>::min(),
                                  std::numeric_limits<std::int64_t>::max(),
                                  (std::int64_t{1} << 53) + 1,
                                  std::int64_t{1} << 53};
    const std::string texts[] = {
        "",
        "A",
        "AB",
        std::string("\xb8\xd6\xd0\xbe\xc2\xc1\xbd\xca\xcf\xdf"),
        std::string(16, 'Q'),
        std::string(16, 'Q') + "a",
        std::string(16, 'Q') + "b",
        std::string(30, 'Q'),
        std::string("\xff\xfe"),
        std::string("Q\0tail", 6)};
    std::string out(std::size_t(count) * reclen, '\0');
    for (int r = 0; r < count; ++r) {
      char* rec = out.data() + std::size_t(r) * reclen;
      PutI32(rec, r + 1);
      auto pick = [&](auto& pool) {
        return pool[rng() % (sizeof pool / sizeof pool[0])];
      };
      const FieldDef* f = schema_.fields().data();
      rec[f[0].offset] = static_cast<char>(rng() % 3 ? 7 : 200);
      rec[f[1].offset] = static_cast<char>(rng() % 3);
      PutI16(rec + f[2].offset, static_cast<std::int16_t>(
                                    rng() % 2 ? -32768 : int(rng() % 5) - 2));
      PutI32(rec + f[3].offset, static_cast<std::int32_t>(pick(longs)));
      PutI64(rec + f[4].offset, pick(longs));
      PutF32(rec + f[5].offset, static_cast<float>(pick(doubles)));
      PutF64(rec + f[6].offset, pick(doubles));
      PutF64(rec + f[7].offset, pick(doubles));
      for (int t : {8, 9}) {
        const std::string text = pick(texts);
        std::memcpy(rec + f[t].offset, text.data(),
                    std::min<std::size_t>(text.size(), f[t].width));
      }
    }
    return out;
  }

  Schema schema_;
};

TEST_F(RecordOrderTest, OneKeyAgreesWithCompareFieldForEveryType) {
  const std::string records = MakeRecords(3000, 7);
  const std::size_t reclen = std::size_t(schema_.record_length());
  for (const FieldDef& f : schema_.fields()) {
    for (bool ascending : {true, false}) {
      std::vector<OrderField> keys{{&f, ascending}};
      EXPECT_EQ(OrderRecords(records.data(), 3000, reclen, keys),
                Reference(records, reclen, keys))
          << f.name << (ascending ? " ascending" : " descending");
    }
  }
}

TEST_F(RecordOrderTest, SeveralKeysAgreeWithCompareField) {
  const std::string records = MakeRecords(2000, 11);
  const std::size_t reclen = std::size_t(schema_.record_length());
  const auto& f = schema_.fields();
  std::vector<OrderField> keys{{&f[8], false}, {&f[6], true}, {&f[2], false}};
  EXPECT_EQ(OrderRecords(records.data(), 2000, reclen, keys),
            Reference(records, reclen, keys));
}

TEST_F(RecordOrderTest, NoRecordsGiveAnEmptyOrder) {
  std::vector<OrderField> keys{{&schema_.field(6), true}};
  EXPECT_TRUE(OrderRecords(nullptr, 0, 100, keys).empty());
}

}  // namespace
}  // namespace matslip
