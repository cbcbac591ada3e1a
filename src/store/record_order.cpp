#include "store/record_order.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <variant>

#include "store/format.h"
#include "store/record_codec.h"

namespace matslip {

namespace {

// Signed integers in unsigned order.
std::uint64_t SignedKey(std::int64_t v) {
  return static_cast<std::uint64_t>(v) ^ (std::uint64_t{1} << 63);
}

// Doubles in CompareField's order: NaN first (key 0), then -inf up to +inf,
// with -0 and 0 equal.
std::uint64_t DoubleKey(double v) {
  if (std::isnan(v)) return 0;
  if (v == 0) v = 0;
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return (bits >> 63) ? ~bits : bits | (std::uint64_t{1} << 63);
}

// An unsigned key that orders records on field `f` as CompareField does:
// part 0 is the whole order for every type but texts; a text's part p orders
// it by its bytes 8p to 8p + 7.
std::uint64_t OrderKey(const FieldDef& f, const char* record, int part) {
  return VisitField(f, record, [part](auto v) -> std::uint64_t {
    using T = decltype(v);
    if constexpr (std::is_same_v<T, std::string_view>) {
      const std::size_t first = 8 * static_cast<std::size_t>(part);
      std::uint64_t key = 0;
      for (std::size_t i = first; i < first + 8; ++i)
        key = key << 8 | (i < v.size() ? static_cast<unsigned char>(v[i]) : 0u);
      return key;
    } else if (part > 0) {
      return 0;
    } else if constexpr (std::is_same_v<T, bool> ||
                         std::is_same_v<T, std::uint8_t>) {
      return v;
    } else if constexpr (std::is_integral_v<T>) {
      return SignedKey(v);
    } else if constexpr (std::is_floating_point_v<T>) {
      return DoubleKey(v);
    } else if constexpr (std::is_same_v<T, StoredDate>) {
      return DoubleKey(v.days);
    } else {
      return 0;
    }
  });
}

// Whether keys of `parts` parts decide the order of field `f`.
bool OrderKeysDecide(const FieldDef& f, int parts) {
  return f.type != fmt::kText || f.width <= 8 * parts;
}

// One key: (order key, record number) pairs are sorted, so that most
// comparisons look at neither the records nor the key's type; the records
// themselves are compared only where the keys cannot tell.
std::vector<std::uint32_t> OrderByOne(const char* base, std::size_t n,
                                      std::size_t reclen,
                                      const OrderField& key) {
  const FieldDef& f = *key.field;
  const bool ascending = key.ascending;
  constexpr int kParts = 2;
  const bool decides = OrderKeysDecide(f, kParts);
  struct Entry {
    std::uint64_t key[kParts];
    std::uint32_t index;
    bool rest_zero;  // a text's bytes after the keyed ones are all zero
  };
  std::vector<Entry> entries(n);
  for (std::size_t i = 0; i < n; ++i) {
    const char* rec = base + i * reclen;
    Entry& e = entries[i];
    for (int p = 0; p < kParts; ++p) {
      std::uint64_t k = OrderKey(f, rec, p);
      e.key[p] = ascending ? k : ~k;
    }
    e.index = static_cast<std::uint32_t>(i);
    e.rest_zero = true;
    for (int b = 8 * kParts; !decides && b < f.width; ++b) {
      if (rec[f.offset + b] != 0) {
        e.rest_zero = false;
        break;
      }
    }
  }
  std::sort(
      entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        for (int p = 0; p < kParts; ++p)
          if (a.key[p] != b.key[p]) return a.key[p] < b.key[p];
        if (!a.rest_zero || !b.rest_zero) {
          int c =
              CompareField(f, base + a.index * reclen, base + b.index * reclen);
          if (c != 0) return ascending ? c < 0 : c > 0;
        }
        return a.index < b.index;  // equal keys keep their order
      });
  std::vector<std::uint32_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = entries[i].index;
  return order;
}

}  // namespace

std::vector<std::uint32_t> OrderRecords(const char* records, std::size_t count,
                                        std::size_t record_length,
                                        const std::vector<OrderField>& keys) {
  if (keys.size() == 1)
    return OrderByOne(records, count, record_length, keys.front());
  std::vector<std::uint32_t> order(count);
  for (std::size_t i = 0; i < count; ++i)
    order[i] = static_cast<std::uint32_t>(i);
  std::stable_sort(
      order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        for (const OrderField& k : keys) {
          int c = CompareField(*k.field, records + a * record_length,
                               records + b * record_length);
          if (c != 0) return k.ascending ? c < 0 : c > 0;
        }
        return false;
      });
  return order;
}

}  // namespace matslip
