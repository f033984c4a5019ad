#pragma once

#include <cstdint>
#include <string>

#include "modern/widgets/interactive.h"
#include "modern/widgets/widget.h"
#include "ui/graphics/image.h"

typedef struct HWND__* HWND;

namespace win32_ui::scaffold {

// What a caption button does.
enum class CaptionAction : std::int32_t { minimize = 0, maximize = 1, close = 2 };

// The title bar's measures in pixels at the window's dpi and UI scale.
struct ChromeMetrics {
  int width = 0;
  int height = 0;
  int caption_height = 0;
  int resize_border = 0;
  int button_width = 0;
  int icon_width = 0;
  bool maximized = false;
  bool resizable = false;
  bool minimizable = false;
  bool maximizable = false;
};

// The non-client code of a client point of a window with the custom title bar. The close and minimize
// zones answer HTCLIENT so the toolkit's buttons get the pointer; the maximize zone answers HTMAXBUTTON so
// the system offers its snap layouts over it.
[[nodiscard]] int chrome_hit_test(const ChromeMetrics& metrics, int x, int y) noexcept;

// Fills the title bar with the window background.
class ChromeBarBackground : public modern::View {
 public:
  void paint(modern::PaintContext& context) override;
};

// The window's icon and text, in the caption colour of an active or inactive window.
class ChromeTitle : public modern::Widget {
 public:
  explicit ChromeTitle(HWND window);
  // Reads the window text again (after WM_SETTEXT).
  void refresh();
  void paint(modern::PaintContext& context) override;

 private:
  HWND window_;
  std::wstring text_;
  ui::graphics::Image icon_;
};

// Minimize, maximize/restore or close: posts the matching system command to its window.
class ChromeCaptionButton : public modern::Interactive {
 public:
  ChromeCaptionButton(HWND window, CaptionAction action);
  [[nodiscard]] CaptionAction action() const noexcept { return action_; }
  // The maximize button shows the restore glyph while the window is zoomed.
  void refresh();
  // Hover driven from non-client mouse messages (the maximize zone is not client area).
  void set_external_hover(bool hovered);
  void paint(modern::PaintContext& context) override;

 protected:
  void paint_focus_ring(modern::PaintContext& context) override;

 private:
  HWND window_;
  CaptionAction action_;
  bool zoomed_ = false;
  bool external_hover_ = false;
};

}  // namespace win32_ui::scaffold
