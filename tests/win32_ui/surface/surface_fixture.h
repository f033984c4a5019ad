#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "desktop.h"
#include "modern/panels/stack_panel.h"
#include "modern/surface.h"
#include "modern/widgets/button.h"
#include "modern/widgets/check_box.h"
#include "modern/widgets/slider.h"
#include "theme/theme.h"

namespace surface_test {

using namespace win32_ui;
using modern::Button;
using modern::CheckBox;
using modern::Slider;
using modern::StackPanel;
using modern::Surface;

// A real window with a surface attached, and helpers to reach a view's pixels.
struct SurfaceStage {
  desktop::TestWindow window;
  Surface surface;

  explicit SurfaceStage(int width = 480, int height = 360, int x = 160, int y = 120) : window(width, height, x, y) {
    EXPECT_TRUE(surface.attach(window.hwnd(), modern::light_palette(modern::default_accent)));
  }
  ~SurfaceStage() { surface.detach(); }

  // Puts a tree in and paints it once.
  template <typename T>
  T& show(std::unique_ptr<T> root) {
    T& ref = *root;
    surface.set_root(std::move(root));
    UpdateWindow(window.hwnd());
    desktop::pump(30);
    return ref;
  }

  // The centre of a view in client pixels (scroll applied).
  POINT centre_of(const modern::View& view) const {
    const layout::Rect r = view.arranged_rect();
    const float scale = surface.dpi() / 96.0f * surface.ui_scale();
    return POINT{static_cast<LONG>((r.x + r.width / 2.0f) * scale),
                 static_cast<LONG>((r.y + r.height / 2.0f - surface.scroll_offset()) * scale)};
  }
};

// A vertical stack of fixed-size children placed from the top-left.
inline std::unique_ptr<StackPanel> column(float spacing = 8.0f) {
  auto panel = std::make_unique<StackPanel>(modern::Orientation::vertical, spacing);
  panel->set_padding(layout::Thickness{16.0f, 16.0f, 16.0f, 16.0f});
  return panel;
}

template <typename T, typename... Args>
T& add(modern::ViewGroup& group, float width, float height, Args&&... args) {
  auto view = std::make_unique<T>(std::forward<Args>(args)...);
  layout::LayoutParams p = view->layout();
  p.horizontal_alignment = layout::HorizontalAlignment::start;
  p.has_fixed_width = true;
  p.fixed_width = width;
  p.has_fixed_height = true;
  p.fixed_height = height;
  view->set_layout(p);
  return static_cast<T&>(*group.add_child(std::move(view)));
}

}  // namespace surface_test
