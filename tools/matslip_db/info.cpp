// matslip-db info FILE: the header of a table and its field descriptors.
#include <iostream>

#include "base/datetime.h"
#include "commands.h"
#include "open_table.h"

namespace matslip::db_tool {

int RunInfo(const Args& args) {
  std::unique_ptr<Table> table = OpenReadOnly(args[0]);
  if (!table) return kExitFailure;
  std::int32_t count, next_id;
  if (!table->ReadCounts(&count, &next_id)) {
    std::cerr << "matslip-db: " << args[0] << ": counts cannot be read\n";
    return kExitFailure;
  }
  const Schema& schema = table->schema();
  std::cout << "version\t" << table->version() << '\n'
            << "created\t" << DateTimeIso(table->created()) << '\n'
            << "records\t" << count << '\n'
            << "next identifier\t" << next_id << '\n'
            << "record length\t" << schema.record_length() << '\n'
            << "header length\t" << schema.header_length() << '\n'
            << "fields\t" << schema.field_count() << '\n'
            << "#\tname\ttype\toffset\twidth\n";
  for (int i = 0; i < schema.field_count(); ++i) {
    const FieldDef& f = schema.field(i);
    std::cout << i + 1 << '\t' << f.name << '\t' << f.type << '\t' << f.offset
              << '\t' << f.width << '\n';
  }
  return kExitOk;
}

}  // namespace matslip::db_tool
