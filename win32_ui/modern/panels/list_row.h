#pragma once

#include <functional>
#include <memory>

#include "modern/tree/compound_view.h"
#include "modern/tree/pointer_press.h"

namespace win32_ui::modern {

// One row of a ListPanel: a selectable, focusable container that gives its content (its first child,
// e.g. a thumbnail and two texts) its whole content rect and paints only its own background, the
// selection and the focus ring. Choosing a row (a click, Space or Enter, an assistive tool's Select)
// selects it, its list dropping the previous selection, and posts a selection-changed event from it;
// Up, Down, Home and End ask its list to choose another row. Only the selected row is a Tab stop (the
// first row while none is selected), so a long list costs one stop. Selected is the view's checked
// state bit: it animates and paints like any other state.
class ListRow : public CompoundView {
 public:
  ListRow();
  explicit ListRow(std::unique_ptr<View> content);

  [[nodiscard]] bool selected() const noexcept { return checked(); }
  // Selects the row (its list drops any other selection) or clears it; posts nothing.
  ListRow& set_selected(bool selected);

  // Selects the row and posts the selection-changed event that on_chosen hears (and ancestors may
  // handle in the bubble phase); nothing while the row is disabled.
  void choose(InputOrigin origin);

  // Runs `callback` whenever the row is chosen, after it became selected.
  ListRow& on_chosen(std::function<void()> callback);
  // Runs `callback` when Delete is pressed on the row.
  ListRow& on_remove(std::function<void()> callback);

  // --- View overrides
  [[nodiscard]] bool can_focus() const override;
  void describe(SemanticsNode& node) override;
  // Select chooses the row; focus chooses it too (selection follows focus) and focuses it.
  bool perform_action(ActionRequest& request) override;
  bool on_pointer(PointerEvent& event) override;
  bool on_key(KeyEvent& event) override;
  void paint(PaintContext& context) override;
  void paint_foreground(PaintContext& context) override;

 private:
  std::function<void()> remove_;
  PointerPress press_;
};

}  // namespace win32_ui::modern
