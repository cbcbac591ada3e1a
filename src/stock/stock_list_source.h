#pragma once
// Where the stock list comes from: the material table, opened under "data"
// (opened anew when it was replaced on disk), its seven list fields copied
// to the list file. What went wrong is said in the user's words, so that a
// damaged table or a wrong folder never looks like an empty warehouse.
#include <string>

namespace matslip {

// Starts the message about a data folder that is not there; the folder
// follows.
inline constexpr char kNoFolderText[] = "数据文件夹不存在：\n";

struct StockListSource {
  bool listed = false;  // the list file holds the table's materials
  std::string message;  // what the user must be told; empty when nothing
};

// Copies the stock-list fields of the material table at `data_path` to
// `list_path`. A table that this process may only read is read outside the
// registry and still listed; the message then says that bookings cannot be
// saved. A repair done by the open is told with the copy it left.
StockListSource CopyStockList(const std::string& data_path,
                              const std::string& list_path);

}  // namespace matslip
