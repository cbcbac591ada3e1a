#include "grid/column_find.h"

#include <string_view>
#include <utility>

#include "base/dialogs.h"
#include "grid/data_src.h"
#include "grid/grid.h"
#include "grid/text_search.h"

namespace matslip {

namespace {

bool Has(const std::string& caption, std::string_view word) {
  return caption.find(word) != std::string::npos;
}

// Replaces the first `from` in the caption by `to`, if there is one.
void Swap(std::string* caption, std::string_view from, std::string_view to) {
  const std::size_t at = caption->find(from);
  if (at != std::string::npos) caption->replace(at, from.size(), to);
}

void ColourRow(DataSrc* table, int row, Colour colour) {
  table->SetTextColour({row, 1, 1, table->GetColumnCount()}, colour);
}

// "上一个": back to the hit before the one last shown; the caption reads
// "查找" again once the first hit is reached.
void StepBack(FindState* state, std::string* caption, DataSrc* table,
              Grid* grid) {
  const int n = static_cast<int>(state->hits.size());
  if (state->back_steps < n) {
    const int row = state->hits[n - state->back_steps - 1];
    table->SetCurrentRow(row);
    grid->SetCursor(row, grid->GetCursorColumn());
    ++state->back_steps;
  }
  if (state->back_steps >= n) Swap(caption, kFindBackWord, kFindWord);
}

}  // namespace

FindAnswer RunFind(Colour hit_colour, FindState* state, std::string* caption,
                   DataSrc* table, Grid* grid, Dialogs& dialogs) {
  FindAnswer answer = FindAnswer::kDone;
  if (Has(*caption, kFindWord)) {
    std::string text;
    // A cancelled box starts no search: the last one's rows stay as found.
    if (!dialogs.InputText(kFindPrompt, kFindInputCaption, &text))
      return answer;
    *state = FindState{std::move(text), {}, 0};
  }
  if (Has(*caption, kFindBackWord)) {
    StepBack(state, caption, table, grid);
    answer = FindAnswer::kPopUpEditMenu;
  }
  if (state->text.empty()) return answer;

  const int col = grid->GetCursorColumn();
  const int next_row = grid->GetCursorRow() + 1;
  grid->SetDataSource(nullptr);
  if (Has(*caption, kFindWord)) {
    table->FirstRow();
  } else if (Has(*caption, kFindNextWord)) {
    table->SetCurrentRow(next_row);
  }
  const int last = table->GetRowCount();
  const TextSearch search(state->text);
  int row = table->GetCurrentRow();
  bool found = false;
  for (; row >= 1 && row <= last; ++row) {
    found = search.FoundIn(table->GetCellTextView(row, col));
    if (found) break;
  }
  if (found) {
    Swap(caption, kFindWord, kFindNextWord);
    ColourRow(table, row, hit_colour);
    state->hits.push_back(row);
  } else {
    row = last;  // a scan without a hit stays on the last row
  }
  table->SetCurrentRow(row);
  if (row == last) {
    dialogs.Message(
        state->hits.empty() ? kFindNothingMessage : kFindNoMoreMessage,
        kFindReportCaption);
    Swap(caption, kFindNextWord, kFindBackWord);
    state->text.clear();
  }
  grid->SetDataSource(table);
  grid->SetCursor(row, col);
  return FindAnswer::kPopUpEditMenu;
}

void ResetFindCaption(std::string* caption) {
  Swap(caption, kFindNextWord, kFindWord);
  Swap(caption, kFindBackWord, kFindWord);
}

void ColourFindHits(const FindState& state, Colour hit_colour, DataSrc* table) {
  for (const int row : state.hits) {
    if (row >= 1 && row <= table->GetRowCount())
      ColourRow(table, row, hit_colour);
  }
}

}  // namespace matslip
