#include "modern/surface.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "layout/layout_context.h"
#include "localization/localization_context.h"
#include "modern/focus_manager.h"
#include "modern/interactive.h"
#include "modern/native_host.h"
#include "modern/view_group.h"
#include "modern/widget.h"
#include "platform/surface_interfaces.h"
#include "platform/windows/accessibility/semantics_automation_host.h"
#include "platform/windows/gdi_handle.h"
#include "platform/windows/native_control_colors.h"
#include "platform/windows/native_messages.h"
#include "theme/palette.h"
#include "theme/theme.h"
#include "theme/themed_combo_box.h"
#include "ui/graphics/frame_painter.h"
#include "ui/graphics/surface_text_measurer.h"

namespace win32_ui::modern {

namespace {

constexpr UINT_PTR surface_subclass_id = 0x57494D53;
constexpr UINT frame_interval_ms = 15;
constexpr float wheel_step_dips = 48.0f;
constexpr float legacy_slider_step = 0.05f;

struct FontSpec {
  float points;
  int weight;
};
// The six text styles views measure and paint with.
constexpr std::array<FontSpec, 6> font_specs{{{22.0f, 600}, {15.0f, 600}, {11.0f, 400}, {9.0f, 400}, {11.0f, 600}, {12.0f, 600}}};

float valid_dpi(float dpi) { return std::isfinite(dpi) && dpi > 0.0f ? dpi : 96.0f; }

Key key_for(UINT vk) {
  switch (vk) {
    case VK_TAB: return Key::tab;
    case VK_RETURN: return Key::enter;
    case VK_SPACE: return Key::space;
    case VK_ESCAPE: return Key::escape;
    case VK_LEFT: return Key::left;
    case VK_UP: return Key::up;
    case VK_RIGHT: return Key::right;
    case VK_DOWN: return Key::down;
    default: break;
  }
  if (vk >= '0' && vk <= '9') return static_cast<Key>(static_cast<int>(Key::digit0) + static_cast<int>(vk - '0'));
  if (vk >= 'A' && vk <= 'Z') return static_cast<Key>(static_cast<int>(Key::letter_a) + static_cast<int>(vk - 'A'));
  if (vk >= VK_F1 && vk <= VK_F24) return static_cast<Key>(static_cast<int>(Key::f1) + static_cast<int>(vk - VK_F1));
  return Key::unknown;
}

std::uint32_t current_modifiers() {
  std::uint32_t modifiers = key_modifier_none;
  if (GetKeyState(VK_SHIFT) < 0) modifiers |= key_modifier_shift;
  if (GetKeyState(VK_CONTROL) < 0) modifiers |= key_modifier_control;
  if (GetKeyState(VK_MENU) < 0) modifiers |= key_modifier_alt;
  if (GetKeyState(VK_LWIN) < 0 || GetKeyState(VK_RWIN) < 0) modifiers |= key_modifier_windows;
  return modifiers;
}

std::uint32_t mouse_buttons(WPARAM wparam) {
  std::uint32_t buttons = pointer_button_none;
  if (wparam & MK_LBUTTON) buttons |= pointer_button_primary;
  if (wparam & MK_RBUTTON) buttons |= pointer_button_secondary;
  if (wparam & MK_MBUTTON) buttons |= pointer_button_middle;
  if (wparam & MK_XBUTTON1) buttons |= pointer_button_extra1;
  if (wparam & MK_XBUTTON2) buttons |= pointer_button_extra2;
  return buttons;
}

bool is_key_message(UINT message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR || message == WM_SYSKEYDOWN ||
         message == WM_SYSKEYUP || message == WM_SYSCHAR;
}

// Calls `visit(view, shown)` for every view in pre-order; `shown` is false inside a hidden subtree.
template <typename Visit>
void walk(View& view, bool shown, Visit&& visit) {
  const bool visible = shown && view.visibility() == layout::Visibility::visible;
  visit(view, visible);
  if (auto* group = dynamic_cast<ViewGroup*>(&view)) {
    for (const auto& child : group->children()) walk(*child, visible, visit);
  }
}

bool default_pointer_info(std::uint32_t pointer_id, PointerSample& sample) {
  POINTER_INFO info{};
  if (!GetPointerInfo(pointer_id, &info)) return false;
  sample.pointer_id = pointer_id;
  sample.device = static_cast<std::int32_t>(info.pointerType);
  sample.flags = static_cast<std::uint32_t>(info.pointerFlags);
  sample.screen_x = info.ptPixelLocation.x;
  sample.screen_y = info.ptPixelLocation.y;
  return true;
}

}  // namespace

class Surface::Impl final : public platform::FrameScheduler,
                            public platform::InputAdapter,
                            public platform::RenderSurface {
 public:
  explicit Impl(Surface& owner)
      : owner_(owner),
        palette_(light_palette(default_accent)),
        localization_(L"zh-CN"),
        mode_(platform::running_under_wine() ? RenderMode::gdi_only : RenderMode::direct2d_first),
        pointer_source_(&default_pointer_info) {
    fonts_.fill(nullptr);
    make_measurer();
    root_.set_frame_scheduler(this);
    root_.set_input_adapter(this);
    root_.set_focus_listener([this](View* lost, View* gained, FocusOrigin origin) { on_focus_moved(lost, gained, origin); });
    root_.set_key_fallback([this](KeyEvent& event) { return handle_unhandled_key(event); });
    root_.set_root_listener([this] { on_root_replaced(); });
    root_.set_event_hook([this](Event& event, bool handled) { on_event_routed(event, handled); });
    root_.set_detach_listener([this](View& view) { on_view_detached(view); });
    root_.set_semantics_listener([this] { automation_.semantics_changed(); });
  }

  ~Impl() override {
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
    window_ = window;
    palette_ = palette;
    ++palette_generation_;
    dpi_ = valid_dpi(static_cast<float>(GetDpiForWindow(window)));
    rebuild_fonts();
    rebuild_field_brush();
    if (!SetWindowSubclass(window, &Impl::subclass_proc, surface_subclass_id, reinterpret_cast<DWORD_PTR>(this))) {
      window_ = nullptr;
      return false;
    }
    automation_.attach(window_, root_);
    automation_.set_metrics(dpi_, ui_scale_, scroll_offset_);
    apply_animation_preference();
    if (root_.clock().has_animations()) request_frame();
    layout();
    invalidate_window();
    return true;
  }

  void detach() {
    if (window_ != nullptr && GetCapture() == window_ && !captured_.empty()) ReleaseCapture();
    captured_.clear();
    pointers_down_.clear();
    automation_.detach();
    destroy_tooltips();
    stop_frame_timer();
    detach_native_hosts();
    if (window_ != nullptr && IsWindow(window_)) RemoveWindowSubclass(window_, &Impl::subclass_proc, surface_subclass_id);
    window_ = nullptr;
    hover_index_ = pressed_index_ = focus_index_ = -1;
    tracking_armed_ = false;
  }

  // --- content

  void on_root_replaced() {
    captured_.clear();
    pointers_down_.clear();
    if (window_ != nullptr && GetCapture() == window_) ReleaseCapture();
    hover_index_ = pressed_index_ = focus_index_ = -1;
    pressed_ = false;
    native_hosts_.clear();
    automation_.semantics_changed();
    if (root_.root() == nullptr) {
      elements_.clear();
      content_height_ = 0.0f;
      scroll_offset_ = 0.0f;
      update_tooltips();
    } else if (window_ != nullptr) {
      layout();
    }
    invalidate(true);
  }

  void set_elements(std::vector<Element> elements) {
    elements_ = std::move(elements);
    hover_index_ = pressed_index_ = -1;
    if (focus_index_ >= static_cast<int>(elements_.size())) focus_index_ = -1;
    if (root_.root() == nullptr) layout();
    invalidate(true);
  }

  void on_view_detached(View& view) {
    // A host that left the tree takes its control down now: its view may live on until the current
    // dispatch returns, and a stale control must not stay on screen or keep focus meanwhile.
    if (auto* host = dynamic_cast<NativeHost*>(&view)) {
      std::erase(native_hosts_, host);
      if (host->peer() != nullptr) host->peer()->detach();
    }
    if (tools_.erase(view.id()) != 0 && tooltip_ != nullptr) {
      TOOLINFOW tool = tool_info(view.id());
      SendMessageW(tooltip_.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }

  // --- appearance

  void set_palette(const Palette& palette) {
    palette_ = palette;
    apply_animation_preference();
    ++palette_generation_;
    rebuild_field_brush();
    layout();
    invalidate(true);
  }

  void set_ui_scale(float scale) {
    const float clamped = std::isfinite(scale) ? std::clamp(scale, 0.5f, 2.0f) : 1.0f;
    if (std::fabs(clamped - ui_scale_) < 1e-4f) return;
    ui_scale_ = clamped;
    rebuild_fonts();
    layout();
    invalidate(true);
  }

  void set_localization(const LocalizationContext& localization) {
    localization_ = localization;
    root_.invalidate_layout();
  }

  // --- units

  [[nodiscard]] float scale() const noexcept { return dpi_ / 96.0f * ui_scale_; }

  // A client pixel position as content DIPs (rounded, scroll added).
  [[nodiscard]] layout::Point to_content(int x, int y) const noexcept {
    return layout::Point{std::round(static_cast<float>(x) / scale()),
                         std::round(static_cast<float>(y) / scale()) + scroll_offset_};
  }

  [[nodiscard]] layout::Size client_size_dips() const {
    RECT client{};
    if (window_ != nullptr) GetClientRect(window_, &client);
    return layout::Size{static_cast<float>(client.right - client.left) / scale(),
                        static_cast<float>(client.bottom - client.top) / scale()};
  }

  // Every repaint request goes through here: a handler may have destroyed the window during the
  // dispatch that preceded it, and a null window would make the request cover the whole desktop.
  void invalidate_window(const RECT* rect = nullptr) {
    if (window_ != nullptr) InvalidateRect(window_, rect, FALSE);
  }

  // --- FrameScheduler

  void invalidate(bool whole_surface) override {
    if (window_ == nullptr) return;
    if (whole_surface || root_.whole_surface_dirty() || root_.root() == nullptr) {
      invalidate_window();
      return;
    }
    const layout::Rect dirty = root_.dirty_rect();
    if (dirty.width <= 0.0f || dirty.height <= 0.0f) return;
    const float s = scale();
    RECT pixels{static_cast<LONG>(std::floor(dirty.x * s)), static_cast<LONG>(std::floor((dirty.y - scroll_offset_) * s)),
                static_cast<LONG>(std::ceil((dirty.x + dirty.width) * s)),
                static_cast<LONG>(std::ceil((dirty.y + dirty.height - scroll_offset_) * s))};
    RECT client{};
    GetClientRect(window_, &client);
    RECT visible{};
    if (IntersectRect(&visible, &pixels, &client)) invalidate_window(&visible);
  }

  void request_frame() override {
    if (window_ == nullptr || timer_pending_) return;
    if (SetTimer(window_, timer_id(), frame_interval_ms, nullptr) != 0) {
      timer_pending_ = true;
    } else {
      invalidate_window();
    }
  }

  // --- InputAdapter

  bool capture_pointer(std::uint32_t pointer_id) override {
    if (pointers_down_.count(pointer_id) != 0) return true;
    if (window_ == nullptr) return false;
    if (GetCapture() != window_) SetCapture(window_);
    if (GetCapture() != window_) return false;
    captured_.insert(pointer_id);
    return true;
  }

  void release_pointer(std::uint32_t pointer_id) override {
    if (pointers_down_.count(pointer_id) != 0) return;
    captured_.erase(pointer_id);
    if (captured_.empty() && window_ != nullptr && GetCapture() == window_) ReleaseCapture();
  }

  // --- RenderSurface

  void paint_frame() override {
    if (window_ == nullptr) return;  // the layout before it may have run a handler that closed the window
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window_, &paint);
    if (dc == nullptr) return;
    const float s = scale();
    RECT update = paint.rcPaint;
    const bool whole = root_.whole_surface_dirty() || root_.root() == nullptr;
    if (!whole && root_.dirty()) {
      // The views' dirty rectangle joins what Windows asked for (a window dragged across ours).
      const layout::Rect dirty = root_.dirty_rect();
      RECT pixels{static_cast<LONG>(std::floor(dirty.x * s)), static_cast<LONG>(std::floor((dirty.y - scroll_offset_) * s)),
                  static_cast<LONG>(std::ceil((dirty.x + dirty.width) * s)),
                  static_cast<LONG>(std::ceil((dirty.y + dirty.height - scroll_offset_) * s))};
      RECT client{};
      GetClientRect(window_, &client);
      IntersectRect(&pixels, &pixels, &client);
      UnionRect(&update, &update, &pixels);
    }
    if (IsRectEmpty(&update)) {
      EndPaint(window_, &paint);
      return;
    }
    const auto started = std::chrono::steady_clock::now();
    const ui::graphics::Color background = ui::graphics::Color::from_colorref(palette_.colors[Palette::window_background]);
    // The clip is the whole update rectangle in content DIPs, so every view that touches it repaints.
    const layout::Rect clip_dips{static_cast<float>(update.left) / s, static_cast<float>(update.top) / s + scroll_offset_,
                                 static_cast<float>(update.right - update.left) / s,
                                 static_cast<float>(update.bottom - update.top) / s};
    const FrameOutcome outcome = modern::paint_frame(dc, update, fonts_, mode_, [&](ui::graphics::Canvas& canvas) {
      const ui::graphics::RectF clip_pixels{static_cast<float>(update.left), static_cast<float>(update.top),
                                            static_cast<float>(update.right), static_cast<float>(update.bottom)};
      canvas.save();
      canvas.clip_rect(clip_pixels);
      canvas.fill_rect(clip_pixels, background);
      if (View* root = root_.root()) {
        PaintContext context = PaintContext::for_canvas(canvas, dpi_ / 96.0f, ui_scale_);
        context.palette = &palette_;
        context.scroll_offset = scroll_offset_;
        context.text_direction = localization_.is_right_to_left() ? 1 : 0;
        context.hovered_view = root_.hovered(1);
        context.pressed_view = root_.captured(1);
        context.focused_view = root_.focused();
        context.focus_visible = root_.focus_visible();
        if (!whole) context.dirty_region = clip_dips;
        context.transform = ui::graphics::Transform::translation(0.0f, -scroll_offset_ * context.scale);
        canvas.set_transform(context.transform);
        paint_view(*root, context);
      }
      canvas.restore();
    });
    if (!outcome.success) {
      platform::GdiObject<HBRUSH> brush(CreateSolidBrush(palette_.colors[Palette::window_background]));
      if (brush != nullptr) FillRect(dc, &update, brush.get());
    }
    last_backend_ = !outcome.success ? FrameBackend::none : (outcome.software ? FrameBackend::gdi : FrameBackend::direct2d);
    EndPaint(window_, &paint);
    last_frame_ok_ = outcome.success;
    if (statistics_enabled_) {
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
      ++statistics_.frames;
      if (outcome.success) {
        ++statistics_.successes;
      } else {
        ++statistics_.failures;
      }
      if (outcome.attempts > 1) ++statistics_.second_attempts;
      statistics_.last_attempts = outcome.attempts;
      statistics_.last_milliseconds = ms;
      statistics_.total_milliseconds += ms;
      statistics_.longest_milliseconds = std::max(statistics_.longest_milliseconds, ms);
    }
  }

  // --- layout

  void layout() {
    if (window_ == nullptr) return;
    View* const root = root_.root();
    if (root == nullptr) {
      layout_elements();
      return;
    }
    ++layout_depth_;
    const layout::Size viewport = client_size_dips();
    layout::LayoutContext context;
    context.dpi = std::max(1, static_cast<int>(std::lround(dpi_ * ui_scale_)));
    context.palette = &palette_;
    context.palette_generation = palette_generation_;
    context.localization = &localization_;
    context.flow_direction = localization_.is_right_to_left() ? 1 : 0;
    context.text_measurer = &*measurer_;
    update_localized_texts(*root, localization_);
    apply_command_states(*root);
    root_.layout(viewport, context);
    if (root_.root() != root) {  // a handler replaced the tree meanwhile
      --layout_depth_;
      return;
    }
    content_height_ = root->arranged_rect().height;
    clamp_scroll();
    place_native_hosts(true);
    update_tooltips();
    // Accessibility hears of the new structure and bounds once, when the outermost layout ends.
    if (layout_depth_ == 1) {
      automation_.set_metrics(dpi_, ui_scale_, scroll_offset_);
      automation_.refresh();
    }
    --layout_depth_;
  }

  void layout_elements() {
    float bottom = 0.0f;
    for (const Element& element : elements_) {
      if (element.visible) bottom = std::max(bottom, element.bounds.y + element.bounds.height);
    }
    content_height_ = bottom;
    clamp_scroll();
    update_tooltips();
  }

  // The enabling rule of bound commands: only ids the registry knows, and only through actionable, so
  // the program's own enabled state is never overwritten.
  void apply_command_states(View& root) {
    if (commands_ == nullptr) return;
    walk(root, true, [this](View& view, bool) {
      auto* interactive = dynamic_cast<Interactive*>(&view);
      if (interactive == nullptr || interactive->command_id() == 0 || !commands_->knows(interactive->command_id())) return;
      interactive->set_actionable(commands_->can_execute(interactive->command_id()));
    });
  }

  [[nodiscard]] platform::NativeViewConfiguration native_configuration() const {
    platform::NativeViewConfiguration configuration;
    configuration.palette = &palette_;
    configuration.palette_generation = palette_generation_;
    configuration.right_to_left = localization_.is_right_to_left();
    return configuration;
  }

  // Creates the controls of hosts that have none (after a layout) and moves every control to its view.
  void place_native_hosts(bool after_layout) {
    if (window_ == nullptr || root_.root() == nullptr) return;
    if (after_layout) {
      native_hosts_.clear();
      walk(*root_.root(), true, [this](View& view, bool) {
        if (auto* host = dynamic_cast<NativeHost*>(&view)) native_hosts_.push_back(host);
      });
    }
    const platform::NativeViewConfiguration configuration = native_configuration();
    const layout::Size viewport = client_size_dips();
    walk(*root_.root(), true, [&](View& view, bool shown) {
      auto* host = dynamic_cast<NativeHost*>(&view);
      if (host == nullptr || host->peer() == nullptr) return;
      platform::NativeViewPeer& peer = *host->peer();
      HWND control = static_cast<HWND>(peer.native_window());
      if (control == nullptr || !IsWindow(control)) {
        if (!shown || !after_layout) return;  // made at the first layout that shows it
        if (!peer.create(window_, configuration)) return;
      } else if (after_layout) {
        peer.update(configuration);
      }
      platform::NativeViewGeometry geometry;
      const layout::Rect r = host->arranged_rect();
      geometry.rect = layout::Rect{r.x, r.y - scroll_offset_, r.width, r.height};
      geometry.viewport = clipped_viewport(*host, viewport);
      geometry.scale = scale();
      geometry.shown = shown;
      peer.place(geometry);
    });
  }

  // The client area less what clipping ancestors (a scroll panel) hide, in client DIPs: a control
  // scrolled out of its panel must not float over its neighbours.
  [[nodiscard]] layout::Rect clipped_viewport(const View& host, layout::Size client) const {
    float left = 0.0f, top = 0.0f, right = client.width, bottom = client.height;
    for (const View* ancestor = host.parent(); ancestor != nullptr; ancestor = ancestor->parent()) {
      if (!ancestor->clip_to_bounds()) continue;
      const layout::Rect r = ancestor->arranged_rect();
      left = std::max(left, r.x);
      top = std::max(top, r.y - scroll_offset_);
      right = std::min(right, r.x + r.width);
      bottom = std::min(bottom, r.y + r.height - scroll_offset_);
    }
    return layout::Rect{left, top, std::max(0.0f, right - left), std::max(0.0f, bottom - top)};
  }

  void detach_native_hosts() {
    if (root_.root() != nullptr) {
      walk(*root_.root(), true, [](View& view, bool) {
        if (auto* host = dynamic_cast<NativeHost*>(&view); host != nullptr && host->peer() != nullptr) host->peer()->detach();
      });
    }
    native_hosts_.clear();
  }

  NativeHost* host_for_control(HWND control) const {
    for (NativeHost* host : native_hosts_) {
      if (host->native_window() == control) return host;
    }
    return nullptr;
  }

  // --- scrolling

  [[nodiscard]] float max_scroll() const { return std::max(0.0f, content_height_ - client_size_dips().height); }

  void clamp_scroll() { scroll_offset_ = std::clamp(scroll_offset_, 0.0f, max_scroll()); }

  bool scroll_by(float notches) {
    const float before = scroll_offset_;
    scroll_offset_ = std::clamp(scroll_offset_ - notches * wheel_step_dips, 0.0f, max_scroll());
    if (scroll_offset_ == before) return false;
    automation_.set_metrics(dpi_, ui_scale_, scroll_offset_);
    place_native_hosts(false);
    update_tooltips();
    invalidate(true);
    return true;
  }

  // --- tooltips

  TOOLINFOW tool_info(std::uint64_t id) const {
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = window_;
    tool.uId = static_cast<UINT_PTR>(id);
    return tool;
  }

  void destroy_tooltips() {
    tooltip_.reset();
    tools_.clear();
  }

  void update_tooltips() {
    if (window_ == nullptr) return;
    struct Wanted {
      RECT rect;
      const std::wstring* text;
    };
    std::unordered_map<std::uint64_t, Wanted> wanted;
    if (root_.root() != nullptr) {
      RECT client{};
      GetClientRect(window_, &client);
      const float s = scale();
      walk(*root_.root(), true, [&](View& view, bool shown) {
        const auto* widget = dynamic_cast<const Widget*>(&view);
        if (!shown || widget == nullptr || widget->tooltip().empty()) return;
        const layout::Rect r = view.arranged_rect();
        RECT pixels{static_cast<LONG>(std::lround(r.x * s)), static_cast<LONG>(std::lround((r.y - scroll_offset_) * s)),
                    static_cast<LONG>(std::lround((r.x + r.width) * s)),
                    static_cast<LONG>(std::lround((r.y + r.height - scroll_offset_) * s))};
        RECT visible{};
        if (IntersectRect(&visible, &pixels, &client)) wanted[view.id()] = Wanted{visible, &widget->tooltip()};
      });
    }
    if (wanted.empty()) {
      destroy_tooltips();
      return;
    }
    if (tooltip_ == nullptr) {
      INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES};
      InitCommonControlsEx(&init);
      tooltip_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                     GetModuleHandleW(nullptr), nullptr));
      if (tooltip_ == nullptr) return;
      SendMessageW(tooltip_.get(), TTM_SETMAXTIPWIDTH, 0, static_cast<LPARAM>(std::lround(360.0f * dpi_ / 96.0f)));
      tools_.clear();
    }
    HWND tip = tooltip_.get();
    for (auto it = tools_.begin(); it != tools_.end();) {
      if (wanted.count(it->first) == 0) {
        TOOLINFOW tool = tool_info(it->first);
        SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        it = tools_.erase(it);
      } else {
        ++it;
      }
    }
    for (const auto& [id, want] : wanted) {
      TOOLINFOW tool = tool_info(id);
      tool.rect = want.rect;
      auto found = tools_.find(id);
      if (found == tools_.end()) {
        tool.uFlags = TTF_SUBCLASS;
        tool.lpszText = const_cast<wchar_t*>(want.text->c_str());
        SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        tools_[id] = Tool{want.rect, *want.text};
        continue;
      }
      if (!EqualRect(&found->second.rect, &want.rect)) {
        SendMessageW(tip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
        found->second.rect = want.rect;
      }
      if (found->second.text != *want.text) {
        found->second.text = *want.text;
        tool.lpszText = const_cast<wchar_t*>(found->second.text.c_str());
        SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
      }
    }
  }

  // --- focus

  void on_focus_moved(View*, View* gained, FocusOrigin origin) {
    // Focus may move while a subtree is being taken down: the snapshot is read once the dispatch is over.
    automation_.semantics_changed();
    if (window_ == nullptr || origin == FocusOrigin::native) return;
    HWND target = window_;
    if (auto* host = dynamic_cast<NativeHost*>(gained)) {
      HWND control = static_cast<HWND>(host->native_window());
      if (control != nullptr && IsWindow(control)) target = control;
    }
    // Native focus follows only inside the active window: focus moved in a background window must not
    // pull it to the front.
    if (GetFocus() == target || GetActiveWindow() != GetAncestor(window_, GA_ROOT)) return;
    SetFocus(target);
  }

  void on_window_focus() {
    View* const focused = root_.focused();
    if (focused != nullptr) {
      // Reactivation focuses the window itself; typing must reach the hosted control again.
      if (auto* host = dynamic_cast<NativeHost*>(focused)) {
        HWND control = static_cast<HWND>(host->native_window());
        if (control != nullptr && IsWindow(control)) SetFocus(control);
      }
    } else if (root_.root() != nullptr) {
      root_.move_focus(FocusDirection::next, FocusOrigin::programmatic);
    } else if (focus_index_ < 0) {
      for (std::size_t i = 0; i < elements_.size(); ++i) {
        if (elements_[i].visible && elements_[i].enabled && elements_[i].interactive()) {
          focus_index_ = static_cast<int>(i);
          break;
        }
      }
    }
    invalidate_window();
  }

  // --- keys

  bool dispatch_key(UINT message, WPARAM wparam, LPARAM lparam) {
    KeyEvent event;
    event.action = (message == WM_CHAR || message == WM_SYSCHAR) ? KeyAction::character
                   : (message == WM_KEYUP || message == WM_SYSKEYUP) ? KeyAction::up
                                                                     : KeyAction::down;
    const bool character = event.action == KeyAction::character;
    event.key = character ? Key::unknown : key_for(static_cast<UINT>(wparam));
    event.modifiers = current_modifiers();
    event.virtual_key = static_cast<std::uint32_t>(wparam);
    event.repeat_count = std::max<std::uint32_t>(1, LOWORD(lparam));
    event.was_down_before = (lparam & (1 << 30)) != 0;
    if (character) {
      event.character = static_cast<wchar_t>(wparam);
      // The character a handled Tab, Enter or Escape press produces must not reach a hosted control
      // (a single-line edit beeps at it).
      const wchar_t c = event.character;
      const UINT vk = c == L'\t' ? VK_TAB : c == L'\r' ? VK_RETURN : c == 0x1B ? VK_ESCAPE : 0;
      if (vk != 0 && vk == last_handled_key_) return true;
    }
    ++dispatch_depth_;
    bool handled = root_.route_key(event);
    --dispatch_depth_;
    if (event.action == KeyAction::down) {
      last_handled_key_ = handled ? static_cast<UINT>(wparam) : 0;
    } else if (event.action == KeyAction::up && static_cast<UINT>(wparam) == last_handled_key_) {
      // The release of a key the tree took is the tree's too: F10's release would open the window
      // menu, the Menu key's a second context menu.
      handled = true;
    }
    return handled;
  }

  bool handle_unhandled_key(KeyEvent& event) {
    if (event.action != KeyAction::down) return false;
    if (event.key == Key::tab) {
      const bool back = (event.modifiers & key_modifier_shift) != 0;
      if (root_.root() != nullptr) {
        root_.move_focus(back ? FocusDirection::previous : FocusDirection::next, FocusOrigin::keyboard);
      } else {
        move_legacy_focus(back);
      }
      return true;
    }
    // The keyboard's context menu keys, here rather than in the default procedure, which opens the
    // window menu for F10 on some systems.
    if ((event.virtual_key == VK_F10 && event.modifiers == key_modifier_shift) ||
        (event.virtual_key == VK_APPS && event.modifiers == key_modifier_none)) {
      context_menu(MAKELPARAM(0xFFFF, 0xFFFF));
      return true;
    }
    const bool arrow = event.key == Key::left || event.key == Key::up || event.key == Key::right || event.key == Key::down;
    if (root_.root() != nullptr) {
      if (!arrow || event.modifiers != key_modifier_none) return false;
      // Arrows belong to a focused native control: they move its caret or change its selection.
      if (dynamic_cast<NativeHost*>(root_.focused()) != nullptr) return false;
      const FocusDirection direction = event.key == Key::left ? FocusDirection::left
                                       : event.key == Key::up ? FocusDirection::up
                                       : event.key == Key::right ? FocusDirection::right
                                                                 : FocusDirection::down;
      return root_.move_focus(direction, FocusOrigin::keyboard);
    }
    return handle_legacy_key(event, arrow);
  }

  // --- pointers

  PointerDispatch dispatch_pointer(PointerAction action, layout::Point position, std::uint32_t buttons, float wheel,
                                   std::uint32_t pointer_id, PointerDevice device, float horizontal, View* target) {
    PointerDispatch result;
    if (root_.root() == nullptr) {
      result.element_index = legacy_hit(position);
      return result;
    }
    PointerEvent event;
    event.action = action;
    event.position = position;
    event.buttons = buttons;
    event.wheel_delta = wheel;
    event.horizontal_wheel_delta = horizontal;
    event.pointer_id = pointer_id;
    event.device = device;
    event.target = target;
    ++dispatch_depth_;
    result.handled = root_.route_pointer(event);
    --dispatch_depth_;
    return result;
  }

  void dispatch_event(Event& event, std::optional<std::uint32_t> command) {
    ++dispatch_depth_;
    root_.route_event(event, [this, command](Event& e) {
      if (command && !e.propagation_stopped && commands_ != nullptr &&
          commands_->invoke(*command) == CommandOutcome::executed) {
        e.propagation_stopped = true;
      }
    });
    --dispatch_depth_;
  }

  void on_event_routed(Event& event, bool) { automation_.event_notice(event); }

  void context_menu(LPARAM lparam) {
    if (root_.root() == nullptr) return;
    const int x = x_of(lparam);
    const int y = y_of(lparam);
    if (x == -1 && y == -1) {
      View* target = nullptr;
      for (View* view = root_.focused(); view != nullptr; view = view->parent()) {
        if (view->has_context_handler() && view->enabled()) {
          target = view;
          break;
        }
      }
      if (target == nullptr) {
        walk(*root_.root(), true, [&](View& view, bool shown) {
          if (target == nullptr && shown && view.enabled() && view.has_context_handler()) target = &view;
        });
      }
      if (target == nullptr) return;
      const layout::Rect r = target->arranged_rect();
      const layout::Point anchor{r.x + std::min(r.width / 2.0f, 24.0f), r.y + r.height / 2.0f};
      dispatch_pointer(PointerAction::context_menu, anchor, 0, 0.0f, 1, PointerDevice::keyboard, 0.0f, target);
      return;
    }
    POINT point{x, y};
    ScreenToClient(window_, &point);
    dispatch_pointer(PointerAction::context_menu, to_content(point.x, point.y), 0, 0.0f, 1, PointerDevice::mouse, 0.0f,
                     nullptr);
  }

  static int x_of(LPARAM lparam) { return static_cast<short>(LOWORD(lparam)); }
  static int y_of(LPARAM lparam) { return static_cast<short>(HIWORD(lparam)); }

  LRESULT pointer_message(UINT message, WPARAM wparam) {
    const std::uint32_t id = LOWORD(wparam);
    PointerSample sample;
    if (!pointer_source_ || !pointer_source_(id, sample)) return 0;
    POINT point{sample.screen_x, sample.screen_y};
    ScreenToClient(window_, &point);
    const layout::Point position = to_content(point.x, point.y);
    const PointerDevice device = sample.device == PT_TOUCH ? PointerDevice::touch
                                 : sample.device == PT_PEN ? PointerDevice::pen
                                                           : PointerDevice::mouse;
    std::uint32_t buttons = pointer_button_none;
    if (sample.flags & POINTER_FLAG_FIRSTBUTTON) buttons |= pointer_button_primary;
    if (sample.flags & POINTER_FLAG_SECONDBUTTON) buttons |= pointer_button_secondary;
    if (sample.flags & POINTER_FLAG_THIRDBUTTON) buttons |= pointer_button_middle;
    if (sample.flags & POINTER_FLAG_FOURTHBUTTON) buttons |= pointer_button_extra1;
    if (sample.flags & POINTER_FLAG_FIFTHBUTTON) buttons |= pointer_button_extra2;
    auto send = [&](PointerAction action, float wheel = 0.0f, float horizontal = 0.0f) {
      if (sample.flags & POINTER_FLAG_CANCELED) action = PointerAction::cancel;
      return dispatch_pointer(action, position, buttons, wheel, id, device, horizontal, nullptr);
    };
    const float notches = static_cast<float>(static_cast<short>(HIWORD(wparam))) / static_cast<float>(WHEEL_DELTA);
    switch (message) {
      case WM_POINTERUPDATE:
        send(PointerAction::move);
        break;
      case WM_POINTERDOWN:
        pointers_down_.insert(id);
        if (send(PointerAction::down).handled) invalidate_window();
        break;
      case WM_POINTERUP:
        send(PointerAction::up);
        pointers_down_.erase(id);
        break;
      case WM_POINTERENTER:
        send(PointerAction::enter);
        break;
      case WM_POINTERLEAVE:
        send(PointerAction::leave);
        if (root_.captured(id) == nullptr) pointers_down_.erase(id);
        break;
      case WM_POINTERCAPTURECHANGED:
        send(PointerAction::cancel);
        pointers_down_.erase(id);
        captured_.erase(id);
        break;
      case WM_POINTERWHEEL:
        if (!send(PointerAction::wheel, notches).handled) scroll_by(notches);
        break;
      case WM_POINTERHWHEEL:
        send(PointerAction::wheel, 0.0f, notches);
        break;
      default:
        break;
    }
    return 0;
  }

  // --- the flat element model

  int legacy_hit(layout::Point position) const {
    for (int i = static_cast<int>(elements_.size()) - 1; i >= 0; --i) {
      const Element& e = elements_[static_cast<std::size_t>(i)];
      if (!e.visible || !e.enabled || !e.interactive()) continue;
      if (position.x >= e.bounds.x && position.x < e.bounds.x + e.bounds.width && position.y >= e.bounds.y &&
          position.y < e.bounds.y + e.bounds.height) {
        return i;
      }
    }
    return -1;
  }

  bool valid_element(int index) const { return index >= 0 && index < static_cast<int>(elements_.size()); }

  void activate_legacy(int index, InputOrigin origin) {
    if (!valid_element(index)) return;
    Element& element = elements_[static_cast<std::size_t>(index)];
    if (!element.enabled || !element.interactive() || element.kind == Element::kind_slider) return;
    Event event;
    event.command_id = element.command_id;
    event.origin = origin;
    if (element.kind == Element::kind_check_box || element.kind == Element::kind_toggle) {
      element.checked = !element.checked;
      event.kind = EventKind::checked_changed;
      event.checked = element.checked;
    }
    invalidate_window();
    dispatch_event(event, element.command_id != 0 ? std::optional<std::uint32_t>(element.command_id) : std::nullopt);
  }

  void update_legacy_slider(int index, layout::Point position, InputOrigin origin) {
    if (!valid_element(index)) return;
    const Element& element = elements_[static_cast<std::size_t>(index)];
    if (element.kind != Element::kind_slider) return;
    const float value = (position.x - element.bounds.x - 8.0f) / std::max(1.0f, element.bounds.width - 16.0f);
    set_legacy_value(index, value, origin);
  }

  void set_legacy_value(int index, float value, InputOrigin origin) {
    Element& element = elements_[static_cast<std::size_t>(index)];
    value = std::clamp(value, 0.0f, 1.0f);
    if (std::fabs(value - element.value) < 1e-4f) return;
    element.value = value;
    Event event;
    event.command_id = element.command_id;
    event.kind = EventKind::value_changed;
    event.origin = origin;
    event.value = value;
    invalidate_window();
    dispatch_event(event, std::nullopt);
  }

  void move_legacy_focus(bool back) {
    std::vector<int> ring;
    for (std::size_t i = 0; i < elements_.size(); ++i) {
      if (elements_[i].visible && elements_[i].enabled && elements_[i].interactive()) ring.push_back(static_cast<int>(i));
    }
    if (ring.empty()) return;
    auto at = std::find(ring.begin(), ring.end(), focus_index_);
    if (at == ring.end()) {
      focus_index_ = back ? ring.back() : ring.front();
    } else if (back) {
      focus_index_ = at == ring.begin() ? ring.back() : *(at - 1);
    } else {
      focus_index_ = at + 1 == ring.end() ? ring.front() : *(at + 1);
    }
    focus_from_keyboard_ = true;
    invalidate_window();
  }

  bool handle_legacy_key(const KeyEvent& event, bool arrow) {
    if (!valid_element(focus_index_)) return false;
    const Element& element = elements_[static_cast<std::size_t>(focus_index_)];
    if (element.kind == Element::kind_slider) {
      if (!arrow) return false;
      const float step = (event.key == Key::left || event.key == Key::down) ? -legacy_slider_step : legacy_slider_step;
      set_legacy_value(focus_index_, element.value + step, InputOrigin::keyboard);
      return true;
    }
    if (event.key == Key::space || event.key == Key::enter) {
      activate_legacy(focus_index_, InputOrigin::keyboard);
      return true;
    }
    return false;
  }

  void legacy_pointer(PointerAction action, layout::Point position) {
    const int hit = legacy_hit(position);
    if (action == PointerAction::move) {
      if (pressed_ && valid_element(pressed_index_) && elements_[static_cast<std::size_t>(pressed_index_)].kind == Element::kind_slider) {
        update_legacy_slider(pressed_index_, position, InputOrigin::pointer);
      }
      if (hit != hover_index_) {
        hover_index_ = hit;
        invalidate_window();
      }
    } else if (action == PointerAction::down) {
      pressed_index_ = hit;
      pressed_ = hit >= 0;
      if (pressed_) {
        focus_index_ = hit;
        focus_from_keyboard_ = false;
        SetCapture(window_);
        if (elements_[static_cast<std::size_t>(hit)].kind == Element::kind_slider) {
          update_legacy_slider(hit, position, InputOrigin::pointer);
        }
      }
    } else if (action == PointerAction::up) {
      const int pressed = pressed_index_;
      const bool was_pressed = pressed_;
      pressed_ = false;
      pressed_index_ = -1;
      if (GetCapture() == window_ && captured_.empty()) ReleaseCapture();
      if (was_pressed && pressed == hit && valid_element(hit) && elements_[static_cast<std::size_t>(hit)].kind != Element::kind_slider) {
        activate_legacy(hit, InputOrigin::pointer);
      }
    }
  }

  // --- the message table

  LRESULT message(UINT message, WPARAM wparam, LPARAM lparam) {
    // The accessibility bridge sees every message first (WM_GETOBJECT and its action message).
    LRESULT answered = 0;
    if (automation_.handle_message(message, wparam, lparam, answered)) return answered;
    switch (message) {
      case WM_SETFOCUS:
        on_window_focus();
        return 0;
      case WM_KILLFOCUS:
        if (root_.captured(1) != nullptr) {
          dispatch_pointer(PointerAction::cancel, layout::Point{}, 0, 0.0f, 1, PointerDevice::mouse, 0.0f, nullptr);
        }
        pressed_ = false;
        pressed_index_ = -1;
        invalidate_window();
        return 0;
      case WM_PAINT: {
        root_.clock().tick(std::chrono::steady_clock::now());
        if (root_.layout_needed()) layout();
        const std::uint64_t changes = root_.change_count();
        paint_frame();
        if (last_frame_ok_ && root_.change_count() == changes) root_.clear_dirty();
        return 0;
      }
      case WM_SETTINGCHANGE:
        apply_animation_preference();
        return pass_on(message, wparam, lparam);
      case WM_SETCURSOR:
        if (LOWORD(lparam) == HTCLIENT && set_cursor()) return TRUE;
        return pass_on(message, wparam, lparam);
      case WM_ERASEBKGND:
        return 1;
      case WM_DRAWITEM:
        if (lparam != 0 && draw_themed_combo_item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return TRUE;
        return pass_on(message, wparam, lparam);
      case WM_COMMAND:
      case WM_NOTIFY: {
        HWND sender = message == WM_COMMAND ? reinterpret_cast<HWND>(lparam)
                                            : (lparam != 0 ? reinterpret_cast<const NMHDR*>(lparam)->hwndFrom : nullptr);
        NativeHost* host = sender != nullptr ? host_for_control(sender) : nullptr;
        if (host != nullptr && host->peer() != nullptr) {
          Event event;
          const platform::NativeNotification notification{message, static_cast<std::uintptr_t>(wparam),
                                                          static_cast<std::intptr_t>(lparam)};
          if (host->peer()->translate(notification, event)) {
            dispatch_event(event, std::nullopt);
            return 0;
          }
        }
        return pass_on(message, wparam, lparam);
      }
      case WM_CONTEXTMENU:
        context_menu(lparam);
        return 0;
      case WM_GETDLGCODE:
        // DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS: the window takes arrows, Tab and characters
        // itself rather than leaving them to dialog navigation.
        return 0x83;
      case WM_KEYDOWN:
      case WM_KEYUP:
      case WM_CHAR:
      case WM_SYSKEYDOWN:
      case WM_SYSKEYUP:
      case WM_SYSCHAR:
        if (dispatch_key(message, wparam, lparam)) return 0;
        return pass_on(message, wparam, lparam);
      case WM_TIMER:
        if (wparam == timer_id()) {
          stop_frame_timer();
          // Advancing the clock repaints exactly the views that moved and asks for the next frame while
          // animations run.
          root_.clock().tick(std::chrono::steady_clock::now());
          if (root_.root() == nullptr) invalidate_window();
          return 0;
        }
        return pass_on(message, wparam, lparam);
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORSTATIC:
        if (field_brush_ != nullptr && platform::set_native_control_colors(window_, reinterpret_cast<HWND>(lparam),
                                                                           reinterpret_cast<HDC>(wparam), palette_)) {
          return reinterpret_cast<LRESULT>(field_brush_.get());
        }
        return pass_on(message, wparam, lparam);
      case WM_MOUSEMOVE: {
        if (!tracking_armed_) {
          TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window_, 0};
          tracking_armed_ = TrackMouseEvent(&track) != FALSE;
        }
        const layout::Point at = to_content(x_of(lparam), y_of(lparam));
        if (root_.root() == nullptr) {
          legacy_pointer(PointerAction::move, at);
        } else {
          dispatch_pointer(PointerAction::move, at, mouse_buttons(wparam), 0.0f, 1, PointerDevice::mouse, 0.0f, nullptr);
        }
        return 0;
      }
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        SetFocus(window_);
        const layout::Point at = to_content(x_of(lparam), y_of(lparam));
        if (root_.root() == nullptr) {
          legacy_pointer(PointerAction::down, at);
        } else {
          dispatch_pointer(PointerAction::down, at, mouse_buttons(wparam) | pointer_button_primary, 0.0f, 1,
                           PointerDevice::mouse, 0.0f, nullptr);
        }
        invalidate_window();
        return 0;
      }
      case WM_LBUTTONUP: {
        const layout::Point at = to_content(x_of(lparam), y_of(lparam));
        if (root_.root() == nullptr) {
          legacy_pointer(PointerAction::up, at);
        } else {
          dispatch_pointer(PointerAction::up, at, mouse_buttons(wparam), 0.0f, 1, PointerDevice::mouse, 0.0f, nullptr);
        }
        invalidate_window();
        return 0;
      }
      case WM_MOUSEWHEEL:
      case WM_MOUSEHWHEEL: {
        // Wheel positions come in screen coordinates.
        POINT point{x_of(lparam), y_of(lparam)};
        ScreenToClient(window_, &point);
        const float notches = static_cast<float>(static_cast<short>(HIWORD(wparam))) / static_cast<float>(WHEEL_DELTA);
        const bool vertical = message == WM_MOUSEWHEEL;
        const PointerDispatch result =
            dispatch_pointer(PointerAction::wheel, to_content(point.x, point.y), mouse_buttons(LOWORD(wparam)),
                             vertical ? notches : 0.0f, 1, PointerDevice::mouse, vertical ? 0.0f : notches, nullptr);
        if (vertical) {
          if (!result.handled) scroll_by(notches);
          return 0;
        }
        return result.handled ? 0 : pass_on(message, wparam, lparam);
      }
      case WM_CAPTURECHANGED: {
        captured_.clear();
        HWND gaining = reinterpret_cast<HWND>(lparam);
        if (root_.captured(1) != nullptr && gaining != window_) {
          dispatch_pointer(PointerAction::cancel, layout::Point{}, 0, 0.0f, 1, PointerDevice::mouse, 0.0f, nullptr);
        }
        invalidate_window();
        return 0;
      }
      case WM_POINTERUPDATE:
      case WM_POINTERDOWN:
      case WM_POINTERUP:
      case WM_POINTERENTER:
      case WM_POINTERLEAVE:
      case WM_POINTERCAPTURECHANGED:
      case WM_POINTERWHEEL:
      case WM_POINTERHWHEEL:
        if (root_.root() == nullptr) return pass_on(message, wparam, lparam);
        return pointer_message(message, wparam);
      case WM_MOUSELEAVE:
        tracking_armed_ = false;
        hover_index_ = -1;
        dispatch_pointer(PointerAction::leave, layout::Point{}, 0, 0.0f, 1, PointerDevice::mouse, 0.0f, nullptr);
        invalidate_window();
        return 0;
      case WM_DPICHANGED:
        dpi_ = valid_dpi(static_cast<float>(HIWORD(wparam)));
        rebuild_fonts();
        root_.invalidate_layout();
        layout();
        invalidate_window();
        return pass_on(message, wparam, lparam);
      case WM_SIZE:
        layout();
        invalidate_window();
        return pass_on(message, wparam, lparam);
      // Both come only from our own hosted controls on this thread; the same numbers sent from another
      // thread or program (a broadcast) are not ours.
      case platform::native_focus_message: {
        if (InSendMessage()) return 0;
        NativeHost* host = host_for_control(reinterpret_cast<HWND>(lparam));
        if (host != nullptr && root_.focused() != host) root_.request_focus(*host, FocusOrigin::native);
        return 0;
      }
      case platform::native_key_message: {
        if (InSendMessage()) return 0;
        const platform::NativeKeyMessage key = platform::unpack_native_key(wparam, lparam);
        if (!is_key_message(key.message)) return 0;
        return dispatch_key(key.message, key.wparam, key.lparam) ? 1 : 0;
      }
      default:
        return pass_on(message, wparam, lparam);
    }
  }

  bool set_cursor() {
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(window_, &point);
    const layout::Point at = to_content(point.x, point.y);
    LPCWSTR cursor = nullptr;
    if (View* root = root_.root()) {
      HitResult hit;
      if (root->hit_test(at, hit)) {
        for (View* view = hit.view; view != nullptr && cursor == nullptr; view = view->parent()) {
          const auto* widget = dynamic_cast<const Widget*>(view);
          if (widget == nullptr) continue;
          if (widget->cursor_kind() == 1) cursor = IDC_HAND;
          if (widget->cursor_kind() == 2) cursor = IDC_SIZEWE;
        }
      }
    } else if (legacy_hit(at) >= 0) {
      cursor = IDC_HAND;
    }
    if (cursor == nullptr) return false;
    SetCursor(LoadCursorW(nullptr, cursor));
    return true;
  }

  // After a dispatch the window may be gone; what is left of the message then has nowhere to go.
  LRESULT pass_on(UINT message, WPARAM wparam, LPARAM lparam) {
    return window_ != nullptr ? DefSubclassProc(window_, message, wparam, lparam) : 0;
  }

  static LRESULT CALLBACK subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                        DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<Impl*>(data);
    if (message == WM_NCDESTROY) {
      RemoveWindowSubclass(window, &Impl::subclass_proc, surface_subclass_id);
      self->automation_.detach();
      self->destroy_tooltips();
      self->captured_.clear();
      self->pointers_down_.clear();
      self->stop_frame_timer();
      self->detach_native_hosts();
      self->window_ = nullptr;
      return DefSubclassProc(window, message, wparam, lparam);
    }
    try {
      return self->message(message, wparam, lparam);
    } catch (...) {
      // Nothing may unwind into the system's dispatcher; the message counts as unhandled.
      return DefSubclassProc(window, message, wparam, lparam);
    }
  }

  // --- resources

  UINT_PTR timer_id() const noexcept { return reinterpret_cast<UINT_PTR>(this); }

  void stop_frame_timer() {
    if (timer_pending_ && window_ != nullptr && IsWindow(window_)) KillTimer(window_, timer_id());
    timer_pending_ = false;
  }

  void rebuild_fonts() {
    for (std::size_t i = 0; i < font_specs.size(); ++i) {
      const int height = -static_cast<int>(std::lround(font_specs[i].points * ui_scale_ * dpi_ / 72.0f));
      font_owners_[i].reset(CreateFontW(height, 0, 0, 0, font_specs[i].weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                        DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI"));
      fonts_[i] = font_owners_[i].get();
    }
  }

  // Text is measured the way it will be painted: GDI's layout differs from DirectWrite's by a few
  // pixels per word, enough to cut a label that was measured to fit.
  void make_measurer() {
    measurer_.emplace(fonts_, dpi_, ui_scale_,
                      mode_ == RenderMode::gdi_only ? &ui::graphics::measure_text_with_gdi : &ui::graphics::measure_text);
  }

  void rebuild_field_brush() { field_brush_.reset(CreateSolidBrush(palette_.colors[Palette::field_background])); }

  void apply_animation_preference() {
    BOOL animate = TRUE;
    if (!SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &animate, 0)) animate = TRUE;
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    const bool high_contrast = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
                               (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
    root_.clock().set_enabled(animate != FALSE && !high_contrast);
  }

  // --- state (public to the handle)

  Surface& owner_;
  HWND window_ = nullptr;
  platform::UniqueWindow tooltip_;
  struct Tool {
    RECT rect;
    std::wstring text;
  };
  std::unordered_map<std::uint64_t, Tool> tools_;
  Palette palette_;
  std::uint64_t palette_generation_ = 0;
  LocalizationContext localization_;
  std::vector<Element> elements_;
  std::vector<NativeHost*> native_hosts_;
  ViewRoot root_;
  // After the root: destroyed before it, so its state forgets the root first.
  platform::windows::accessibility::SemanticsAutomationHost automation_;
  const CommandRegistry* commands_ = nullptr;
  const AcceleratorTable* accelerators_ = nullptr;
  float dpi_ = 96.0f;
  float ui_scale_ = 1.0f;
  float content_height_ = 0.0f;
  float scroll_offset_ = 0.0f;
  int hover_index_ = -1;
  int pressed_index_ = -1;
  int focus_index_ = -1;
  bool tracking_armed_ = false;
  bool pressed_ = false;
  bool focus_from_keyboard_ = false;
  int dispatch_depth_ = 0;
  int layout_depth_ = 0;
  bool timer_pending_ = false;
  std::unordered_set<std::uint32_t> pointers_down_;
  std::unordered_set<std::uint32_t> captured_;
  ui::graphics::SurfaceFonts fonts_{};
  std::array<platform::GdiObject<HFONT>, 6> font_owners_;
  platform::GdiObject<HBRUSH> field_brush_;
  std::optional<ui::graphics::SurfaceTextMeasurer> measurer_;
  RenderMode mode_;
  FrameBackend last_backend_ = FrameBackend::none;
  bool last_frame_ok_ = false;
  bool statistics_enabled_ = false;
  FrameStatistics statistics_;
  PointerInfoSource pointer_source_;
  UINT last_handled_key_ = 0;
};

// --- the handle

Surface::Surface() : impl_(std::make_unique<Impl>(*this)) {}

Surface::~Surface() {
  if (impl_ != nullptr) impl_->detach();
}

bool Surface::attach(HWND window, const Palette& palette) { return impl_ != nullptr && impl_->attach(window, palette); }
void Surface::detach() {
  if (impl_ != nullptr) impl_->detach();
}
HWND Surface::window() const noexcept { return impl_->window_; }

ViewRoot& Surface::view_root() noexcept { return impl_->root_; }
View* Surface::root() const noexcept { return impl_->root_.root(); }
void Surface::set_root(std::unique_ptr<View> root) { impl_->root_.set_root(std::move(root)); }
void Surface::set_elements(std::vector<Element> elements) { impl_->set_elements(std::move(elements)); }
const std::vector<Element>& Surface::elements() const noexcept { return impl_->elements_; }

void Surface::set_palette(const Palette& palette) { impl_->set_palette(palette); }
const Palette& Surface::palette() const noexcept { return impl_->palette_; }
std::uint64_t Surface::palette_generation() const noexcept { return impl_->palette_generation_; }
void Surface::set_localization(const LocalizationContext& localization) { impl_->set_localization(localization); }
const LocalizationContext& Surface::localization() const noexcept { return impl_->localization_; }
void Surface::set_ui_scale(float scale) { impl_->set_ui_scale(scale); }
float Surface::ui_scale() const noexcept { return impl_->ui_scale_; }
float Surface::dpi() const noexcept { return impl_->dpi_; }
void Surface::set_render_mode(RenderMode mode) {
  if (mode == impl_->mode_) return;
  impl_->mode_ = mode;
  impl_->make_measurer();
  impl_->root_.invalidate_layout();
}
RenderMode Surface::render_mode() const noexcept { return impl_->mode_; }
FrameBackend Surface::last_backend() const noexcept { return impl_->last_backend_; }
void Surface::enable_statistics(bool enable) { impl_->statistics_enabled_ = enable; }
const FrameStatistics& Surface::statistics() const noexcept { return impl_->statistics_; }

void Surface::set_commands(const CommandRegistry* commands, const AcceleratorTable* accelerators) {
  impl_->commands_ = commands;
  impl_->accelerators_ = accelerators;
  impl_->root_.set_commands(commands, accelerators);
}

platform::windows::accessibility::SemanticsAutomationHost& Surface::automation() noexcept { return impl_->automation_; }

float Surface::scroll_offset() const noexcept { return impl_->scroll_offset_; }
float Surface::content_height() const noexcept { return impl_->content_height_; }
void Surface::layout_now() { impl_->layout(); }
HWND Surface::tooltip_window() const noexcept { return impl_->tooltip_.get(); }
bool Surface::frame_timer_pending() const noexcept { return impl_->timer_pending_; }

void Surface::dispatch_event(Event& event, std::optional<std::uint32_t> command) { impl_->dispatch_event(event, command); }
bool Surface::dispatch_key(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  return impl_->dispatch_key(message, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam));
}
PointerDispatch Surface::dispatch_pointer(PointerAction action, layout::Point position, std::uint32_t buttons,
                                          float wheel_delta, std::uint32_t pointer_id, PointerDevice device,
                                          float horizontal_wheel_delta, View* target) {
  return impl_->dispatch_pointer(action, position, buttons, wheel_delta, pointer_id, device, horizontal_wheel_delta,
                                 target);
}
std::intptr_t Surface::message(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  if (impl_->window_ == nullptr) return 0;
  return impl_->message(message, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam));
}
void Surface::activate_legacy(int element_index, InputOrigin origin) { impl_->activate_legacy(element_index, origin); }
void Surface::update_legacy_slider(int element_index, layout::Point position, InputOrigin origin) {
  impl_->update_legacy_slider(element_index, position, origin);
}
void Surface::set_pointer_info_source(PointerInfoSource source) { impl_->pointer_source_ = std::move(source); }

void Surface::invalidate(const layout::Rect& rect) { impl_->root_.invalidate(rect); }
void Surface::invalidate_all() { impl_->root_.invalidate_all(); }
void Surface::invalidate_layout() { impl_->root_.invalidate_layout(); }
void Surface::notify_semantics_changed() {}
void Surface::dispatch_event(Event& event) { impl_->dispatch_event(event, std::nullopt); }
ui::animation::AnimationClock* Surface::animation_clock() { return nullptr; }
bool Surface::request_focus(View& view, FocusOrigin origin) { return impl_->root_.request_focus(view, origin); }
void Surface::notify_view_detached(View& view) { impl_->root_.notify_view_detached(view); }
void Surface::notify_interactivity_changed(View& view) { impl_->root_.notify_interactivity_changed(view); }

}  // namespace win32_ui::modern
