#pragma once
// The order in which a sort writes records: by one or more fields, each
// ascending or descending, in CompareField's order; records that compare
// equal keep their order.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "store/schema.h"

namespace matslip {

struct OrderField {
  const FieldDef* field;
  bool ascending;
};

// The record numbers (0-based) of `count` records of `record_length` bytes
// lying side by side at `records`, in the order of `keys`.
std::vector<std::uint32_t> OrderRecords(const char* records, std::size_t count,
                                        std::size_t record_length,
                                        const std::vector<OrderField>& keys);

}  // namespace matslip
