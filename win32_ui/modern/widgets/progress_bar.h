#pragma once

#include "modern/widgets/widget.h"

namespace win32_ui::modern {

// A thin bar filling in the accent colour as a task goes on: a read-only range from 0 to 100 for
// assistive technology, named by its accessible name.
class ProgressBar : public Widget {
 public:
  ProgressBar();

  // How much is done, from 0 to 1 (clamped; not a number counts as 0).
  [[nodiscard]] double value() const noexcept { return value_; }
  ProgressBar& set_value(double value);

  void paint(PaintContext& context) override;
  void describe(SemanticsNode& node) override;

 private:
  double value_ = 0.0;
};

}  // namespace win32_ui::modern
