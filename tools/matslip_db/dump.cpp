// matslip-db dump FILE: every record as a line of TSV (see field_text.h),
// after a header line naming the fields.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string_view>

#include "base/gbk.h"
#include "commands.h"
#include "field_text.h"
#include "open_table.h"
#include "store/field_text_writer.h"
#include "store/file_io.h"
#include "tsv.h"

namespace matslip::db_tool {

int RunDump(const Args& args) {
  std::unique_ptr<Table> table = OpenReadOnly(args[0]);
  if (!table) return kExitFailure;
  const Schema& schema = table->schema();
  std::string out = "#";
  for (const FieldDef& f : schema.fields()) out += '\t' + EscapeCell(f.name);
  out += '\n';

  FieldTextWriter values(DateTextForm::kIso);
  std::string value;
  for (const FieldDef& f : schema.fields())
    value.resize(std::max(value.size(), FieldTextWriter::Room(f)));
  std::string memo_bytes, failure;
  bool ok = table->ForEachRecord([&](int index, const char* record) {
    if (GetI32(record) < 0) out += '-';
    out += std::to_string(index + 1);
    for (const FieldDef& f : schema.fields()) {
      out += '\t';
      if (!IsMemoType(f.type)) {
        const char* end = values.Write(f, record, value.data());
        out += EscapeCell(
            GbkToUtf8(std::string_view(value.data(), end - value.data())));
        continue;
      }
      memo_bytes.clear();
      const std::int32_t first = GetI32(record + f.offset);
      if (first != 0 && !table->memo()->ReadChain(first, &memo_bytes)) {
        failure = "record " + std::to_string(index + 1) + " field " + f.name +
                  ": memo chain is damaged";
        return false;
      }
      out += MemoCellText(f, memo_bytes);
    }
    out += '\n';
    if (out.size() >= (1 << 16)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
    return true;
  });
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  if (!ok) {
    std::cerr << "matslip-db: " << args[0] << ": "
              << (failure.empty() ? "records cannot be read" : failure) << '\n';
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace matslip::db_tool
