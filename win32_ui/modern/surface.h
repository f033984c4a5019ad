#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "layout/geometry.h"
#include "modern/tree/command_registry.h"
#include "modern/tree/input_events.h"
#include "modern/tree/view_host.h"
#include "modern/tree/view_root.h"

typedef struct HWND__* HWND;

namespace win32_ui::platform::windows::accessibility {
class SemanticsAutomationHost;
}

namespace win32_ui::modern {

class LocalizationContext;
struct Palette;
enum class RenderMode;

// Which back-end painted a frame.
enum class FrameBackend : std::int32_t { none = 0, direct2d = 1, gdi = 2 };

// Plain counters of painted frames, kept when statistics are enabled.
struct FrameStatistics {
  std::uint64_t frames = 0;
  std::uint64_t successes = 0;
  std::uint64_t failures = 0;
  std::uint64_t second_attempts = 0;
  int last_attempts = 0;
  double last_milliseconds = 0.0;
  double total_milliseconds = 0.0;
  double longest_milliseconds = 0.0;
  // The last frame: when its surface last asked the window for a paint, when painting began, and
  // how long handing the drawn pixels to the window took of it.
  std::chrono::steady_clock::time_point last_invalidated;
  std::chrono::steady_clock::time_point last_started;
  double last_present_milliseconds = 0.0;
};

// What a pointer dispatch found: the element hit (flat element model), and whether a view handled it.
struct PointerDispatch {
  int element_index = -1;
  bool handled = false;
};

// One record of the flat element model a surface shows when it has no view tree.
struct Element {
  enum Kind : std::int32_t {
    kind_text = 0,
    kind_heading = 1,
    kind_button = 2,
    kind_check_box = 3,
    kind_toggle = 4,
    kind_link = 5,
    kind_slider = 6,
    kind_separator = 7,
    kind_accent_button = 8,
  };
  std::int32_t kind = kind_text;
  layout::Rect bounds{};  // DIPs, content coordinates
  std::wstring label;
  std::wstring secondary;
  std::uint32_t command_id = 0;
  bool visible = true;
  bool enabled = true;
  bool checked = false;
  float value = 0.0f;  // sliders, 0..1

  [[nodiscard]] bool interactive() const noexcept {
    return (kind >= kind_button && kind <= kind_slider) || kind == kind_accent_button;
  }
};

// What the surface reads instead of GetPointerInfo: the pointer's device, flags and screen position.
// Replaceable so the touch and pen path can be driven where the system sends no pointer messages.
struct PointerSample {
  std::uint32_t pointer_id = 0;
  std::int32_t device = 0;  // POINTER_INPUT_TYPE
  std::uint32_t flags = 0;  // POINTER_FLAGS
  std::int32_t screen_x = 0;
  std::int32_t screen_y = 0;
};
using PointerInfoSource = std::function<bool(std::uint32_t pointer_id, PointerSample& sample)>;

// Binds one view tree to one native window: turns the window's messages into pointer and key events
// routed through its ViewRoot, lays the tree out and paints it, hosts native child controls, keeps
// tooltips in step and keeps native focus in step with the tree's focus. UI thread only.
class Surface final : public ViewHost {
 public:
  Surface();
  ~Surface() override;
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // Binds the surface to a window by subclassing it; false for a null or dead window.
  bool attach(HWND window, const Palette& palette);
  void detach();
  [[nodiscard]] HWND window() const noexcept;

  // --- content

  [[nodiscard]] ViewRoot& view_root() noexcept;
  [[nodiscard]] View* root() const noexcept;
  // Replaces the tree (after the outermost routing when called from a handler).
  void set_root(std::unique_ptr<View> root);
  // The flat element model, used while the surface has no tree.
  void set_elements(std::vector<Element> elements);
  [[nodiscard]] const std::vector<Element>& elements() const noexcept;

  // --- appearance

  void set_palette(const Palette& palette);
  [[nodiscard]] const Palette& palette() const noexcept;
  [[nodiscard]] std::uint64_t palette_generation() const noexcept;
  void set_localization(const LocalizationContext& localization);
  [[nodiscard]] const LocalizationContext& localization() const noexcept;
  // Zooms the whole surface: clamped to 0.5..2, a non-finite value is 1.
  void set_ui_scale(float scale);
  [[nodiscard]] float ui_scale() const noexcept;
  [[nodiscard]] float dpi() const noexcept;
  void set_render_mode(RenderMode mode);
  [[nodiscard]] RenderMode render_mode() const noexcept;
  [[nodiscard]] FrameBackend last_backend() const noexcept;
  void enable_statistics(bool enable);
  [[nodiscard]] const FrameStatistics& statistics() const noexcept;

  // --- commands

  // Both stay owned by the caller and must outlive the surface or be replaced first.
  void set_commands(const CommandRegistry* commands, const AcceleratorTable* accelerators);

  // --- geometry

  [[nodiscard]] float scroll_offset() const noexcept;
  [[nodiscard]] float content_height() const noexcept;
  // Lays the tree out now (the surface also does it before painting when asked).
  void layout_now();
  // The tooltip window, created while some view has a tooltip.
  [[nodiscard]] HWND tooltip_window() const noexcept;
  [[nodiscard]] bool frame_timer_pending() const noexcept;

  // --- accessibility

  // The surface's UI Automation host: its root provider, its snapshot, its event sink.
  [[nodiscard]] platform::windows::accessibility::SemanticsAutomationHost& automation() noexcept;

  // --- input

  void dispatch_event(Event& event, std::optional<std::uint32_t> command);
  bool dispatch_key(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
  PointerDispatch dispatch_pointer(PointerAction action, layout::Point position, std::uint32_t buttons,
                                   float wheel_delta, std::uint32_t pointer_id, PointerDevice device,
                                   float horizontal_wheel_delta, View* target);
  // Handles one window message as the subclass does; returns the message result.
  std::intptr_t message(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
  void activate_legacy(int element_index, InputOrigin origin);
  void update_legacy_slider(int element_index, layout::Point position, InputOrigin origin);
  void set_pointer_info_source(PointerInfoSource source);

  // --- ViewHost: forwarded to the ViewRoot

  void invalidate(const layout::Rect& rect) override;
  void invalidate_all() override;
  void invalidate_layout() override;
  void notify_semantics_changed() override;
  void dispatch_event(Event& event) override;
  ui::animation::AnimationClock* animation_clock() override;
  bool request_focus(View& view, FocusOrigin origin) override;
  void notify_view_detached(View& view) override;
  void notify_interactivity_changed(View& view) override;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace win32_ui::modern
