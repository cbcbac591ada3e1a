#include "store/schema.h"

#include <algorithm>
#include <cstring>

#include "base/gbk.h"
#include "store/file_io.h"
#include "store/format.h"
#include "store/names.h"

namespace matslip {

namespace {

// Sanity limits for headers read from files: generous for any real table,
// small enough that nothing is ever allocated from a hostile number.
constexpr int kMaxFieldCount = 4096;
constexpr int kMaxRecordLength = 1 << 20;

}  // namespace

int FieldSize(int type, int width) {
  switch (type) {
    case fmt::kByte:
    case fmt::kBoolean:
      return 1;
    case fmt::kShort:
      return 2;
    case fmt::kInt:
    case fmt::kSingle:
    case fmt::kValue4:
    case fmt::kBinary:
    case fmt::kMemo:
      return 4;
    case fmt::kLong:
    case fmt::kDouble:
    case fmt::kDateTime:
      return 8;
    case fmt::kText:
      return width;
    default:
      return 0;
  }
}

bool IsMemoType(int type) { return type == fmt::kBinary || type == fmt::kMemo; }
bool IsNumericType(int type) {
  return type >= fmt::kByte && type <= fmt::kDouble;
}

Schema::Schema(std::vector<FieldDef> fields) : fields_(std::move(fields)) {
  int offset = fmt::kRecordIdSize;
  for (FieldDef& f : fields_) {
    if (f.type != fmt::kText) f.width = 0;
    f.offset = offset;
    offset += FieldSize(f.type, f.width);
    has_memo_ = has_memo_ || IsMemoType(f.type);
  }
  record_length_ = offset;
}

int Schema::header_length() const {
  return fmt::kFixedHeaderSize + fmt::kDescriptorSize * field_count();
}

int Schema::IndexOf(std::string_view name) const {
  for (int i = 0; i < field_count(); ++i) {
    if (NamesEqual(fields_[i].name, name)) return i;
  }
  return -1;
}

std::vector<int> Schema::AllIndices() const {
  std::vector<int> all(fields_.size());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
  return all;
}

bool Schema::SameFields(const Schema& other) const {
  return std::equal(
      fields_.begin(), fields_.end(), other.fields_.begin(),
      other.fields_.end(), [](const FieldDef& a, const FieldDef& b) {
        return NamesEqual(a.name, b.name) && a.type == b.type &&
               FieldSize(a.type, a.width) == FieldSize(b.type, b.width);
      });
}

bool Schema::IndicesOf(const std::vector<std::string>& names,
                       std::vector<int>* out) const {
  for (const std::string& n : names) {
    const int i = IndexOf(n);
    if (i < 0) return false;
    out->push_back(i);
  }
  return true;
}

bool Schema::EncodeHeader(double created, std::string* header,
                          std::string* why) const {
  std::string& h = *header;
  h.assign(static_cast<std::size_t>(header_length()), '\0');
  char* p = h.data();
  std::memcpy(p + fmt::kMagicOffset, fmt::kMagic, 4);
  PutI32(p + fmt::kVersionOffset, fmt::kVersion);
  PutF64(p + fmt::kCreatedOffset, created);
  PutI32(p + fmt::kCountOffset, 0);
  PutI32(p + fmt::kNextIdOffset, 1);
  PutI32(p + fmt::kRecordLengthOffset, record_length_);
  PutI32(p + fmt::kFieldCountOffset, field_count());
  for (int i = 0; i < field_count(); ++i) {
    char* d = p + fmt::kFixedHeaderSize + i * fmt::kDescriptorSize;
    std::string name;
    if (!Utf8ToGbk(fields_[i].name, &name)) {
      if (why) *why = "field name has no GBK form";
      return false;
    }
    name.resize(GbkCutLength(name, fmt::kDescNameMax));
    std::memcpy(d, name.data(), name.size());
    PutI32(d + fmt::kDescTypeOffset, fields_[i].type);
    PutI32(d + fmt::kDescOffsetOffset, fields_[i].offset);
    PutI32(d + fmt::kDescWidthOffset,
           fields_[i].type == fmt::kText ? fields_[i].width : 0);
  }
  return true;
}

std::int64_t Schema::HeaderLengthOf(std::string_view fixed) {
  if (fixed.size() < static_cast<std::size_t>(fmt::kFixedHeaderSize)) return -1;
  std::int32_t n = GetI32(fixed.data() + fmt::kFieldCountOffset);
  if (n <= 0 || n > kMaxFieldCount) return -1;
  return fmt::kFixedHeaderSize + std::int64_t{fmt::kDescriptorSize} * n;
}

bool Schema::Decode(std::string_view bytes, Schema* out, std::string* why) {
  auto fail = [why](const char* reason) {
    if (why) *why = reason;
    return false;
  };
  if (bytes.size() < static_cast<std::size_t>(fmt::kFixedHeaderSize))
    return fail("file shorter than its header");
  const char* p = bytes.data();
  if (std::memcmp(p, fmt::kMagic, 4) != 0) return fail("bad magic");
  std::int32_t version = GetI32(p + fmt::kVersionOffset);
  if (version > fmt::kVersion) return fail("unsupported version");
  if (GetI32(p + fmt::kCountOffset) < 0) return fail("negative record count");
  if (GetI32(p + fmt::kNextIdOffset) <= 0) return fail("bad next identifier");
  std::int32_t record_length = GetI32(p + fmt::kRecordLengthOffset);
  if (record_length <= 0) return fail("bad record length");
  if (record_length > kMaxRecordLength) return fail("record length too large");
  std::int64_t header_length = HeaderLengthOf(bytes);
  if (header_length < 0) return fail("bad field count");
  if (bytes.size() < static_cast<std::size_t>(header_length))
    return fail("file shorter than its field descriptors");
  std::int32_t n = GetI32(p + fmt::kFieldCountOffset);

  Schema s;
  s.fields_.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const char* d = p + fmt::kFixedHeaderSize + i * fmt::kDescriptorSize;
    const void* zero = std::memchr(d, 0, fmt::kDescNameMax + 1);
    if (!zero) return fail("field name not terminated");
    FieldDef f;
    f.name = GbkToUtf8(std::string_view(d, static_cast<const char*>(zero) - d));
    f.type = GetI32(d + fmt::kDescTypeOffset);
    f.offset = GetI32(d + fmt::kDescOffsetOffset);
    f.width = GetI32(d + fmt::kDescWidthOffset);
    if (f.type < fmt::kByte || f.type > fmt::kMemo)
      return fail("bad field type");
    if (f.offset < 0) return fail("negative field offset");
    if (f.type == fmt::kText && f.width < 1) return fail("bad text width");
    if (f.type != fmt::kText) f.width = 0;
    // A field must lie inside the record, after the identifier; anything
    // else would read outside the record buffer.
    std::int64_t end = std::int64_t{f.offset} + FieldSize(f.type, f.width);
    if (f.offset < fmt::kRecordIdSize || end > record_length)
      return fail("field outside the record");
    s.has_memo_ = s.has_memo_ || IsMemoType(f.type);
    s.fields_.push_back(std::move(f));
  }
  s.record_length_ = record_length;
  *out = std::move(s);
  return true;
}

}  // namespace matslip
