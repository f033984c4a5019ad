#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/native_view_peer.h"
#include "platform/windows/surface_geometry.h"

namespace win32_ui::modern {
struct Event;
class LocalizationContext;
class NativeHost;
struct Palette;
class View;
class ViewRoot;
}  // namespace win32_ui::modern

namespace win32_ui::platform::windows {

// The surface's native child controls: made when their host is first shown, moved and clipped to their
// view after every layout and scroll, their notifications turned into tree events, native focus kept on
// the control whose host has the tree's focus.
class NativeHostPlacement {
 public:
  NativeHostPlacement(modern::ViewRoot& root, const SurfaceGeometry& geometry, const modern::Palette& palette,
                      const std::uint64_t& palette_generation, const modern::LocalizationContext& localization) noexcept;
  NativeHostPlacement(const NativeHostPlacement&) = delete;
  NativeHostPlacement& operator=(const NativeHostPlacement&) = delete;

  // Creates the controls of hosts that have none (after a layout) and moves every control to its view.
  void place(bool after_layout);
  // Takes every control down (the window is going or the surface lets go of it).
  void detach_all();
  // Forgets the hosts of a tree that was replaced.
  void forget() noexcept { hosts_.clear(); }
  // A host that left the tree takes its control down now.
  void on_view_detached(modern::View& view);

  [[nodiscard]] modern::NativeHost* host_for_control(HWND control) const;
  // A WM_COMMAND or WM_NOTIFY from a hosted control as the tree event it means; false when none.
  bool translate(UINT message, WPARAM wparam, LPARAM lparam, modern::Event& event) const;

  // Native focus to the control of `view` when it is a host with a live control, else to the window.
  void follow_focus(modern::View* gained) const;
  // After the window itself got focus: typing must reach the focused host's control again.
  void refocus_control(modern::View* focused) const;

 private:
  [[nodiscard]] NativeViewConfiguration configuration() const;
  [[nodiscard]] layout::Rect clipped_viewport(const modern::View& host, layout::Size client) const;

  modern::ViewRoot& root_;
  const SurfaceGeometry& geometry_;
  const modern::Palette& palette_;
  const std::uint64_t& palette_generation_;
  const modern::LocalizationContext& localization_;
  // The hosts found by the last layout, for mapping a control back to its view.
  std::vector<modern::NativeHost*> hosts_;
};

}  // namespace win32_ui::platform::windows
