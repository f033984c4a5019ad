#include "modern/panels/list_panel.h"

#include <vector>

#include "modern/panels/list_row.h"

namespace win32_ui::modern {
namespace {

// The rows a step may land on: shown and enabled.
bool reachable(const ListRow& row) noexcept {
  return row.enabled() && row.visibility() == layout::Visibility::visible;
}

}  // namespace

ListPanel::ListPanel(float spacing, const layout::Thickness& padding)
    : StackPanel(Orientation::vertical, spacing, padding) {
  set_semantics_role(SemanticsRole::list);
}

ListRow* ListPanel::selected_row() const noexcept {
  for (const auto& child : children()) {
    auto* row = dynamic_cast<ListRow*>(child.get());
    if (row != nullptr && row->selected()) return row;
  }
  return nullptr;
}

ListRow* ListPanel::first_row() const noexcept {
  for (const auto& child : children()) {
    if (auto* row = dynamic_cast<ListRow*>(child.get())) return row;
  }
  return nullptr;
}

bool ListPanel::step(ListRow& from, ListStep step) {
  std::vector<ListRow*> rows;
  std::size_t at = 0;
  bool found = false;
  for (const auto& child : children()) {
    auto* row = dynamic_cast<ListRow*>(child.get());
    if (row == nullptr) continue;
    if (row == &from) {
      at = rows.size();
      found = true;
      rows.push_back(row);
    } else if (reachable(*row)) {
      rows.push_back(row);
    }
  }
  if (!found) return false;
  ListRow* target = nullptr;
  switch (step) {
    case ListStep::previous:
      target = at > 0 ? rows[at - 1] : nullptr;
      break;
    case ListStep::next:
      target = at + 1 < rows.size() ? rows[at + 1] : nullptr;
      break;
    case ListStep::first:
      target = rows.front();
      break;
    case ListStep::last:
      target = rows.back();
      break;
  }
  if (target == nullptr || target == &from) return true;
  target->choose(InputOrigin::keyboard);
  // The chosen callback may have rebuilt the list; a row that left it takes no focus.
  if (target->parent() == this && host() != nullptr) host()->request_focus(*target, FocusOrigin::keyboard);
  return true;
}

void ListPanel::describe(SemanticsNode& node) {
  StackPanel::describe(node);
  // A list is a control whether or not it is named.
  node.control_element = control_element_override().value_or(true);
}

void ListPanel::row_selected(ListRow& row) {
  for (const auto& child : children()) {
    auto* other = dynamic_cast<ListRow*>(child.get());
    if (other != nullptr && other != &row) other->set_selected(false);
  }
}

}  // namespace win32_ui::modern
