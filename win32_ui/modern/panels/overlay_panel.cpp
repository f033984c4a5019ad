#include "modern/panels/overlay_panel.h"

#include <algorithm>

namespace win32_ui::modern {

OverlayPanel::OverlayPanel(const layout::Thickness& padding) { set_padding(padding); }

layout::Size OverlayPanel::measure_content(const layout::Constraints& available, layout::LayoutContext& context) {
  layout::Size size{};
  for (const auto& child : children()) {
    const layout::Size desired = child->measure(available, context);
    size.width = std::max(size.width, desired.width);
    size.height = std::max(size.height, desired.height);
  }
  return size;
}

void OverlayPanel::arrange_content(const layout::Rect& content, layout::LayoutContext& context) {
  for (const auto& child : children()) child->arrange(content, context);
}

}  // namespace win32_ui::modern
