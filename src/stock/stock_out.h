#pragma once
// Booking an outbound slip ("出库"): every line in order takes the
// material's stock-out backup, lowers its stock, adds to its issue totals,
// stamps the date and appends its log line. Each line is one write of the
// record after its backup is in place, so a crash leaves every line booked
// or not, never half.
#include <string>
#include <vector>

#include "material/material_table.h"

namespace matslip {

// One line of the slip as it stands: the material and the texts of its
// quantity and amount cells as shown.
struct SlipLine {
  MaterialKey key;
  std::string quantity_text;
  std::string value_text;
};

struct Slip {
  std::vector<SlipLine> lines;  // the slip's non-empty lines, in order
  std::string department;       // 领料部门, as on the slip
  std::string received_by;      // 领料, as on the slip
};

// Shown after the booking when lines were refused because something could
// not be written, followed by their materials, one a line.
inline constexpr char kLinesRefused[] =
    "以下材料没有出库(备份或出库记录无法写入,请检查磁盘空间和写入权限):";
// The same for lines refused because another program held the table; the
// in-use message (stock/in_use_message.h) follows their materials.
inline constexpr char kLinesNotBookedInUse[] = "以下材料没有出库:";

// The lines BookStockOut refused, by why; their materials are as they were.
struct RefusedLines {
  // Their backup, record or log line could not be written (a full disk, a
  // folder that cannot be written).
  std::vector<MaterialKey> unwritten;
  // Another program held the table past the wait limit: trying again later
  // books them.
  std::vector<MaterialKey> in_use;
};

// Books `slip` at `now` on the material table of `program_dir` (opened as
// "data" when it is not open, and left open), backups in its 出库备份, each
// taken under the record's lock just before its line is booked. A line
// whose material is not in the table is skipped. A line whose backup,
// record or log line cannot be written, or that cannot be booked because
// another program holds the table past the wait limit, is refused and its
// key added to `refused` (when given) by that reason. The number of lines
// booked. `found`, when given, is FindMaterialRecords of the lines' keys,
// made by the caller on the open table; the lines are searched for here
// otherwise.
int BookStockOut(const std::string& program_dir, const Slip& slip, double now,
                 RefusedLines* refused = nullptr,
                 const std::vector<std::vector<int>>* found = nullptr);

// The message for lines BookStockOut refused on the table at `table`
// ("品名 规格型号" a line), each reason with its own text.
std::string LinesRefusedMessage(const std::string& table,
                                const RefusedLines& refused);

}  // namespace matslip
