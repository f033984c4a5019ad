#pragma once

#include <string>

#include "modern/tree/view.h"
#include "ui_resources.h"

namespace orvane::app {

// The live preview: the last rendered frame letterboxed on a rounded backdrop, or, before any image,
// a dashed placeholder with the picture icon, a title and a hint. Screen readers meet it as an image
// whose accessible name says what it shows.
class PreviewView : public win32_ui::modern::View {
 public:
  PreviewView(IconPair placeholder, std::wstring title, std::wstring hint);

  [[nodiscard]] const win32_ui::ui::graphics::Image& image() const noexcept { return image_; }
  // Shows a new frame (an empty image brings the placeholder back).
  void set_image(win32_ui::ui::graphics::Image image);

  void paint(win32_ui::modern::PaintContext& context) override;

 private:
  win32_ui::ui::graphics::Image image_;
  IconPair placeholder_;
  std::wstring title_;
  std::wstring hint_;
};

}  // namespace orvane::app
