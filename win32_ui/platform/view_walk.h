#pragma once

#include "modern/tree/view.h"
#include "modern/tree/view_group.h"

namespace win32_ui::platform {

// Calls `visit(view, shown)` for every view in pre-order; `shown` is false inside a hidden subtree.
template <typename Visit>
void walk_views(modern::View& view, bool shown, Visit&& visit) {
  const bool visible = shown && view.visibility() == layout::Visibility::visible;
  visit(view, visible);
  if (auto* group = dynamic_cast<modern::ViewGroup*>(&view)) {
    for (const auto& child : group->children()) walk_views(*child, visible, visit);
  }
}

}  // namespace win32_ui::platform
