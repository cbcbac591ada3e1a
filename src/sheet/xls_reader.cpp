#include "sheet/xls_reader.h"

#include <fcntl.h>
#include <freexl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "base/files.h"
#include "base/number.h"
#include "sheet/biff_records.h"
#include "sheet/compound_file.h"
#include "sheet/sheet_errors.h"
#include "sheet/shown_text.h"

namespace matslip {
namespace {

// The child's memory beyond what the parent had: FreeXL's cells (at most
// 32 MiB for kMaxXlsCells), its string table, the file's sectors.
constexpr long long kChildMemoryBytes = 96ll << 20;

// The child's exit codes: an index into kChildReasons.
const char* const kChildReasons[] = {
    nullptr,        kSheetDamaged,   kSheetCannotOpen,
    kSheetTooLarge, kSheetEncrypted, kSheetEmptyWorkbook,
};
enum ChildCode { kOk, kDamaged, kCannotOpen, kTooLarge, kEncrypted, kEmpty };

class Workbook {
 public:
  ~Workbook() {
    if (handle_) freexl_close(handle_);
  }
  int Open(const std::string& path) {
    return freexl_open(path.c_str(), &handle_);
  }
  const void* handle() const { return handle_; }

 private:
  const void* handle_ = nullptr;
};

std::string CellText(const FreeXL_CellValue& cell) {
  const char* text = cell.value.text_value ? cell.value.text_value : "";
  std::string shown;
  switch (cell.type) {
    case FREEXL_CELL_INT:
      return IntegerToText(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
      return NumberCellText(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
      return std::string(text).substr(0, kMaxCellBytes);
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
      return IsoDateCellText(text, &shown) ? shown : text;
    case FREEXL_CELL_TIME:
      // A time of day alone: on the zero date.
      return IsoDateCellText(std::string("1899-12-30 ") + text, &shown) ? shown
                                                                        : text;
    default:
      return {};
  }
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// In the child: the area's non-empty cells as (row, column, length, text)
// records on `fd`.
ChildCode SendCells(const std::string& path, const SheetArea& area, int sheet,
                    int fd) {
  Workbook book;
  const int error = book.Open(path);
  if (error == FREEXL_FILE_NOT_FOUND) return kCannotOpen;
  if (error == FREEXL_INSUFFICIENT_MEMORY) return kTooLarge;
  // FreeXL 1.0.6 answers some BIFF 5 workbooks with success and no handle.
  if (error != FREEXL_OK || !book.handle()) return kDamaged;
  unsigned int value = 0;
  if (freexl_get_info(book.handle(), FREEXL_BIFF_PASSWORD, &value) ==
          FREEXL_OK &&
      value == FREEXL_BIFF_OBFUSCATED)
    return kEncrypted;
  if (freexl_get_info(book.handle(), FREEXL_BIFF_SHEET_COUNT, &value) !=
          FREEXL_OK ||
      value == 0)
    return kEmpty;
  // FreeXL numbers the sheets as the workbook lists them.
  if (sheet < 0 || static_cast<unsigned>(sheet) >= value) sheet = 0;
  unsigned int rows = 0;
  unsigned short columns = 0;
  if (freexl_select_active_worksheet(
          book.handle(), static_cast<unsigned short>(sheet)) != FREEXL_OK ||
      freexl_worksheet_dimensions(book.handle(), &rows, &columns) != FREEXL_OK)
    return kDamaged;
  for (long long r = area.first_row; r <= area.last_row && r <= rows; ++r) {
    for (long long c = area.first_column; c <= area.last_column && c <= columns;
         ++c) {
      FreeXL_CellValue cell;
      if (freexl_get_cell_value(book.handle(), static_cast<unsigned>(r - 1),
                                static_cast<unsigned short>(c - 1),
                                &cell) != FREEXL_OK)
        return kDamaged;
      if (cell.type == FREEXL_CELL_NULL) continue;
      const std::string text = CellText(cell);
      const std::uint32_t head[3] = {static_cast<std::uint32_t>(r),
                                     static_cast<std::uint32_t>(c),
                                     static_cast<std::uint32_t>(text.size())};
      if (!WriteAll(fd, head, sizeof head) ||
          !WriteAll(fd, text.data(), text.size()))
        return kDamaged;
    }
  }
  return kOk;
}

// Sanitizers reserve and pad memory far beyond what the code asks for.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLimitChildMemory = false;
#else
constexpr bool kLimitChildMemory = true;
#endif

// The heap and private mappings of this process now (VmData), in bytes.
long long DataBytes() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long long kib = -1;
  while (std::fgets(line, sizeof line, f)) {
    if (std::sscanf(line, "VmData: %lld kB", &kib) == 1) break;
  }
  std::fclose(f);
  return kib < 0 ? -1 : kib * 1024;
}

bool ReadCellsInChild(const std::string& path, int sheet, SheetCells* cells,
                      std::string* reason) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return SheetFailure(reason, kSheetTooLarge);
  const long long data = DataBytes();
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return SheetFailure(reason, kSheetTooLarge);
  }
  if (child == 0) {
    close(fds[0]);
    if (kLimitChildMemory && data >= 0) {
      const rlimit limit{static_cast<rlim_t>(data + kChildMemoryBytes),
                         static_cast<rlim_t>(data + kChildMemoryBytes)};
      setrlimit(RLIMIT_DATA, &limit);
    }
    _exit(SendCells(path, cells->area(), sheet, fds[1]));
  }
  close(fds[1]);
  std::string bytes;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status)) return SheetFailure(reason, kSheetDamaged);
  const int code = WEXITSTATUS(status);
  if (code != kOk) {
    return SheetFailure(reason,
                        code < static_cast<int>(std::size(kChildReasons))
                            ? kChildReasons[code]
                            : kSheetDamaged);
  }
  for (std::size_t at = 0; at + 12 <= bytes.size();) {
    std::uint32_t head[3];
    std::memcpy(head, bytes.data() + at, sizeof head);
    at += sizeof head;
    if (head[2] > bytes.size() - at) break;
    cells->Set(static_cast<int>(head[0]), static_cast<int>(head[1]),
               bytes.substr(at, head[2]));
    at += head[2];
  }
  return true;
}

// An encrypted .xlsx is a compound file like an .xls, holding the stream
// "EncryptedPackage" instead of a workbook.
bool HoldsEncryptedPackage(std::string_view file) {
  std::string name;
  for (char c : std::string_view("EncryptedPackage")) {
    name.push_back(c);
    name.push_back('\0');
  }
  return file.find(name) != std::string_view::npos;
}

}  // namespace

bool ReadXls(const std::string& path, SheetCells* cells, std::string* reason) {
  std::string workbook;
  {
    std::error_code error;
    if (std::filesystem::file_size(path, error) >
            static_cast<std::uintmax_t>(kMaxXlsBytes) &&
        !error)
      return SheetFailure(reason, kSheetTooLarge);
    std::string file;
    if (!ReadFile(path, &file)) return SheetFailure(reason, kSheetCannotOpen);
    if (!ReadCompoundStream(file, u"Workbook", &workbook) &&
        !ReadCompoundStream(file, u"Book", &workbook)) {
      return SheetFailure(reason, HoldsEncryptedPackage(file) ? kSheetEncrypted
                                                              : kSheetDamaged);
    }
  }
  if (const char* refusal = CheckBiffClaims(workbook, kMaxXlsCells))
    return SheetFailure(reason, refusal);
  const int sheet = OpenedSheet(workbook);
  ReadFormulaResults(workbook, sheet, cells);
  workbook = std::string();
  return ReadCellsInChild(path, sheet, cells, reason);
}

}  // namespace matslip
