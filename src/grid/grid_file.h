#pragma once
// Grid files (.grd): a whole table with its formats, little-endian.
//
//   "SDTW", int32 rows R, columns C, header rows, header columns,
//   R x int32 row heights, C x int32 column widths,
//   R x C cell records, row by row:
//     int32 format word (PackFormatWord), int32 text colour,
//     int32 background, int16 font size, int16 text margin,
//     int32 font-name length n (0..31), n bytes GBK,
//     int32 content length m, m bytes: GBK text and a zero byte (m = 0 for
//     an empty cell), or raw bytes when the value code holds raw bytes;
//   36 bytes page set-up: int32 left, top, right, bottom margins,
//     int16 page-number position, int16 scale, int16 paper code,
//     int16 orientation (1 portrait, 2 landscape), int32 print-settings
//     fields 12, 13 and 18.
#include <string>
#include <string_view>

namespace matslip {

class DataSrc;

// The extension of grid files, without its dot (as file dialogs take it).
inline constexpr char kGridFileSuffix[] = "grd";
inline constexpr char kGridFileMagic[4] = {'S', 'D', 'T', 'W'};
inline constexpr int kGridPageSetupSize = 36;

// Writes `table` to the file at `path`, replacing it whole. False when a
// text has no GBK form or the file cannot be written.
bool SaveToFile(const DataSrc& table, const std::string& path);

// Reads the file at `path` into `table`, which keeps the print settings the
// file does not hold. False when the file cannot be read or is no grid
// file; `table` is then exactly as it was.
bool LoadFromFile(DataSrc* table, const std::string& path);

// The file bytes of `table`. False when a text or font name has no GBK form.
bool EncodeGridFile(const DataSrc& table, std::string* bytes);

// Reads `bytes` into `table`, a fresh table whose print settings supply the
// fields a file does not hold. False on a bad magic, a negative count, a
// length or count the bytes cannot hold, or a text without its terminator;
// `table` is then in an unspecified state. Bytes after the page set-up are
// ignored.
bool DecodeGridFile(std::string_view bytes, DataSrc* table);

}  // namespace matslip
