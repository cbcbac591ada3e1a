#include "workbook/grid_file_commands.h"

#include "base/dialogs.h"
#include "base/gbk.h"
#include "grid/cell_format.h"
#include "grid/data_src.h"
#include "grid/grid_file.h"

namespace matslip {
namespace {

constexpr char kOpenTitle[] = "请选择要打开的表格文件：";
constexpr char kSaveTitle[] = "请输入欲另存到的表格文件名：";
constexpr char kSaveAgainTitle[] = "请输入欲保存到的表格文件名：";
constexpr char kSaveFailed[] = "保存文件失败！";
constexpr char kErrorCaption[] = "错误";
constexpr std::size_t kProposedNameBytes = 8;
constexpr char kGridFileLabel[] = "表格文件";
constexpr char kPlaceholderName[] = "中------";
constexpr char kPlaceholderReplacement[] = "抄表清单";

// ".grd"
std::string GridExtension() { return std::string(".") + kGridFileSuffix; }

// "表格文件(*.grd)|*.grd"
std::string GridFileFilter() {
  const std::string pattern = "*" + GridExtension();
  return kGridFileLabel + ("(" + pattern + ")|" + pattern);
}

FileDialogRequest GridFileRequest(bool save, const std::string& title,
                                  const std::string& program_dir) {
  FileDialogRequest request;
  request.save = save;
  request.title = title;
  request.filter = GridFileFilter();
  request.directory = program_dir;
  request.default_suffix = kGridFileSuffix;
  return request;
}

// The start of the UTF-8 character that ends just before `end`.
std::size_t PreviousCharacter(std::string_view text, std::size_t end) {
  std::size_t start = end - 1;
  while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
    --start;
  return start;
}

}  // namespace

std::string CaptionFromPath(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  std::string name(slash == std::string_view::npos ? path
                                                   : path.substr(slash + 1));
  const std::string extension = GridExtension();
  for (std::size_t at; (at = name.find(extension)) != std::string::npos;)
    name.erase(at, extension.size());
  return name;
}

std::string ProposedSaveName(std::string_view caption) {
  // Whole characters from the end while they fit the 8 GBK bytes: a cut in
  // the middle of a double-byte character would show a broken one.
  std::size_t start = caption.size();
  std::size_t bytes = 0;
  while (start > 0) {
    const std::size_t previous = PreviousCharacter(caption, start);
    const std::size_t length =
        GbkLength(caption.substr(previous, start - previous));
    if (bytes + length > kProposedNameBytes) break;
    bytes += length;
    start = previous;
  }
  const std::string name(caption.substr(start));
  return name == kPlaceholderName ? kPlaceholderReplacement : name;
}

GridFileOpen OpenGridFile(Dialogs& dialogs, const std::string& program_dir,
                          DataSrc* table, std::string* path,
                          std::string* caption) {
  if (!dialogs.ChooseFile(GridFileRequest(false, kOpenTitle, program_dir),
                          path))
    return GridFileOpen::kCancelled;
  const bool loaded = LoadFromFile(table, *path);
  table->SetTextColour(
      {2, 1, table->GetRowCount() - 1, table->GetColumnCount()}, kBlack);
  *caption = CaptionFromPath(*path);
  return loaded ? GridFileOpen::kLoaded : GridFileOpen::kFailed;
}

bool SaveGridFile(Dialogs& dialogs, const std::string& program_dir,
                  const DataSrc& table, const std::string& caption,
                  std::string* path) {
  FileDialogRequest request = GridFileRequest(true, kSaveTitle, program_dir);
  request.file_name = ProposedSaveName(caption);
  if (!dialogs.ChooseFile(request, path)) return false;
  if (path->empty()) {
    request.title = kSaveAgainTitle;
    if (!dialogs.ChooseFile(request, path)) return false;
  }
  if (SaveToFile(table, *path)) return true;
  dialogs.Message(kSaveFailed, kErrorCaption, MessageIcon::kError);
  return false;
}

}  // namespace matslip
