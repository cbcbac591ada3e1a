#pragma once
// Conversion between field bytes inside a record and Values. Memo and binary
// fields hold a block number here; their contents live in the memo file.
#include <cstdint>
#include <string>
#include <vector>

#include "store/schema.h"
#include "store/value.h"

namespace matslip {

// Adds the first memo block of each memo field of `record` that has one to
// `chains`: the chains the record owns in its memo file.
void AppendMemoChains(const Schema& schema, const char* record,
                      std::vector<std::int32_t>* chains);

// Decodes a fixed-size field (every type but 11 and 12) at `record`.
Value DecodeField(const FieldDef& f, const char* record);

// Encodes `v` into a fixed-size field of `record`, converting it to the
// field's type; a text is cut to the width at a character boundary (unless
// `cut_text` is false: then a longer text is refused) and padded with zero
// bytes. False (record unchanged) when a text has no GBK form, or when an
// integer field (types 1 to 4 and 9) would get a value that is not a whole
// number within its range.
bool EncodeField(const FieldDef& f, const Value& v, char* record,
                 bool cut_text = true);

// The raw stored bytes of a text field, up to its first zero byte.
std::string_view TextFieldBytes(const FieldDef& f, const char* record);

// Converts a memo value for storage: memo texts to GBK, binary as is.
// False when a text has no GBK form.
bool EncodeMemo(const FieldDef& f, const Value& v, std::string* bytes);
Value DecodeMemo(const FieldDef& f, std::string bytes);

// Three-way comparison of two records on one field by the field's type (texts
// byte by byte over the whole width, memo and binary always equal).
int CompareField(const FieldDef& f, const char* a, const char* b);

}  // namespace matslip
