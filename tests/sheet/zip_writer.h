#pragma once
// Writes zip files for the tests: workbooks made part by part, hostile ones
// included.
#include <zip.h>

#include <string>
#include <utility>
#include <vector>

namespace matslip::testing {

struct ZipEntry {
  std::string name, bytes;
  bool encrypted = false;
};

// False when libzip refuses (an encryption it was built without, say).
inline bool WriteZip(const std::string& path,
                     const std::vector<ZipEntry>& entries) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!zip) return false;
  for (const ZipEntry& entry : entries) {
    zip_source_t* source =
        zip_source_buffer(zip, entry.bytes.data(), entry.bytes.size(), 0);
    const zip_int64_t index =
        source ? zip_file_add(zip, entry.name.c_str(), source, ZIP_FL_OVERWRITE)
               : -1;
    if (index < 0 ||
        (entry.encrypted &&
         zip_file_set_encryption(zip, static_cast<zip_uint64_t>(index),
                                 ZIP_EM_AES_256, "secret") != 0)) {
      if (index < 0 && source) zip_source_free(source);
      zip_discard(zip);
      return false;
    }
  }
  return zip_close(zip) == 0;
}

// The parts of a one-sheet .xlsx workbook around the given sheet XML
// (`sheet_data`: what goes inside <worksheet>), with optional shared
// strings and styles.
inline std::vector<ZipEntry> XlsxParts(const std::string& sheet_data,
                                       const std::string& shared_strings = "",
                                       const std::string& styles = "",
                                       const std::string& workbook_pr = "") {
  const std::string ns =
      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
      "relationships\"";
  std::vector<ZipEntry> parts = {
      {"[Content_Types].xml", "<Types/>"},
      {"xl/workbook.xml", "<workbook " + ns + ">" + workbook_pr +
                              "<sheets><sheet name=\"S\" sheetId=\"1\" "
                              "r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
       "relationships\"><Relationship Id=\"rId1\" Type=\"worksheet\" "
       "Target=\"worksheets/sheet1.xml\"/></Relationships>"},
      {"xl/worksheets/sheet1.xml",
       "<worksheet " + ns + ">" + sheet_data + "</worksheet>"},
  };
  if (!shared_strings.empty())
    parts.push_back({"xl/sharedStrings.xml", shared_strings});
  if (!styles.empty()) parts.push_back({"xl/styles.xml", styles});
  return parts;
}

// The parts of an .ods document whose body's spreadsheet holds `tables`.
inline std::vector<ZipEntry> OdsParts(const std::string& tables) {
  return {
      {"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
      {"content.xml",
       "<office:document-content "
       "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
       "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
       "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">"
       "<office:body><office:spreadsheet>" +
           tables +
           "</office:spreadsheet></office:body></office:document-content>"},
  };
}

}  // namespace matslip::testing
