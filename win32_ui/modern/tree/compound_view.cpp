#include "modern/tree/compound_view.h"

namespace win32_ui::modern {

layout::Size CompoundView::measure_content(const layout::Constraints& available, layout::LayoutContext& context) {
  View* content = child_at(0);
  return content != nullptr ? content->measure(available, context) : layout::Size{};
}

void CompoundView::arrange_content(const layout::Rect& content, layout::LayoutContext& context) {
  if (View* first = child_at(0)) first->arrange(content, context);
}

CompositeView::CompositeView(std::unique_ptr<View> content) {
  if (content != nullptr) add_child(std::move(content));
}

}  // namespace win32_ui::modern
