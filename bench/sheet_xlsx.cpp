#include "sheet_xlsx.h"

#include <zip.h>

#include <cstdlib>
#include <filesystem>

namespace matslip {
namespace {

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

void AddPart(zip_t* zip, const std::string& name, std::string* bytes) {
  zip_source_t* source =
      zip_source_buffer(zip, bytes->data(), bytes->size(), 0);
  if (!source || zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE) < 0)
    std::abort();
}

}  // namespace

std::string MakeXlsx(int rows) {
  const std::string path =
      TempPath("sheet-bench-" + std::to_string(rows) + ".xlsx");
  if (std::filesystem::exists(path)) return path;
  const char* names[] = {"钢芯铝绞线", "横担",       "电流互感器", "绝缘子",
                         "螺栓",       "电缆终端头", "接地线",     "避雷器"};
  const char* models[] = {"LGJ-95/20", "∠63×6×1500", "LMZJ1-0.5 800/5",
                          "XP-70",     "M16×200",    "10kV 3×240",
                          "TJ-25",     "HY5WS-17/50"};
  std::string strings = "<sst>";
  for (const char* s : names)
    strings += std::string("<si><t>") + s + "</t></si>";
  for (const char* s : models)
    strings += std::string("<si><t>") + s + "</t></si>";
  strings += "<si><t>米</t></si></sst>";
  std::string sheet =
      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/"
      "2006/main\"><dimension ref=\"A1:H" +
      std::to_string(rows + 2) +
      "\"/><sheetData><row r=\"1\"><c r=\"B1\" t=\"inlineStr\"><is><t>材料清单"
      "</t></is></c></row><row r=\"2\"/>";
  for (int i = 0; i < rows; ++i) {
    const std::string r = std::to_string(i + 3);
    const int k = i % 8;
    sheet += "<row r=\"" + r + "\"><c r=\"B" + r + "\" t=\"s\"><v>" +
             std::to_string(k) + "</v></c><c r=\"C" + r + "\" t=\"s\"><v>" +
             std::to_string(8 + k) + "</v></c><c r=\"D" + r +
             "\" t=\"s\"><v>16</v></c><c r=\"E" + r + "\"><v>" +
             std::to_string(i % 1000) + "</v></c><c r=\"F" + r +
             "\"><v>9.85</v></c><c r=\"G" + r + "\"><f>E" + r + "*F" + r +
             "</f><v>" + std::to_string((i % 1000) * 9.85) +
             "</v></c><c r=\"H" + r + "\"><v>10</v></c></row>";
  }
  sheet += "</sheetData></worksheet>";
  std::string workbook =
      "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/"
      "2006/relationships\"><sheets><sheet name=\"材料\" sheetId=\"1\" "
      "r:id=\"rId1\"/></sheets></workbook>";
  std::string rels =
      "<Relationships><Relationship Id=\"rId1\" "
      "Target=\"worksheets/sheet1.xml\"/></Relationships>";
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!zip) std::abort();
  AddPart(zip, "xl/workbook.xml", &workbook);
  AddPart(zip, "xl/_rels/workbook.xml.rels", &rels);
  AddPart(zip, "xl/worksheets/sheet1.xml", &sheet);
  AddPart(zip, "xl/sharedStrings.xml", &strings);
  if (zip_close(zip) != 0) std::abort();
  return path;
}

}  // namespace matslip
