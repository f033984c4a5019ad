#pragma once

#include <memory>

#include "modern/tree/view_group.h"

namespace win32_ui::modern {

// A view that wraps one content view, its first child, and gives it its whole content rect.
class CompoundView : public ViewGroup {
 protected:
  layout::Size measure_content(const layout::Constraints& available, layout::LayoutContext& context) override;
  void arrange_content(const layout::Rect& content, layout::LayoutContext& context) override;
};

// A compound view that receives its content when it is made.
class CompositeView : public CompoundView {
 public:
  explicit CompositeView(std::unique_ptr<View> content);
};

}  // namespace win32_ui::modern
