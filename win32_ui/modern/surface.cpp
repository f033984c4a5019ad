#include "modern/surface.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "layout/layout_context.h"
#include "localization/localization_context.h"
#include "modern/tree/native_host.h"
#include "modern/widgets/interactive.h"
#include "modern/widgets/widget.h"
#include "platform/view_walk.h"
#include "platform/windows/accessibility/semantics_automation_host.h"
#include "platform/windows/element_model.h"
#include "platform/windows/gdi_handle.h"
#include "platform/windows/native_host_placement.h"
#include "platform/windows/native_messages.h"
#include "platform/windows/surface_geometry.h"
#include "platform/windows/surface_renderer.h"
#include "platform/windows/surface_tooltips.h"
#include "platform/windows/window_frame_scheduler.h"
#include "platform/windows/window_input_adapter.h"
#include "theme/palette.h"
#include "theme/theme.h"
#include "theme/themed_combo_box.h"

namespace win32_ui::modern {

namespace {

constexpr UINT_PTR surface_subclass_id = 0x57494D53;
constexpr float wheel_step_dips = 48.0f;

}  // namespace

namespace windows = platform::windows;

// Binds the collaborators to one window: the message table below says which of them each message
// goes to; layout, scrolling and focus, which touch all of them, stay here.
class Surface::Impl final {
 public:
  Impl()
      : palette_(light_palette(default_accent)),
        localization_(L"zh-CN"),
        elements_(geometry_, [this](Event& event, std::optional<std::uint32_t> command) { input_.dispatch_event(event, command); }),
        hosts_(root_, geometry_, palette_, palette_generation_, localization_),
        scheduler_(root_, geometry_),
        input_(root_, geometry_, elements_, [this](float notches) { return scroll_by(notches); }),
        renderer_(root_, geometry_, palette_, localization_) {
    root_.set_frame_scheduler(&scheduler_);
    root_.set_input_adapter(&input_);
    root_.set_focus_listener([this](View* lost, View* gained, FocusOrigin origin) { on_focus_moved(lost, gained, origin); });
    root_.set_key_fallback([this](KeyEvent& event) { return input_.handle_unhandled_key(event); });
    root_.set_root_listener([this] { on_root_replaced(); });
    root_.set_event_hook([this](Event& event, bool) { automation_.event_notice(event); });
    root_.set_detach_listener([this](View& view) { on_view_detached(view); });
    root_.set_semantics_listener([this] { automation_.semantics_changed(); });
  }

  ~Impl() {
    detach();
    // The tree goes with the root below; nothing of this half-destroyed surface may hear about it.
    root_.set_detach_listener({});
    root_.set_semantics_listener({});
    root_.set_root_listener({});
    root_.set_focus_listener({});
    root_.set_key_fallback({});
    root_.set_event_hook({});
    root_.set_frame_scheduler(nullptr);
    root_.set_input_adapter(nullptr);
  }

  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  // --- binding

  bool attach(HWND window, const Palette& palette) {
    if (window == nullptr || !IsWindow(window)) return false;
    detach();
    geometry_.window = window;
    palette_ = palette;
    ++palette_generation_;
    geometry_.dpi = windows::valid_dpi(static_cast<float>(GetDpiForWindow(window)));
    {
      const platform::WindowDc screen(window);
      scheduler_.set_refresh_rate(screen.get() != nullptr ? GetDeviceCaps(screen.get(), VREFRESH) : 0);
    }
    renderer_.rebuild_fonts();
    renderer_.rebuild_field_brush();
    if (!SetWindowSubclass(window, &Impl::subclass_proc, surface_subclass_id, reinterpret_cast<DWORD_PTR>(this))) {
      geometry_.window = nullptr;
      return false;
    }
    automation_.attach(window, root_);
    automation_.set_metrics(geometry_.dpi, geometry_.ui_scale, geometry_.scroll_offset);
    apply_animation_preference();
    if (root_.clock().has_animations()) scheduler_.request_frame();
    layout();
    geometry_.invalidate_window();
    return true;
  }

  void detach() {
    input_.detach();
    automation_.detach();
    tooltips_.destroy();
    scheduler_.stop();
    hosts_.detach_all();
    HWND window = geometry_.window;
    if (window != nullptr && IsWindow(window)) RemoveWindowSubclass(window, &Impl::subclass_proc, surface_subclass_id);
    geometry_.window = nullptr;
    elements_.reset_state();
  }

  // The window is being destroyed: everything bound to it lets go while it still exists.
  void on_window_destroyed() {
    automation_.detach();
    tooltips_.destroy();
    input_.forget_pointers();
    scheduler_.stop();
    hosts_.detach_all();
    geometry_.window = nullptr;
  }

  // --- content

  void on_root_replaced() {
    input_.forget_pointers();
    if (geometry_.window != nullptr && GetCapture() == geometry_.window) ReleaseCapture();
    elements_.reset_state();
    elements_.cancel_press();
    hosts_.forget();
    automation_.semantics_changed();
    if (root_.root() == nullptr) {
      elements_.clear();
      geometry_.content_height = 0.0f;
      geometry_.scroll_offset = 0.0f;
      tooltips_.update(nullptr);
    } else if (geometry_.window != nullptr) {
      layout();
    }
    scheduler_.invalidate(true);
  }

  void set_elements(std::vector<Element> elements) {
    elements_.set(std::move(elements));
    if (root_.root() == nullptr) layout();
    scheduler_.invalidate(true);
  }

  void on_view_detached(View& view) {
    // A host that left the tree takes its control down now, and a tooltip its tool.
    hosts_.on_view_detached(view);
    tooltips_.remove(view.id());
  }

  // --- appearance

  void set_palette(const Palette& palette) {
    palette_ = palette;
    apply_animation_preference();
    ++palette_generation_;
    renderer_.rebuild_field_brush();
    layout();
    scheduler_.invalidate(true);
  }

  void set_ui_scale(float scale) {
    const float clamped = std::isfinite(scale) ? std::clamp(scale, 0.5f, 2.0f) : 1.0f;
    if (std::fabs(clamped - geometry_.ui_scale) < 1e-4f) return;
    geometry_.ui_scale = clamped;
    renderer_.rebuild_fonts();
    layout();
    scheduler_.invalidate(true);
  }

  void set_localization(const LocalizationContext& localization) {
    localization_ = localization;
    root_.invalidate_layout();
  }

  void apply_animation_preference() {
    BOOL animate = TRUE;
    if (!SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &animate, 0)) animate = TRUE;
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    const bool high_contrast = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
                               (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
    root_.clock().set_enabled(animate != FALSE && !high_contrast);
  }

  // --- layout and scrolling

  void layout() {
    if (geometry_.window == nullptr) return;
    View* const root = root_.root();
    if (root == nullptr) {
      elements_.layout();
      tooltips_.update(nullptr);
      return;
    }
    ++layout_depth_;
    const layout::Size viewport = geometry_.client_size_dips();
    layout::LayoutContext context;
    context.dpi = std::max(1, static_cast<int>(std::lround(geometry_.dpi * geometry_.ui_scale)));
    context.palette = &palette_;
    context.palette_generation = palette_generation_;
    context.localization = &localization_;
    context.flow_direction = localization_.is_right_to_left() ? layout::FlowDirection::right_to_left
                                                              : layout::FlowDirection::left_to_right;
    context.text_measurer = renderer_.measurer();
    update_localized_texts(*root, localization_);
    apply_command_states(*root);
    root_.layout(viewport, context);
    if (root_.root() != root) {  // a handler replaced the tree meanwhile
      --layout_depth_;
      return;
    }
    geometry_.content_height = root->arranged_rect().height;
    geometry_.clamp_scroll();
    hosts_.place(true);
    tooltips_.update(root_.root());
    // Accessibility hears of the new structure and bounds once, when the outermost layout ends.
    if (layout_depth_ == 1) {
      automation_.set_metrics(geometry_.dpi, geometry_.ui_scale, geometry_.scroll_offset);
      automation_.refresh();
    }
    --layout_depth_;
  }

  // The enabling rule of bound commands: only ids the registry knows, and only through actionable, so
  // the program's own enabled state is never overwritten.
  void apply_command_states(View& root) {
    if (commands_ == nullptr) return;
    platform::walk_views(root, true, [this](View& view, bool) {
      auto* interactive = dynamic_cast<Interactive*>(&view);
      if (interactive == nullptr || interactive->command_id() == 0 || !commands_->knows(interactive->command_id())) return;
      interactive->set_actionable(commands_->can_execute(interactive->command_id()));
    });
  }

  bool scroll_by(float notches) {
    const float before = geometry_.scroll_offset;
    geometry_.scroll_offset = std::clamp(geometry_.scroll_offset - notches * wheel_step_dips, 0.0f, geometry_.max_scroll());
    if (geometry_.scroll_offset == before) return false;
    automation_.set_metrics(geometry_.dpi, geometry_.ui_scale, geometry_.scroll_offset);
    hosts_.place(false);
    tooltips_.update(root_.root());
    scheduler_.invalidate(true);
    return true;
  }

  // --- focus

  void on_focus_moved(View*, View* gained, FocusOrigin origin) {
    // Focus may move while a subtree is being taken down: the snapshot is read once the dispatch is over.
    automation_.semantics_changed();
    if (geometry_.window == nullptr || origin == FocusOrigin::native) return;
    hosts_.follow_focus(gained);
  }

  void on_set_focus() {
    if (View* const focused = root_.focused()) {
      // Reactivation focuses the window itself; typing must reach the hosted control again.
      hosts_.refocus_control(focused);
    } else if (root_.root() != nullptr) {
      root_.move_focus(FocusDirection::next, FocusOrigin::programmatic);
    } else {
      elements_.focus_first();
    }
    geometry_.invalidate_window();
  }

  // Only our own hosted controls on this thread send it; the same number sent from another thread or
  // program (a broadcast) is not ours.
  void on_native_focus(LPARAM lparam) {
    NativeHost* host = hosts_.host_for_control(reinterpret_cast<HWND>(lparam));
    if (host != nullptr && root_.focused() != host) root_.request_focus(*host, FocusOrigin::native);
  }

  // --- painting

  void on_paint() {
    root_.clock().tick(std::chrono::steady_clock::now());
    if (root_.layout_needed()) layout();
    const std::uint64_t changes = root_.change_count();
    scheduler_.frame_started();
    renderer_.paint_frame();
    if (renderer_.last_frame_ok() && root_.change_count() == changes) root_.clear_dirty();
  }

  void on_dpi_changed(WPARAM wparam) {
    geometry_.dpi = windows::valid_dpi(static_cast<float>(HIWORD(wparam)));
    renderer_.rebuild_fonts();
    root_.invalidate_layout();
    layout();
    geometry_.invalidate_window();
  }

  // A hosted control's notification as its tree event; false when it is none of ours.
  bool on_control_notification(UINT message, WPARAM wparam, LPARAM lparam) {
    Event event;
    if (!hosts_.translate(message, wparam, lparam, event)) return false;
    input_.dispatch_event(event, std::nullopt);
    return true;
  }

  // --- the message table

  LRESULT message(UINT message, WPARAM wparam, LPARAM lparam) {
    // The accessibility bridge sees every message first (WM_GETOBJECT and its action message).
    LRESULT answered = 0;
    if (automation_.handle_message(message, wparam, lparam, answered)) return answered;
    switch (message) {
      case WM_SETFOCUS: on_set_focus(); return 0;
      case WM_KILLFOCUS: input_.on_kill_focus(); return 0;
      case WM_PAINT: on_paint(); return 0;
      case WM_SETTINGCHANGE:
        apply_animation_preference();
        return pass_on(message, wparam, lparam);
      case WM_SETCURSOR:
        if (LOWORD(lparam) == HTCLIENT && input_.set_cursor()) return TRUE;
        return pass_on(message, wparam, lparam);
      case WM_ERASEBKGND: return 1;
      case WM_DRAWITEM:
        if (lparam != 0 && draw_themed_combo_item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return TRUE;
        return pass_on(message, wparam, lparam);
      case WM_COMMAND:
      case WM_NOTIFY:
        if (on_control_notification(message, wparam, lparam)) return 0;
        return pass_on(message, wparam, lparam);
      case WM_CONTEXTMENU: input_.on_context_menu(lparam); return 0;
      // DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS: the window takes arrows, Tab and characters
      // itself rather than leaving them to dialog navigation.
      case WM_GETDLGCODE: return 0x83;
      case WM_KEYDOWN:
      case WM_KEYUP:
      case WM_CHAR:
      case WM_SYSKEYDOWN:
      case WM_SYSKEYUP:
      case WM_SYSCHAR:
        if (input_.dispatch_key(message, wparam, lparam)) return 0;
        return pass_on(message, wparam, lparam);
      case WM_TIMER:
        if (scheduler_.on_timer(wparam)) return 0;
        return pass_on(message, wparam, lparam);
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORSTATIC:
        if (HBRUSH brush = renderer_.control_colors(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam))) {
          return reinterpret_cast<LRESULT>(brush);
        }
        return pass_on(message, wparam, lparam);
      case WM_MOUSEMOVE: input_.on_mouse_move(wparam, lparam); return 0;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
      case WM_LBUTTONUP: input_.on_button(message, wparam, lparam); return 0;
      case WM_MOUSEWHEEL:
      case WM_MOUSEHWHEEL:
        if (input_.on_wheel(message, wparam, lparam)) return 0;
        return pass_on(message, wparam, lparam);
      case WM_CAPTURECHANGED: input_.on_capture_changed(lparam); return 0;
      case WM_POINTERUPDATE:
      case WM_POINTERDOWN:
      case WM_POINTERUP:
      case WM_POINTERENTER:
      case WM_POINTERLEAVE:
      case WM_POINTERCAPTURECHANGED:
      case WM_POINTERWHEEL:
      case WM_POINTERHWHEEL:
        if (root_.root() == nullptr) return pass_on(message, wparam, lparam);
        input_.on_pointer_message(message, wparam);
        return 0;
      case WM_MOUSELEAVE: input_.on_mouse_leave(); return 0;
      case WM_DPICHANGED:
        on_dpi_changed(wparam);
        return pass_on(message, wparam, lparam);
      case WM_SIZE:
        layout();
        geometry_.invalidate_window();
        return pass_on(message, wparam, lparam);
      // Both come only from our own hosted controls on this thread; the same numbers sent from another
      // thread or program (a broadcast) are not ours.
      case platform::native_focus_message:
        if (!InSendMessage()) on_native_focus(lparam);
        return 0;
      case platform::native_key_message:
        if (InSendMessage()) return 0;
        return input_.on_native_key(wparam, lparam) ? 1 : 0;
      default:
        return pass_on(message, wparam, lparam);
    }
  }

  // After a dispatch the window may be gone; what is left of the message then has nowhere to go.
  LRESULT pass_on(UINT message, WPARAM wparam, LPARAM lparam) {
    return geometry_.window != nullptr ? DefSubclassProc(geometry_.window, message, wparam, lparam) : 0;
  }

  static LRESULT CALLBACK subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                        DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<Impl*>(data);
    if (message == WM_NCDESTROY) {
      RemoveWindowSubclass(window, &Impl::subclass_proc, surface_subclass_id);
      self->on_window_destroyed();
      return DefSubclassProc(window, message, wparam, lparam);
    }
    try {
      return self->message(message, wparam, lparam);
    } catch (...) {
      // Nothing may unwind into the system's dispatcher; the message counts as unhandled.
      return DefSubclassProc(window, message, wparam, lparam);
    }
  }

  // --- state (public to the handle)

  // Where the content sits in the window; every collaborator reads it.
  windows::SurfaceGeometry geometry_;
  Palette palette_;
  std::uint64_t palette_generation_ = 0;
  LocalizationContext localization_;
  windows::SurfaceTooltips tooltips_{geometry_};
  // Shown while there is no tree.
  windows::ElementModel elements_;
  ViewRoot root_;
  // After the root: destroyed before it, so its state forgets the root first.
  windows::accessibility::SemanticsAutomationHost automation_;
  const CommandRegistry* commands_ = nullptr;
  // Nesting of layouts (a handler run by a layout may ask for another).
  int layout_depth_ = 0;
  windows::NativeHostPlacement hosts_;
  windows::WindowFrameScheduler scheduler_;
  windows::WindowInputAdapter input_;
  windows::SurfaceRenderer renderer_;
};
// --- the handle

Surface::Surface() : impl_(std::make_unique<Impl>()) {}

Surface::~Surface() {
  if (impl_ != nullptr) impl_->detach();
}

bool Surface::attach(HWND window, const Palette& palette) { return impl_ != nullptr && impl_->attach(window, palette); }
void Surface::detach() {
  if (impl_ != nullptr) impl_->detach();
}
HWND Surface::window() const noexcept { return impl_->geometry_.window; }

ViewRoot& Surface::view_root() noexcept { return impl_->root_; }
View* Surface::root() const noexcept { return impl_->root_.root(); }
void Surface::set_root(std::unique_ptr<View> root) { impl_->root_.set_root(std::move(root)); }
void Surface::set_elements(std::vector<Element> elements) { impl_->set_elements(std::move(elements)); }
const std::vector<Element>& Surface::elements() const noexcept { return impl_->elements_.elements(); }

void Surface::set_palette(const Palette& palette) { impl_->set_palette(palette); }
const Palette& Surface::palette() const noexcept { return impl_->palette_; }
std::uint64_t Surface::palette_generation() const noexcept { return impl_->palette_generation_; }
void Surface::set_localization(const LocalizationContext& localization) { impl_->set_localization(localization); }
const LocalizationContext& Surface::localization() const noexcept { return impl_->localization_; }
void Surface::set_ui_scale(float scale) { impl_->set_ui_scale(scale); }
float Surface::ui_scale() const noexcept { return impl_->geometry_.ui_scale; }
float Surface::dpi() const noexcept { return impl_->geometry_.dpi; }
void Surface::set_render_mode(RenderMode mode) {
  if (impl_->renderer_.set_mode(mode)) impl_->root_.invalidate_layout();
}
RenderMode Surface::render_mode() const noexcept { return impl_->renderer_.mode(); }
FrameBackend Surface::last_backend() const noexcept { return impl_->renderer_.last_backend(); }
void Surface::enable_statistics(bool enable) { impl_->renderer_.enable_statistics(enable); }
const FrameStatistics& Surface::statistics() const noexcept { return impl_->renderer_.statistics(); }

void Surface::set_commands(const CommandRegistry* commands, const AcceleratorTable* accelerators) {
  impl_->commands_ = commands;
  impl_->input_.set_commands(commands);
  impl_->root_.set_commands(commands, accelerators);
}

platform::windows::accessibility::SemanticsAutomationHost& Surface::automation() noexcept { return impl_->automation_; }

float Surface::scroll_offset() const noexcept { return impl_->geometry_.scroll_offset; }
float Surface::content_height() const noexcept { return impl_->geometry_.content_height; }
void Surface::layout_now() { impl_->layout(); }
HWND Surface::tooltip_window() const noexcept { return impl_->tooltips_.window(); }
bool Surface::frame_timer_pending() const noexcept { return impl_->scheduler_.pending(); }

void Surface::dispatch_event(Event& event, std::optional<std::uint32_t> command) { impl_->input_.dispatch_event(event, command); }
bool Surface::dispatch_key(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  return impl_->input_.dispatch_key(message, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam));
}
PointerDispatch Surface::dispatch_pointer(PointerAction action, layout::Point position, std::uint32_t buttons,
                                          float wheel_delta, std::uint32_t pointer_id, PointerDevice device,
                                          float horizontal_wheel_delta, View* target) {
  return impl_->input_.dispatch_pointer(action, position, buttons, wheel_delta, pointer_id, device, horizontal_wheel_delta,
                                 target);
}
std::intptr_t Surface::message(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  if (impl_->geometry_.window == nullptr) return 0;
  return impl_->message(message, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam));
}
void Surface::activate_legacy(int element_index, InputOrigin origin) { impl_->elements_.activate(element_index, origin); }
void Surface::update_legacy_slider(int element_index, layout::Point position, InputOrigin origin) {
  impl_->elements_.update_slider(element_index, position, origin);
}
void Surface::set_pointer_info_source(PointerInfoSource source) { impl_->input_.set_pointer_info_source(std::move(source)); }

void Surface::invalidate(const layout::Rect& rect) { impl_->root_.invalidate(rect); }
void Surface::invalidate_all() { impl_->root_.invalidate_all(); }
void Surface::invalidate_layout() { impl_->root_.invalidate_layout(); }
void Surface::notify_semantics_changed() {}
void Surface::dispatch_event(Event& event) { impl_->input_.dispatch_event(event, std::nullopt); }
ui::animation::AnimationClock* Surface::animation_clock() { return nullptr; }
bool Surface::request_focus(View& view, FocusOrigin origin) { return impl_->root_.request_focus(view, origin); }
void Surface::notify_view_detached(View& view) { impl_->root_.notify_view_detached(view); }
void Surface::notify_interactivity_changed(View& view) { impl_->root_.notify_interactivity_changed(view); }

}  // namespace win32_ui::modern
