#pragma once
// What a view of a DataSrc hears from it. Every call has an empty default, so
// a listener overrides only what it uses. One table operation gives at most
// one call.
#include "grid/cell_range.h"

namespace matslip {

class DataSrcListener {
 public:
  virtual ~DataSrcListener() = default;
  // Texts or formats of `range` (clipped to the table) changed.
  virtual void CellsChanged(const CellRange&) {}
  // Anything else the view shows changed: size, header counts, row heights,
  // column widths, the whole table (load, provider); also Refresh().
  virtual void StructureChanged() {}
  virtual void CurrentRowChanged(int /*row*/) {}
  // A cell edit in progress ends now, keeping the edited text.
  virtual void EndCellEdit() {}
  // The table is going away; forget it (it no longer calls this listener).
  virtual void DataSrcDestroyed() {}
};

}  // namespace matslip
