// Prints the median milliseconds of a surface in a real window holding about 300 views (the widget
// gallery and a grid of buttons, check boxes and texts): a full frame through each back-end, a layout
// pass, and a pointer move that changes a hover state up to the end of the frame that shows it.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "demo_content.h"
#include "modern/panels/stack_panel.h"
#include "modern/surface.h"
#include "modern/tree/view_group.h"
#include "modern/widgets/button.h"
#include "modern/widgets/check_box.h"
#include "modern/widgets/display_widgets.h"
#include "modern/widgets/slider.h"
#include "theme/theme.h"
#include "ui/graphics/frame_painter.h"

namespace {

using namespace win32_ui;
using Clock = std::chrono::steady_clock;

constexpr int runs = 41;

double median_ms(const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    work();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

int count_views(const modern::View& view) {
  int count = 1;
  if (const auto* group = dynamic_cast<const modern::ViewGroup*>(&view)) {
    for (const auto& child : group->children()) count += count_views(*child);
  }
  return count;
}

// The gallery with rows of buttons, check boxes and texts beneath it.
std::unique_ptr<modern::View> build_scene(modern::Button*& first, modern::Button*& second) {
  gallery::DemoContent content = gallery::build_demo_content({});
  auto& column = static_cast<modern::ViewGroup&>(*content.root);
  for (int row = 0; row < 34; ++row) {
    auto line = std::make_unique<modern::StackPanel>(modern::Orientation::horizontal, 8.0f,
                                                     layout::Thickness{20.0f, 4.0f, 20.0f, 0.0f});
    for (int i = 0; i < 3; ++i) {
      auto* button = static_cast<modern::Button*>(
          line->add_child(std::make_unique<modern::Button>(1000u + row * 10 + i, L"Button " + std::to_wstring(i))));
      if (row == 0 && i == 0) first = button;
      if (row == 0 && i == 1) second = button;
    }
    line->add_child(std::make_unique<modern::CheckBox>(2000u + row, L"Check", row % 2 == 0));
    line->add_child(std::make_unique<modern::Text>(std::wstring(L"A line of text"), win32_ui::layout::TextStyle::body));
    line->add_child(std::make_unique<modern::Text>(std::wstring(L"水印预览"), win32_ui::layout::TextStyle::caption));
    column.add_child(std::move(line));
  }
  return std::move(content.root);
}

LPARAM client_point(const modern::View& view, const modern::Surface& surface) {
  const layout::Rect r = view.arranged_rect();
  const float scale = surface.dpi() / 96.0f * surface.ui_scale();
  return MAKELPARAM(static_cast<int>((r.x + r.width / 2) * scale),
                    static_cast<int>((r.y + r.height / 2 - surface.scroll_offset()) * scale));
}

}  // namespace

int wmain() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"SurfaceBench";
  RegisterClassExW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"surface bench", WS_OVERLAPPEDWINDOW, 0, 0, 1100, 1000, nullptr,
                                nullptr, wc.hInstance, nullptr);
  if (window == nullptr) {
    std::puts("no window (is there a display?)");
    return 1;
  }
  ShowWindow(window, SW_SHOWNORMAL);
  modern::Surface surface;
  surface.attach(window, modern::light_palette(modern::default_accent));
  // The demo window's content alone (the widget gallery): the figure to keep under 8 ms through GDI.
  surface.set_render_mode(modern::RenderMode::gdi_only);
  surface.set_root(gallery::build_demo_content({}).root);
  UpdateWindow(window);
  const double gallery_frame = median_ms([&] {
    surface.invalidate_all();
    UpdateWindow(window);
  });
  std::printf("gallery (%d views), full frame through GDI: median %.2f ms\n", count_views(*surface.root()),
              gallery_frame);

  modern::Button* first = nullptr;
  modern::Button* second = nullptr;
  surface.set_root(build_scene(first, second));
  UpdateWindow(window);
  std::printf("views: %d\n", count_views(*surface.root()));

  const struct {
    const char* name;
    modern::RenderMode mode;
  } backends[] = {{"Direct2D", modern::RenderMode::direct2d_first}, {"GDI", modern::RenderMode::gdi_only}};
  for (const auto& backend : backends) {
    surface.set_render_mode(backend.mode);
    UpdateWindow(window);
    const double full = median_ms([&] {
      surface.invalidate_all();
      UpdateWindow(window);
    });
    const char* painted = surface.last_backend() == modern::FrameBackend::direct2d ? "Direct2D"
                          : surface.last_backend() == modern::FrameBackend::gdi    ? "GDI"
                                                                                   : "none";
    std::printf("full frame, %s first: median %.2f ms (painted by %s)\n", backend.name, full, painted);
  }
  surface.set_render_mode(modern::RenderMode::gdi_only);

  const double cached = median_ms([&] {
    surface.root()->invalidate_layout();
    surface.layout_now();
  });
  std::printf("layout pass, measure caches warm: median %.2f ms\n", cached);
  const modern::Palette light = modern::light_palette(modern::default_accent);
  const double cold = median_ms([&] { surface.set_palette(light); });  // a new palette re-measures everything
  std::printf("layout pass, every view measured again: median %.2f ms\n", cold);

  UpdateWindow(window);
  bool on_first = false;
  const double hover = median_ms([&] {
    on_first = !on_first;
    SendMessageW(window, WM_MOUSEMOVE, 0, client_point(on_first ? *first : *second, surface));
    UpdateWindow(window);
  });
  std::printf("pointer move to a new hover, through its frame (GDI): median %.2f ms\n", hover);

  surface.detach();
  DestroyWindow(window);
  return 0;
}
