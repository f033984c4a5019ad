#pragma once

#include "layout/geometry.h"
#include "modern/tree/view_group.h"

namespace win32_ui::modern {

// Lays every child over the whole content rect; later children paint above earlier ones.
class OverlayPanel : public ViewGroup {
 public:
  explicit OverlayPanel(const layout::Thickness& padding = {});

 protected:
  layout::Size measure_content(const layout::Constraints& available, layout::LayoutContext& context) override;
  void arrange_content(const layout::Rect& content, layout::LayoutContext& context) override;
};

}  // namespace win32_ui::modern
