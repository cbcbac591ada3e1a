// Books receipts on a small material table with durable writes on, so that
// the flushes of one receipt can be counted from outside:
//   sync_count <folder> 0 new      a material table of three materials
//   sync_count <folder> 1          one receipt (its backup folder made)
//   strace -c -f -e trace=fsync,fdatasync,sync_file_range \
//     sync_count <folder> 10       ten more receipts of the same material
#include <cstdlib>
#include <string>
#include <vector>

#include "base/files.h"
#include "material/material_table.h"
#include "material/stock_in.h"
#include "store/db.h"
#include "store/durability.h"
#include "store/table.h"

int main(int argc, char** argv) {
  using namespace matslip;
  using namespace matslip::material;
  if (argc < 3) return 2;
  const std::string dir = argv[1];
  const std::string table = dir + "/" + kMaterialFile;
  SetDurableWrites(true);
  if (argc > 3) {
    auto t =
        CreateDirectory(dir) ? Table::Create(table, Schema(Fields())) : nullptr;
    for (int i = 1; t && i <= 3; ++i) {
      std::vector<Value> v(kFieldCount);
      v[kName - 1] = "材料" + std::to_string(i);
      v[kModel - 1] = "型号";
      v[kInLog - 1] = "first\r\n";
      if (!t->Append(v)) return 1;
    }
    return t ? 0 : 1;
  }
  if (!DbOpen(table, kMaterialAlias)) return 1;
  const int receipts = std::atoi(argv[2]);
  for (int k = 0; k < receipts; ++k) {
    const StockInForm form{"材料2", "型号", "根", "2", "3", "6", "1"};
    // A day apart, so that each receipt rolls its period totals the same.
    if (!BookStockIn(dir + "/" + kStockInBackupFolder, form, 45000 + k).booked)
      return 1;
  }
  return 0;
}
