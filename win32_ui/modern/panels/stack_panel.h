#pragma once

#include "layout/geometry.h"
#include "modern/tree/view_group.h"

namespace win32_ui::modern {

enum class Orientation { horizontal = 0, vertical = 1 };

// Lays its children out in a row or a column with a gap between them, shrinking them all alike when
// they do not fit and never stretching them along the line.
class StackPanel : public ViewGroup {
 public:
  explicit StackPanel(Orientation orientation = Orientation::vertical, float spacing = 0.0f,
                      const layout::Thickness& padding = {});

  [[nodiscard]] Orientation orientation() const noexcept { return orientation_; }
  [[nodiscard]] float spacing() const noexcept { return spacing_; }

  StackPanel& set_orientation(Orientation orientation);
  StackPanel& set_spacing(float spacing);

 protected:
  layout::Size measure_content(const layout::Constraints& available, layout::LayoutContext& context) override;
  void arrange_content(const layout::Rect& content, layout::LayoutContext& context) override;

 private:
  Orientation orientation_;
  float spacing_;
};

}  // namespace win32_ui::modern
