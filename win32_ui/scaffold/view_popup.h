#pragma once

#include <functional>
#include <memory>
#include <string>

#include "modern/tree/view.h"
#include "scaffold/window_host.h"
#include "theme/palette.h"

typedef struct HWND__* HWND;
typedef struct tagRECT RECT;

namespace win32_ui::scaffold {

// Where a pop-up of a desired size (DIPs) goes next to an anchor (screen pixels) inside a work area: below
// the anchor, else above it when only that fits, clamped into the work area and cut to its width.
struct PopupPlacement {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
[[nodiscard]] PopupPlacement place_popup(const RECT& anchor, const RECT& work, float width, float height, float scale,
                                         bool align_end) noexcept;

// How a pop-up shows: its size in DIPs, its palette and zoom, and how it lines up with its anchor.
struct PopupOptions {
  float width = 0.0f;
  float height = 0.0f;
  modern::Palette palette{};
  float ui_scale = 1.0f;
  bool align_end = false;  // its far edge under the anchor's far edge, else its near edge under the near one
  bool topmost = false;
};

// A view tree in a borderless, rounded, shadowed pop-up window next to an anchor: menus and flyouts. It
// closes when it loses activation, on Escape, on a DPI change, or when asked.
class ViewPopup {
 public:
  ViewPopup();
  ~ViewPopup();
  ViewPopup(const ViewPopup&) = delete;
  ViewPopup& operator=(const ViewPopup&) = delete;

  // Shows the content (owned from now on) next to the anchor; false, with the content destroyed, when
  // there is no live owner or no content or the window cannot be made.
  bool show(HWND owner, const RECT& anchor, std::unique_ptr<modern::View> content, const PopupOptions& options);
  // Destroys the pop-up; with `restore_focus`, gives the owner back the foreground and focus when the
  // pop-up had them.
  void close(bool restore_focus);
  // Closes it from a handler (after the current message), returning focus to the owner.
  void request_close();
  [[nodiscard]] bool is_visible() const;
  // The name screen readers give the pop-up (its window text), e.g. the label of the button that
  // opened it.
  void set_title(const std::wstring& title);
  [[nodiscard]] HWND hwnd() const noexcept { return window_; }
  [[nodiscard]] modern::Surface& surface() noexcept { return host_.surface(); }

  // True once after the pop-up was dismissed by a press on its own anchor (the press deactivated it):
  // the anchor's click must then not open it again.
  bool take_anchor_dismissal();

 private:
  static std::intptr_t __stdcall window_proc(HWND window, unsigned message, std::uintptr_t wparam,
                                             std::intptr_t lparam) noexcept;
  std::intptr_t message(HWND window, unsigned message, std::uintptr_t wparam, std::intptr_t lparam);
  static std::intptr_t __stdcall owner_proc(HWND window, unsigned message, std::uintptr_t wparam, std::intptr_t lparam,
                                            std::uintptr_t id, std::uintptr_t data) noexcept;
  // The anchor dismissal lasts until the owner sees pointer input other than the release of the press
  // that caused it.
  void arm_anchor_dismissal(HWND owner);
  void disarm_anchor_dismissal();
  [[nodiscard]] bool on_anchor() const;

  WindowHost host_;
  HWND window_ = nullptr;
  HWND owner_ = nullptr;
  int anchor_left_ = 0;
  int anchor_top_ = 0;
  int anchor_right_ = 0;
  int anchor_bottom_ = 0;
  bool anchor_dismissal_ = false;
  bool anchor_released_ = false;
  HWND watched_owner_ = nullptr;  // subclassed while the dismissal is armed
  unsigned long dismissed_at_ = 0;
};

// What the application keeps per header menu: at most one open pop-up, opened and closed by its button.
class PopupHolder {
 public:
  // Opens the pop-up `build` makes, or closes the open one: a click on the anchor of an open menu closes
  // it and does not open it again.
  void toggle(HWND owner, const RECT& anchor, const std::function<std::unique_ptr<modern::View>()>& build,
              const PopupOptions& options);
  void close();
  [[nodiscard]] bool is_open() const { return popup_ != nullptr && popup_->is_visible(); }
  [[nodiscard]] ViewPopup* popup() const noexcept { return popup_.get(); }

 private:
  std::unique_ptr<ViewPopup> popup_;
};

}  // namespace win32_ui::scaffold
