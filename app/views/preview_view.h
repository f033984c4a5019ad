#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "modern/tree/view.h"
#include "ui_resources.h"

namespace orvane::app {

// The live preview: the last rendered frame letterboxed on a rounded backdrop, or, before any image,
// a dashed placeholder with the picture icon, a title and a hint. Screen readers meet it as an image
// whose accessible name says what it shows.
//
// A frame rendered at the size of the picture area is drawn pixel for pixel; any other is scaled to
// fit it, which is what the window shows while a frame of a new size is on its way.
class PreviewView : public win32_ui::modern::View {
 public:
  struct PixelSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
  };

  PreviewView(IconPair placeholder, std::wstring title, std::wstring hint);

  [[nodiscard]] const win32_ui::ui::graphics::Image& image() const noexcept { return image_; }
  // Shows a new frame (an empty image brings the placeholder back).
  void set_image(win32_ui::ui::graphics::Image image);

  // The area a frame fills, in device pixels, as of the last paint; 0 x 0 before the first.
  [[nodiscard]] PixelSize picture_area() const noexcept { return picture_area_; }
  // Runs after a paint that found the picture area changed (a resize, another DPI); a frame of the
  // new size may be asked for from there.
  void on_picture_area_changed(std::function<void()> callback) { area_changed_ = std::move(callback); }

  // A photo is being opened: a bar runs along the top of the picture area until it is ready.
  void set_busy(bool busy);
  [[nodiscard]] bool busy() const noexcept { return busy_; }

  // --- View overrides
  void paint(win32_ui::modern::PaintContext& context) override;

 private:
  void paint_content(win32_ui::modern::PaintContext& context, const win32_ui::ui::graphics::RectF& picture);
  void run_busy_bar();
  void paint_busy_bar(win32_ui::modern::PaintContext& context, const win32_ui::ui::graphics::RectF& inner);

  win32_ui::ui::graphics::Image image_;
  IconPair placeholder_;
  std::wstring title_;
  std::wstring hint_;
  PixelSize picture_area_;
  std::function<void()> area_changed_;
  bool busy_ = false;
  float busy_phase_ = 0.0f;  // 0..1 along one sweep of the bar
};

}  // namespace orvane::app
