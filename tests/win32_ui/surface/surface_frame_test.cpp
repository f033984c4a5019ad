#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "surface_fixture.h"

namespace surface_test {
namespace {

// Fills its rectangle and counts how often it was painted.
class Painted : public modern::View {
 public:
  int paints = 0;
  ui::graphics::Color color{40, 120, 200};
  void paint(modern::PaintContext& context) override {
    ++paints;
    context.canvas->fill_rect(context.to_pixels(arranged_rect()), color);
  }
};

RECT pixel_rect(const modern::View& view, float scale) {
  const layout::Rect r = view.arranged_rect();
  return RECT{static_cast<LONG>(r.x * scale), static_cast<LONG>(r.y * scale), static_cast<LONG>((r.x + r.width) * scale),
              static_cast<LONG>((r.y + r.height) * scale)};
}

// What Windows invalidates (a window dragged across ours) is painted together with what the views asked
// for, not clipped away by the views' own dirty rectangle.
TEST(SurfaceFrames, AFramePaintsWhatWindowsAndTheViewsBothAskedFor) {
  SurfaceStage stage;
  auto root = column();
  Painted& a = add<Painted>(*root, 100, 40);
  Painted& b = add<Painted>(*root, 100, 40);
  stage.show(std::move(root));
  HWND hwnd = stage.window.hwnd();
  desktop::pump(50);
  const int a_before = a.paints;
  const int b_before = b.paints;

  // Both change colour; only A tells the surface, Windows asks for B.
  a.color = b.color = ui::graphics::Color{200, 60, 20};
  a.invalidate_visual();
  const RECT b_pixels = pixel_rect(b, stage.surface.dpi() / 96.0f);
  InvalidateRect(hwnd, &b_pixels, FALSE);
  UpdateWindow(hwnd);
  EXPECT_EQ(a.paints, a_before + 1);
  EXPECT_EQ(b.paints, b_before + 1) << "the area Windows invalidated stayed unpainted";
  // And painted whole, where they are: each view's far corner shows its colour.
  desktop::pump(60);
  const orvane::test::Pixels shot = desktop::capture_client(hwnd);
  for (const Painted* view : {&a, &b}) {
    const RECT r = pixel_rect(*view, stage.surface.dpi() / 96.0f);
    EXPECT_EQ(shot.at(r.right - 2, r.bottom - 2), 0xFFC83C14u) << "a view was clipped away in a partial frame";
    EXPECT_EQ(shot.at(r.left + 1, r.top + 1), 0xFFC83C14u);
  }

  // Only the views' rectangle: the other view is not painted again.
  a.invalidate_visual();
  UpdateWindow(hwnd);
  EXPECT_EQ(a.paints, a_before + 2);
  EXPECT_EQ(b.paints, b_before + 1);
}

TEST(SurfaceFrames, AnIdleWindowPaintsNothingAndAnAnimationPaintsUntilItEnds) {
  SurfaceStage stage;
  auto root = column();
  add<Painted>(*root, 100, 40);
  Button& button = add<Button>(*root, 160, 36, 1u, L"Idle");
  stage.show(std::move(root));
  stage.surface.enable_statistics(true);
  desktop::pump(100);
  const auto idle_start = stage.surface.statistics().frames;
  desktop::pump(2000);
  EXPECT_EQ(stage.surface.statistics().frames, idle_start) << "an idle window painted";
  EXPECT_FALSE(stage.surface.frame_timer_pending());

  // A 400 ms animation paints at the timer's pace (15 ms; Wine's timers are coarser), then stops.
  float progress = 0.0f;
  bool finished = false;
  ui::animation::AnimationSpec spec;
  spec.duration = std::chrono::milliseconds(400);
  ui::animation::AnimationClock& clock = stage.surface.view_root().clock();
  clock.animate_for(nullptr, 0, spec,
                    [&](float p) {
                      progress = p;
                      button.invalidate_visual();
                    },
                    [&](ui::animation::CompletionStatus) { finished = true; }, std::chrono::steady_clock::now());
  const auto animated_start = stage.surface.statistics().frames;
  EXPECT_TRUE(desktop::pump_until([&] { return finished; }, 3000));
  const auto animated_frames = stage.surface.statistics().frames - animated_start;
  EXPECT_GE(animated_frames, 8u) << "too few frames for a running animation";
  EXPECT_LE(animated_frames, 40u) << "frames faster than the timer";
  EXPECT_FLOAT_EQ(progress, 1.0f);
  desktop::pump(100);
  const auto after = stage.surface.statistics().frames;
  desktop::pump(500);
  EXPECT_EQ(stage.surface.statistics().frames, after) << "frames went on after the animation";
  EXPECT_FALSE(stage.surface.frame_timer_pending());
}

// A pop-up's surface is attached to a fresh window each time it shows: a window destroyed while a frame
// was pending must not leave the next window without frames.
TEST(SurfaceFrames, ADestroyedWindowLeavesNoPendingFrameTimer) {
  Surface surface;
  auto root = column();
  add<Painted>(*root, 100, 40);
  surface.set_root(std::move(root));
  ui::animation::AnimationSpec spec;
  spec.duration = std::chrono::milliseconds(200);
  for (int round = 0; round < 2; ++round) {
    desktop::TestWindow window(300, 200);
    ASSERT_TRUE(surface.attach(window.hwnd(), modern::light_palette(modern::default_accent)));
    bool done = false;
    surface.view_root().clock().animate_for(nullptr, 0, spec, [](float) {},
                                            [&](ui::animation::CompletionStatus) { done = true; },
                                            std::chrono::steady_clock::now());
    EXPECT_TRUE(surface.frame_timer_pending()) << "round " << round;
    if (round == 0) {
      window.destroy();  // mid-animation
      EXPECT_FALSE(surface.frame_timer_pending());
      EXPECT_EQ(surface.window(), nullptr);
      surface.view_root().clock().cancel_for_owner(nullptr, false);
    } else {
      EXPECT_TRUE(desktop::pump_until([&] { return done; }, 2000)) << "the animation never advanced";
    }
  }
}

// A plain window elsewhere on the desktop that counts the paints it receives.
class PaintCounter {
 public:
  PaintCounter(int x, int y) {
    static const bool registered = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = &PaintCounter::procedure;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"OrvanePaintCounter";
      return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"OrvanePaintCounter", L"counter", WS_POPUP, x, y,
                              160, 120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    UpdateWindow(window_);
    desktop::pump(50);
    paints() = 0;
  }
  ~PaintCounter() { DestroyWindow(window_); }
  PaintCounter(const PaintCounter&) = delete;
  PaintCounter& operator=(const PaintCounter&) = delete;
  static int& paints() {
    static int count = 0;
    return count;
  }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
      ++paints();
      PAINTSTRUCT paint{};
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }
  HWND window_ = nullptr;
};

// A handler that closes its own window (a modal loop run from a menu entry ends with the menu gone) must
// not make the surface ask for a repaint of every window on the desktop.
TEST(SurfaceFrames, AHandlerThatDestroysItsWindowRepaintsNoOtherWindow) {
  PaintCounter counter(1000, 700);
  SurfaceStage stage(300, 200);
  auto root = column();
  Button& close = add<Button>(*root, 160, 36, 1u, L"Close");
  HWND window = stage.window.hwnd();
  close.on_invoked([window] { DestroyWindow(window); });
  stage.show(std::move(root));
  desktop::pump(50);
  orvane::test::GdiplusScope gdiplus;
  EXPECT_TRUE(orvane::test::save_pixels(desktop::capture_client(window),
                                        std::wstring(L"" ARTEFACT_DIR) + L"/closing_handler.png", L"image/png"));
  PaintCounter::paints() = 0;
  desktop::click(window, stage.centre_of(close));
  desktop::pump(200);
  ASSERT_FALSE(IsWindow(window));
  EXPECT_EQ(PaintCounter::paints(), 0) << "a window elsewhere on the desktop was repainted";
}

TEST(SurfaceFrames, AttachRefusesDeadWindowsAndMovesBetweenLiveOnes) {
  Surface surface;
  auto root = column();
  Button& button = add<Button>(*root, 160, 36, 1u, L"Moves");
  surface.set_root(std::move(root));
  HWND dead = nullptr;
  {
    desktop::TestWindow gone(200, 100);
    dead = gone.hwnd();
  }
  EXPECT_FALSE(surface.attach(dead, modern::light_palette(modern::default_accent)));
  EXPECT_EQ(surface.window(), nullptr);

  desktop::TestWindow first(300, 200, 100, 100);
  desktop::TestWindow second(300, 200, 500, 100);
  ASSERT_TRUE(surface.attach(first.hwnd(), modern::light_palette(modern::default_accent)));
  ASSERT_TRUE(surface.attach(second.hwnd(), modern::dark_palette(modern::default_accent)));
  EXPECT_EQ(surface.window(), second.hwnd());
  // The first window is no longer listened to.
  const layout::Rect r = button.arranged_rect();
  const LPARAM inside = MAKELPARAM(static_cast<int>(r.x + 10), static_cast<int>(r.y + 10));
  SendMessageW(first.hwnd(), WM_MOUSEMOVE, 0, inside);
  EXPECT_FALSE(button.hovered());
  SendMessageW(second.hwnd(), WM_MOUSEMOVE, 0, inside);
  EXPECT_TRUE(button.hovered());
  surface.detach();
}

TEST(SurfaceFrames, AttachingAndDetachingAThousandTimesLeaksNoHandles) {
  desktop::TestWindow window(400, 300);
  Surface surface;
  auto root = column();
  add<Button>(*root, 160, 36, 1u, L"Tipped").set_tooltip(L"A tip makes a tool window");
  surface.set_root(std::move(root));
  auto cycle = [&] {
    ASSERT_TRUE(surface.attach(window.hwnd(), modern::light_palette(modern::default_accent)));
    surface.set_ui_scale(1.25f);
    surface.set_palette(modern::dark_palette(modern::default_accent));
    UpdateWindow(window.hwnd());
    surface.set_ui_scale(1.0f);
    surface.detach();
  };
  for (int i = 0; i < 20; ++i) cycle();  // warm caches (text formats, back buffers)
  desktop::pump(20);
  const int gdi_before = desktop::gdi_object_count();
  const int windows_before = desktop::thread_window_count();
  ASSERT_GT(gdi_before, 0) << "cannot count GDI objects here";
  for (int i = 0; i < 1000; ++i) cycle();
  desktop::pump(20);
  EXPECT_LE(desktop::gdi_object_count(), gdi_before + 4);
  EXPECT_EQ(desktop::thread_window_count(), windows_before);
}

}  // namespace
}  // namespace surface_test
