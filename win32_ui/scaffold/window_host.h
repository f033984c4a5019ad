#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "modern/surface.h"
#include "scaffold/chrome.h"
#include "theme/theme.h"

typedef struct HWND__* HWND;

namespace win32_ui::scaffold {

// How a window is framed: the system's frame, our own title bar drawn in the client area, or no
// frame at all (pop-ups).
enum class ChromeMode : std::int32_t { system_frame = 0, custom_title_bar = 1, borderless = 2 };

// What a window does when asked to close: destroy itself, hide, or stay.
enum class CloseAction : std::int32_t { destroy = 0, hide = 1, keep = 2 };

// Binds a surface to one top-level window and gives it the toolkit's chrome: the custom title bar (or the
// system frame), the minimum size, DPI moves, centring, the window's theme and the DWM frame attributes.
class WindowHost {
 public:
  WindowHost();
  ~WindowHost();
  WindowHost(const WindowHost&) = delete;
  WindowHost& operator=(const WindowHost&) = delete;

  // Subclasses the window and attaches the surface with the palette of a theme choice.
  bool attach(HWND window, modern::ThemeMode mode, std::uint32_t accent);
  void detach();
  [[nodiscard]] HWND window() const noexcept;
  [[nodiscard]] modern::Surface& surface() noexcept;
  [[nodiscard]] const modern::ThemeState& theme() const noexcept;

  // Wraps the content in the chrome (title bar and caption buttons) and makes it the surface's root.
  void set_content(std::unique_ptr<modern::View> content);

  // A new theme choice: the palette is rebuilt and, when it changed, applied.
  void set_theme_mode(modern::ThemeMode mode);
  // Applies a palette the application decided on (surface, chrome and frame).
  void apply_palette(const modern::Palette& palette);

  void set_ui_scale(float scale);
  void set_client_size(float width, float height);
  void set_minimum_client_size(float width, float height);
  // DIPs kept free around the window when it is sized to fit its monitor; negative or non-finite = 0.
  void set_margin(float margin);
  // Only while no window is attached.
  void set_chrome_mode(ChromeMode mode);
  [[nodiscard]] ChromeMode chrome_mode() const noexcept;
  [[nodiscard]] bool custom_caption() const noexcept;

  void set_close_handler(std::function<CloseAction()> handler);
  // The close handler's answer (destroy when there is none).
  [[nodiscard]] CloseAction close_action() const;
  void on_destroyed(std::function<void()> callback);
  void on_moved(std::function<void()> callback);
  void on_resized(std::function<void(bool minimized)> callback);
  void on_theme_changed(std::function<void(const modern::Palette&)> callback);

  // Sizes the window from its client size (within the work area less the margin) and centres it on
  // the reference window's monitor when asked.
  bool size_and_centre(HWND reference, bool centre);

  [[nodiscard]] ChromeMetrics metrics() const;
  [[nodiscard]] ChromeCaptionButton* caption_button(CaptionAction action) const noexcept;
  [[nodiscard]] ChromeTitle* title() const noexcept;

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace win32_ui::scaffold
