#include "grid/grid_clipboard_qt.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QStringList>
#include <string>

#include "grid/data_src.h"
#include "grid/grid.h"
#include "grid/grid_file.h"

namespace matslip {
namespace {

// A cell's merge marks less those pointing out of `range`, so that a part
// of a merged block does not join cells next to where it is pasted.
int MarksInside(int marks, const CellRange& range, int row, int col) {
  if (row == range.row) marks &= ~kMergeUp;
  if (row == range.last_row()) marks &= ~kMergeDown;
  if (col == range.col) marks &= ~kMergeLeft;
  if (col == range.last_col()) marks &= ~kMergeRight;
  return marks;
}

QString PlainText(const DataSrc& table, const CellRange& range) {
  QString text;
  for (int row = range.row; row <= range.last_row(); ++row) {
    QStringList cells;
    for (int col = range.col; col <= range.last_col(); ++col) {
      QString cell = QString::fromStdString(table.GetCellText(row, col));
      // A tab or line break inside a cell would split it on the way back.
      cell.replace('\t', ' ').replace('\r', ' ').replace('\n', ' ');
      cells << cell;
    }
    text += cells.join('\t') + '\n';
  }
  return text;
}

bool EncodeCells(const DataSrc& table, const CellRange& range,
                 std::string* bytes) {
  DataSrc block;
  block.SetTableSize(range.rows, range.cols);
  block.SetHeaderRows(0);
  for (int row = range.row; row <= range.last_row(); ++row) {
    for (int col = range.col; col <= range.last_col(); ++col) {
      CellFormat format = table.GetCellFormat(row, col);
      format.merge = MarksInside(format.merge, range, row, col);
      const int r = row - range.row + 1, c = col - range.col + 1;
      block.SetCellFormat(r, c, format);
      block.SetCellText(r, c, table.GetCellText(row, col));
    }
  }
  return EncodeGridFile(block, bytes);
}

// Copies the cells of `block` to `table` from (row, col), clipped.
void PasteCells(const DataSrc& block, DataSrc* table, int row, int col) {
  const CellRange target =
      CellRange{row, col, block.GetRowCount(), block.GetColumnCount()}
          .ClippedTo(table->GetRowCount(), table->GetColumnCount());
  for (int r = target.row; r <= target.last_row(); ++r) {
    for (int c = target.col; c <= target.last_col(); ++c) {
      table->SetCellFormat(r, c, block.GetCellFormat(r - row + 1, c - col + 1));
      table->SetCellText(r, c, block.GetCellText(r - row + 1, c - col + 1));
    }
  }
}

void PasteText(const QString& text, DataSrc* table, int row, int col) {
  QStringList lines = QString(text).remove('\r').split('\n');
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  for (int i = 0; i < lines.size(); ++i) {
    const QStringList cells = lines[i].split('\t');
    for (int j = 0; j < cells.size(); ++j)
      table->SetCellText(row + i, col + j, cells[j].toStdString());
  }
}

}  // namespace

std::unique_ptr<QMimeData> CellsMimeData(const DataSrc& table,
                                         const CellRange& range) {
  const CellRange cells =
      range.ClippedTo(table.GetRowCount(), table.GetColumnCount());
  if (cells.empty()) return nullptr;
  auto data = std::make_unique<QMimeData>();
  std::string bytes;
  if (EncodeCells(table, cells, &bytes)) {
    data->setData(
        kCellsMimeType,
        QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  }
  data->setText(PlainText(table, cells));
  return data;
}

bool PasteMimeData(const QMimeData& data, DataSrc* table, int row, int col) {
  if (data.hasFormat(kCellsMimeType)) {
    const QByteArray bytes = data.data(kCellsMimeType);
    DataSrc block;
    if (DecodeGridFile(std::string_view(bytes.constData(),
                                        static_cast<std::size_t>(bytes.size())),
                       &block)) {
      PasteCells(block, table, row, col);
      return true;
    }
  }
  if (!data.hasText()) return false;
  PasteText(data.text(), table, row, col);
  return true;
}

void CopyRange(const DataSrc& table, const CellRange& range) {
  std::unique_ptr<QMimeData> data = CellsMimeData(table, range);
  if (data) QGuiApplication::clipboard()->setMimeData(data.release());
}

bool Paste(Grid* grid) {
  DataSrc* table = grid->data_source();
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (table == nullptr || data == nullptr) return false;
  return PasteMimeData(*data, table, grid->GetCursorRow(),
                       grid->GetCursorColumn());
}

}  // namespace matslip
