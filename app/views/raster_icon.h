#pragma once

#include "modern/tree/view.h"
#include "ui_resources.h"

namespace orvane::app {

// A themed bitmap icon of a fixed side, centred in its slot.
class RasterIcon : public win32_ui::modern::View {
 public:
  RasterIcon(IconPair icon, float side);
  void paint(win32_ui::modern::PaintContext& context) override;

 private:
  IconPair icon_;
};

}  // namespace orvane::app
