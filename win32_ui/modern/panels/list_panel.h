#pragma once

#include "modern/panels/stack_panel.h"

namespace win32_ui::modern {

class ListRow;

// Where a key asks a list to move its selection.
enum class ListStep { previous = 0, next = 1, first = 2, last = 3 };

// A vertical stack of ListRows that selects one row at a time: assistive tools see it as a list
// (named by its accessible name) whose rows are its items. Put it in a ScrollPanel for a long list:
// the row that keyboard focus moves to is brought into view.
class ListPanel : public StackPanel {
 public:
  explicit ListPanel(float spacing = 0.0f, const layout::Thickness& padding = {});

  // The selected row, or null; the first row, or null (rows are the children that are ListRows).
  [[nodiscard]] ListRow* selected_row() const noexcept;
  [[nodiscard]] ListRow* first_row() const noexcept;

  // Chooses the row a step away from `from` (the neighbour, or the first or last enabled row) and
  // gives it keyboard focus; at either end nothing moves. Returns whether `from` is a row of this list.
  bool step(ListRow& from, ListStep step);

  // --- View overrides
  void describe(SemanticsNode& node) override;

 private:
  friend class ListRow;
  // Called by a row that became selected: every other row lets its selection go.
  void row_selected(ListRow& row);
};

}  // namespace win32_ui::modern
