#pragma once
// The field list of a table and the header bytes that describe it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace matslip {

struct FieldDef {
  std::string name;  // UTF-8; at most 16 bytes in GBK
  int type = 0;      // fmt::FieldType
  int width = 0;     // bytes, for texts only
  int offset = 0;    // inside the record; assigned by Schema
};

// Bytes a value of `type` takes in a record (`width` for texts); 0 for an
// unknown type.
int FieldSize(int type, int width);
bool IsMemoType(int type);     // 11 and 12
bool IsNumericType(int type);  // 1 to 6

class Schema {
 public:
  Schema() = default;
  // Lays the fields out from offset 4 upwards in order.
  explicit Schema(std::vector<FieldDef> fields);

  const std::vector<FieldDef>& fields() const { return fields_; }
  int field_count() const { return static_cast<int>(fields_.size()); }
  const FieldDef& field(int index) const { return fields_[index]; }
  int record_length() const { return record_length_; }
  int header_length() const;
  bool has_memo() const { return has_memo_; }
  // 0-based index of a field by name (case-insensitive), -1 when absent.
  int IndexOf(std::string_view name) const;
  // The indices of `names`, in their order, appended to `out`; false when a
  // name is absent.
  bool IndicesOf(const std::vector<std::string>& names,
                 std::vector<int>* out) const;
  // 0, 1, ... field_count() - 1: every field in order.
  std::vector<int> AllIndices() const;
  // Whether `other` has the same fields in the same order: names (compared
  // as names are), types and widths, so that records of one are records of
  // the other.
  bool SameFields(const Schema& other) const;

  // The header bytes of a new file: magic, version, `created`, count 0, next
  // identifier 1, record length, field count and descriptors. False, with a
  // reason, when a field name has no GBK form.
  bool EncodeHeader(double created, std::string* header,
                    std::string* why = nullptr) const;
  // Checks and reads a header (the first header_length bytes, or more).
  // False, with a reason, on a bad magic, version, length or descriptor.
  static bool Decode(std::string_view bytes, Schema* out, std::string* why);
  // The number of bytes the header of `bytes` claims, when its fixed part
  // (first 116 bytes) is readable; -1 otherwise.
  static std::int64_t HeaderLengthOf(std::string_view fixed_part);

 private:
  std::vector<FieldDef> fields_;
  int record_length_ = 4;
  bool has_memo_ = false;
};

}  // namespace matslip
