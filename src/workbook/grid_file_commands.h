#pragma once
// The workbook's "打开表格" and "另存为表格": the file dialogs, the caption
// a grid file gives the window, and the name a save proposes.
#include <string>
#include <string_view>

namespace matslip {

class DataSrc;
class Dialogs;

// The window caption for a grid file: the part of `path` after its last '/'
// or '\', with every ".grd" in it removed.
std::string CaptionFromPath(std::string_view path);

// The file name a save proposes for the window caption: its last 8 bytes in
// GBK, shortened to whole characters; "中------" becomes "抄表清单".
std::string ProposedSaveName(std::string_view caption);

enum class GridFileOpen { kCancelled, kFailed, kLoaded };

// Asks for a grid file in the program folder and loads it into `table`
// (unchanged when it fails). Unless cancelled, *path is the file chosen,
// rows 2 on turn black and *caption becomes the file's caption, whether it
// loaded or not.
GridFileOpen OpenGridFile(Dialogs& dialogs, const std::string& program_dir,
                          DataSrc* table, std::string* path,
                          std::string* caption);

// Asks for a file name, proposing one from `caption`, and saves `table`
// there; a failed save is told to the user. *path gets the file saved to.
// False when cancelled or not saved.
bool SaveGridFile(Dialogs& dialogs, const std::string& program_dir,
                  const DataSrc& table, const std::string& caption,
                  std::string* path);

}  // namespace matslip
