#pragma once
// The program's settings as typed values over its two INI files: config.ini
// (window geometry, slip texts) and peizi.ini (print settings of the
// outbound slip), both read and written. In every entry the section name
// is the key name. Callers pass the file's full path, formed anew each time.
#include <array>
#include <string>

#include "grid/print_inf.h"
#include "stock/slip_texts.h"

namespace matslip {

inline constexpr char kConfigFileName[] = "config.ini";
inline constexpr char kPeiziFileName[] = "peizi.ini";

// Windows whose geometry is kept: keys ck<n>z, ck<n>d, ck<n>k, ck<n>g.
inline constexpr int kItemEditorWindow = 1;
inline constexpr int kStockOutWindow = 2;
inline constexpr int kSlipParametersWindow = 3;

struct WindowGeometry {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const WindowGeometry&) const = default;
};

// Where a window opens while config.ini holds nothing for it: the stock-out
// window larger than the other two.
inline constexpr WindowGeometry kDefaultWindowGeometry{100, 100, 600, 550};
inline constexpr WindowGeometry kDefaultStockOutGeometry{100, 100, 800, 650};

// The stored geometry of window 1, 2 or 3, each value read as a number and
// truncated toward zero (text that is not a number gives 0); missing values
// take the window's defaults. An unknown window gives all zeros.
WindowGeometry ReadWindowGeometry(const std::string& config_path, int window);
// After a move: left and top only. After a resize: all four.
bool WriteWindowPosition(const std::string& config_path, int window, int left,
                         int top);
bool WriteWindowGeometry(const std::string& config_path, int window,
                         const WindowGeometry& geometry);

// One of the ten texts of the outbound slip: its section and key in
// config.ini, its label in the slip parameters window (two-character words
// spaced out) and where SlipTexts holds it.
struct SlipTextEntry {
  const char* key;
  const char* label;
  std::string SlipTexts::*member;
};
// In the order of the slip, 仓库名称 to 领料.
extern const std::array<SlipTextEntry, 10> kSlipTextEntries;

// The ten header and footer texts of the outbound slip (stock/slip_texts.h).
SlipTexts ReadSlipTexts(const std::string& config_path);
// Writes all ten. Refuses (false, nothing written) when a text cannot be
// stored (see IniValueWritable); otherwise false when a write failed.
bool WriteSlipTexts(const std::string& config_path, const SlipTexts& texts);

// The print settings of the outbound slip: the program's default print
// settings with paper type, orientation, the four margins, copies, print
// range kind, range start and end, count and scale read from peizi.ini, each
// as a number truncated toward zero (defaults: 0, 0, 50, 50, 50, 50, 1, 0,
// 1, 0, 0, 100), then clamped as every PrintInf is.
PrintInf ReadSlipPrintSettings(const std::string& peizi_path);
// Writes those of the twelve fields ReadSlipPrintSettings reads that differ
// from what it reads now (the page set-up of the stock-out window); every
// other byte of the file stays as it was. False when a write failed.
bool WriteSlipPrintSettings(const std::string& peizi_path,
                            const PrintInf& settings);

}  // namespace matslip
