#include "app/settings.h"

#include <array>
#include <cmath>
#include <limits>

#include "app/ini.h"
#include "base/number.h"

namespace matslip {
namespace {

// Truncation toward zero, held inside the range of int.
int ToInteger(double value) {
  if (std::isnan(value)) return 0;
  if (value >= std::numeric_limits<int>::max()) {
    return std::numeric_limits<int>::max();
  }
  if (value <= std::numeric_limits<int>::min()) {
    return std::numeric_limits<int>::min();
  }
  return static_cast<int>(value);
}

// Reads the entry whose section and key are both `name`.
int ReadInteger(const std::string& path, const std::string& name,
                int default_value) {
  return ToInteger(
      TextToNumber(IniRead(path, name, name, std::to_string(default_value))));
}

bool WriteInteger(const std::string& path, const std::string& name, int value) {
  return IniWrite(path, name, name, IntegerToText(value));
}

std::string GeometryKey(int window, char part) {
  return "ck" + std::to_string(window) + part;
}

bool KnownWindow(int window) {
  return window >= kItemEditorWindow && window <= kSlipParametersWindow;
}

struct PeiziKey {
  const char* key;
  int default_value;
  int PrintInf::*member;
};

constexpr std::array<PeiziKey, 12> kPeiziKeys = {{
    {"dyzx", 0, &PrintInf::paper_type},
    {"dyfx", 0, &PrintInf::orientation},
    {"dyzb", 50, &PrintInf::left_margin},
    {"dysb", 50, &PrintInf::top_margin},
    {"dyyb", 50, &PrintInf::right_margin},
    {"dyxb", 50, &PrintInf::bottom_margin},
    {"dyfs", 1, &PrintInf::copies},
    {"dyfw", 0, &PrintInf::range_kind},
    {"dyqs", 1, &PrintInf::range_start},
    {"dyjs", 0, &PrintInf::range_end},
    {"dyhs", 0, &PrintInf::count_18},
    {"dysf", 100, &PrintInf::scale},
}};

}  // namespace

const std::array<SlipTextEntry, 10> kSlipTextEntries = {{
    {"仓库名称", "仓库名称", &SlipTexts::warehouse},
    {"使用方向", "使用方向", &SlipTexts::purpose},
    {"领料部门", "领料部门", &SlipTexts::receiving_department},
    {"项目名称", "项目名称", &SlipTexts::project},
    {"审批", "审    批", &SlipTexts::approved_by},
    {"财务审核", "财务审核", &SlipTexts::financial_review},
    {"技术部门", "技术部门", &SlipTexts::technical_department},
    {"开票", "开    票", &SlipTexts::written_by},
    {"保管", "保    管", &SlipTexts::storekeeper},
    {"领料", "领    料", &SlipTexts::received_by},
}};

WindowGeometry ReadWindowGeometry(const std::string& config_path, int window) {
  if (!KnownWindow(window)) return WindowGeometry{};
  const WindowGeometry& defaults = window == kStockOutWindow
                                       ? kDefaultStockOutGeometry
                                       : kDefaultWindowGeometry;
  WindowGeometry g;
  g.left = ReadInteger(config_path, GeometryKey(window, 'z'), defaults.left);
  g.top = ReadInteger(config_path, GeometryKey(window, 'd'), defaults.top);
  g.width = ReadInteger(config_path, GeometryKey(window, 'k'), defaults.width);
  g.height =
      ReadInteger(config_path, GeometryKey(window, 'g'), defaults.height);
  return g;
}

bool WriteWindowPosition(const std::string& config_path, int window, int left,
                         int top) {
  if (!KnownWindow(window)) return false;
  const bool left_written =
      WriteInteger(config_path, GeometryKey(window, 'z'), left);
  const bool top_written =
      WriteInteger(config_path, GeometryKey(window, 'd'), top);
  return left_written && top_written;
}

bool WriteWindowGeometry(const std::string& config_path, int window,
                         const WindowGeometry& geometry) {
  if (!KnownWindow(window)) return false;
  const bool position_written =
      WriteWindowPosition(config_path, window, geometry.left, geometry.top);
  const bool width_written =
      WriteInteger(config_path, GeometryKey(window, 'k'), geometry.width);
  const bool height_written =
      WriteInteger(config_path, GeometryKey(window, 'g'), geometry.height);
  return position_written && width_written && height_written;
}

SlipTexts ReadSlipTexts(const std::string& config_path) {
  SlipTexts texts;
  for (const SlipTextEntry& entry : kSlipTextEntries) {
    texts.*entry.member = IniRead(config_path, entry.key, entry.key, "");
  }
  return texts;
}

bool WriteSlipTexts(const std::string& config_path, const SlipTexts& texts) {
  for (const SlipTextEntry& entry : kSlipTextEntries) {
    if (!IniValueWritable(texts.*entry.member)) return false;
  }
  bool all_written = true;
  for (const SlipTextEntry& entry : kSlipTextEntries) {
    all_written &=
        IniWrite(config_path, entry.key, entry.key, texts.*entry.member);
  }
  return all_written;
}

PrintInf ReadSlipPrintSettings(const std::string& peizi_path) {
  PrintInf settings;
  for (const PeiziKey& entry : kPeiziKeys) {
    settings.*entry.member =
        ReadInteger(peizi_path, entry.key, entry.default_value);
  }
  return Clamped(settings);
}

bool WriteSlipPrintSettings(const std::string& peizi_path,
                            const PrintInf& settings) {
  // The file is often made by hand: a setting that reads as it is stays as
  // it is written, and so does every byte around the ones changed.
  const PrintInf stored = ReadSlipPrintSettings(peizi_path);
  bool all_written = true;
  for (const PeiziKey& entry : kPeiziKeys) {
    if (settings.*entry.member == stored.*entry.member) continue;
    all_written &= WriteInteger(peizi_path, entry.key, settings.*entry.member);
  }
  return all_written;
}

}  // namespace matslip
