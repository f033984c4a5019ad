#include "modern/native/win32_native_host.h"

#include <windows.h>

#include <commctrl.h>

#include <cmath>
#include <string>

#include "platform/windows/gdi_handle.h"
#include "platform/windows/native_messages.h"
#include "theme/theme.h"
#include "ui/graphics/drawable.h"

namespace win32_ui::modern {

namespace {

constexpr UINT_PTR native_subclass_id = 0x57494E48;
constexpr std::uint32_t source_role_edit = 8;
constexpr LONG_PTR right_to_left_styles = WS_EX_LAYOUTRTL | WS_EX_RTLREADING | WS_EX_RIGHT | WS_EX_LEFTSCROLLBAR;

using UniqueFont = platform::GdiObject<HFONT>;
using UniqueRegion = platform::GdiObject<HRGN>;

// A child window that is destroyed with its owner unless it was handed in from outside.
class WindowOwner {
 public:
  WindowOwner() = default;
  ~WindowOwner() { reset(); }
  WindowOwner(const WindowOwner&) = delete;
  WindowOwner& operator=(const WindowOwner&) = delete;

  [[nodiscard]] HWND get() const noexcept { return window_; }
  [[nodiscard]] bool owned() const noexcept { return owned_; }

  void reset(HWND window = nullptr, bool owned = false) noexcept {
    const HWND old = window_;
    const bool destroy = owned_;
    window_ = window;
    owned_ = owned;
    if (old != nullptr && destroy && IsWindow(old) != FALSE) DestroyWindow(old);
  }

  // Forgets the window without destroying it (it is already going).
  void release() noexcept {
    window_ = nullptr;
    owned_ = false;
  }

 private:
  HWND window_ = nullptr;
  bool owned_ = false;
};

UINT dpi_of(HWND window) noexcept {
  const UINT dpi = window != nullptr ? GetDpiForWindow(window) : 0;
  return dpi == 0 ? 96u : dpi;
}

bool finite_rect(const layout::Rect& rect) noexcept {
  return std::isfinite(rect.x) && std::isfinite(rect.y) && std::isfinite(rect.width) && std::isfinite(rect.height);
}

LONG to_pixel(float dips, float scale) noexcept { return static_cast<LONG>(std::lround(dips * scale)); }

// Each edge rounded on its own, so neighbouring controls share their pixel edges.
RECT to_pixels(const layout::Rect& rect, float scale) noexcept {
  return RECT{to_pixel(rect.x, scale), to_pixel(rect.y, scale), to_pixel(rect.x + rect.width, scale),
              to_pixel(rect.y + rect.height, scale)};
}

bool overlaps(const layout::Rect& a, const layout::Rect& b) noexcept {
  return a.width > 0.0f && a.height > 0.0f && b.width > 0.0f && b.height > 0.0f && a.x < b.x + b.width &&
         b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

LRESULT CALLBACK native_subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                      DWORD_PTR data) noexcept;

// The module this code lives in, which owns the superclasses it registers.
HINSTANCE this_module() noexcept {
  static const int anchor = 0;
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&anchor), &module);
  return module;
}

}  // namespace

struct Win32NativeHost::NativeState {
  explicit NativeState(Win32NativeHost& owner) : host(&owner), palette(light_palette(default_accent)) {}

  Win32NativeHost* host;
  WindowOwner window;
  int window_id = 0;
  bool external = false;
  Palette palette;
  bool palette_valid = false;
  std::uint64_t palette_generation = 0;
  std::wstring text;
  int text_mode = 0;
  bool right_to_left = false;
  UniqueFont font;
  UINT font_dpi = 0;
  float scale = 1.0f;
  // The system owns a region once SetWindowRgn took it, so only its rectangle is kept.
  RECT region_rect{};
  bool region_set = false;
  // Where the window was last put (a combo box's height holds its list) and whether it showed.
  RECT placed{};
  bool placed_shown = false;
  bool placed_set = false;

  [[nodiscard]] HWND live_window() const noexcept {
    const HWND handle = window.get();
    return handle != nullptr && IsWindow(handle) != FALSE ? handle : nullptr;
  }
};

namespace {

LRESULT CALLBACK native_subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                      DWORD_PTR data) noexcept {
  try {
    auto* state = reinterpret_cast<Win32NativeHost::NativeState*>(data);
    switch (message) {
      case WM_SETFOCUS: {
        const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
        if (HWND parent = GetParent(window)) {
          SendMessageW(parent, platform::native_focus_message, 0, reinterpret_cast<LPARAM>(window));
        }
        return result;
      }
      case WM_KEYDOWN:
      case WM_KEYUP:
      case WM_CHAR:
      case WM_SYSKEYDOWN:
      case WM_SYSKEYUP:
      case WM_SYSCHAR: {
        HWND parent = GetParent(window);
        if (parent != nullptr &&
            SendMessageW(parent, platform::native_key_message, platform::pack_native_key(message, wparam), lparam) != 0) {
          return 0;
        }
        break;
      }
      case WM_DPICHANGED_AFTERPARENT:
        state->host->refresh_font(dpi_of(window));
        break;
      case WM_NCDESTROY:
        RemoveWindowSubclass(window, native_subclass_proc, id);
        if (state->window.get() == window) {
          state->window.release();
          state->region_set = false;
          state->placed_set = false;
        }
        break;
      default:
        break;
    }
    return DefSubclassProc(window, message, wparam, lparam);
  } catch (...) {
    return 0;
  }
}

}  // namespace

// --- peer

std::uint32_t Win32NativeHost::Peer::capabilities() const {
  return host_ != nullptr ? host_->native_capabilities() : 0;
}

void* Win32NativeHost::Peer::native_window() const { return host_ != nullptr ? host_->window() : nullptr; }

bool Win32NativeHost::Peer::create(void* parent, const platform::NativeViewConfiguration& configuration) {
  return host_ != nullptr && host_->create_native(parent, configuration);
}

bool Win32NativeHost::Peer::attach(void* window, int id, const platform::NativeViewConfiguration& configuration) {
  return host_ != nullptr && host_->attach_native(window, id, configuration);
}

void Win32NativeHost::Peer::detach() {
  if (host_ != nullptr) host_->detach_native();
}

void Win32NativeHost::Peer::update(const platform::NativeViewConfiguration& configuration) {
  if (host_ != nullptr) host_->update_native(configuration);
}

void Win32NativeHost::Peer::place(const platform::NativeViewGeometry& geometry) {
  if (host_ != nullptr) host_->place_native(geometry);
}

bool Win32NativeHost::Peer::translate(const platform::NativeNotification& notification, Event& event) {
  return host_ != nullptr && host_->translate_native(notification, event);
}

// --- host

Win32NativeHost::Win32NativeHost(int control_id)
    : NativeHost(control_id, layout::Size{120.0f, 32.0f}), native_(std::make_unique<NativeState>(*this)) {
  set_peer(std::make_unique<Peer>(*this));
}

Win32NativeHost::~Win32NativeHost() {
  // The base destructor detaches the peer again, when this part of the host is gone: do it now and
  // cut the peer loose.
  detach_native();
  if (auto* own = dynamic_cast<Peer*>(peer()); own != nullptr && own->host_ == this) own->host_ = nullptr;
}

void* Win32NativeHost::window() const noexcept { return native_->live_window(); }

const Palette& Win32NativeHost::palette() const noexcept { return native_->palette; }

bool Win32NativeHost::right_to_left() const noexcept { return native_->right_to_left; }

float Win32NativeHost::scale() const noexcept { return native_->scale; }

bool Win32NativeHost::create_native(void* parent, const platform::NativeViewConfiguration& configuration) {
  const auto parent_window = static_cast<HWND>(parent);
  if (HWND existing = native_->live_window()) {
    apply_configuration(configuration);
    return GetParent(existing) == parent_window;
  }
  detach_native();
  if (parent_window == nullptr || IsWindow(parent_window) == FALSE) return false;
  const auto made = static_cast<HWND>(create_control(parent));
  if (made == nullptr) return false;
  native_->external = external_window();
  native_->window.reset(made, !native_->external);
  native_->window_id = control_id();
  if (SetWindowSubclass(made, native_subclass_proc, native_subclass_id, reinterpret_cast<DWORD_PTR>(native_.get())) ==
      FALSE) {
    native_->window.reset();
    return false;
  }
  refresh_font(dpi_of(parent_window));
  apply_configuration(configuration);
  return true;
}

bool Win32NativeHost::attach_native(void* window, int id, const platform::NativeViewConfiguration& configuration) {
  const auto adopted = static_cast<HWND>(window);
  if (adopted == nullptr || IsWindow(adopted) == FALSE) return false;
  detach_native();
  native_->window.reset(adopted, false);
  native_->external = true;
  native_->window_id = id;
  if (SetWindowSubclass(adopted, native_subclass_proc, native_subclass_id,
                        reinterpret_cast<DWORD_PTR>(native_.get())) == FALSE) {
    native_->window.reset();
    return false;
  }
  refresh_font(dpi_of(GetParent(adopted)));
  apply_configuration(configuration);
  return true;
}

void Win32NativeHost::detach_native() {
  if (HWND window = native_->live_window()) {
    clear_region();
    RemoveWindowSubclass(window, native_subclass_proc, native_subclass_id);
    // A window that stays must not keep a font that is about to be deleted.
    if (!native_->window.owned() && native_->font != nullptr) SendMessageW(window, WM_SETFONT, 0, FALSE);
  }
  native_->window.reset();
  native_->external = false;
  native_->font.reset();
  native_->font_dpi = 0;
  native_->region_set = false;
  native_->placed_set = false;
  native_->palette_valid = false;
  // A new window starts without the styles, so the next configuration must apply them again.
  native_->right_to_left = false;
}

void Win32NativeHost::update_native(const platform::NativeViewConfiguration& configuration) {
  apply_configuration(configuration);
}

void Win32NativeHost::apply_configuration(const platform::NativeViewConfiguration& configuration) {
  if (configuration.palette != nullptr && (!native_->palette_valid || *configuration.palette != native_->palette ||
                                           configuration.palette_generation != native_->palette_generation)) {
    native_->palette = *configuration.palette;
    native_->palette_generation = configuration.palette_generation;
    native_->palette_valid = true;
    if (native_->live_window() != nullptr) {
      clear_region();
      apply_theme(native_->palette);
    }
  }
  if (configuration.text != nullptr &&
      (*configuration.text != native_->text || configuration.text_mode != native_->text_mode)) {
    native_->text = *configuration.text;
    native_->text_mode = configuration.text_mode;
    on_configuration_text(native_->text);
  }
  if (configuration.right_to_left != native_->right_to_left) {
    clear_region();
    native_->right_to_left = configuration.right_to_left;
    set_right_to_left(configuration.right_to_left);
  }
}

void Win32NativeHost::clear_region() {
  if (!native_->region_set) return;
  native_->region_set = false;
  if (HWND window = native_->live_window()) SetWindowRgn(window, nullptr, TRUE);
}

void Win32NativeHost::place_native(const platform::NativeViewGeometry& geometry) {
  HWND window = native_->live_window();
  if (window == nullptr) return;
  const float scale = std::isfinite(geometry.scale) && geometry.scale > 0.0f ? geometry.scale : 1.0f;
  native_->scale = scale;
  refresh_font(dpi_of(GetParent(window)));

  if ((IsWindowEnabled(window) != FALSE) != enabled()) EnableWindow(window, enabled() ? TRUE : FALSE);

  constexpr UINT keep = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
  if (!finite_rect(geometry.rect)) {
    SetWindowPos(window, nullptr, 0, 0, 0, 0, keep | SWP_NOMOVE | SWP_NOSIZE | SWP_HIDEWINDOW);
    return;
  }
  const bool bounded = finite_rect(geometry.viewport);
  const bool visible = geometry.shown && (!bounded || overlaps(geometry.rect, geometry.viewport));
  const RECT pixels = to_pixels(geometry.rect, scale);
  const LONG window_bottom = to_pixel(geometry.rect.y + native_height(geometry.rect.height), scale);

  if (visible) {
    RECT shown_part = pixels;
    if (bounded) {
      const RECT viewport = to_pixels(geometry.viewport, scale);
      IntersectRect(&shown_part, &pixels, &viewport);
    }
    if (EqualRect(&shown_part, &pixels) != FALSE) {
      clear_region();
    } else {
      OffsetRect(&shown_part, -pixels.left, -pixels.top);
      // The region is unchanged only while the window still has it (a theme or dpi change drops it).
      RECT current{};
      const bool unchanged = native_->region_set && EqualRect(&native_->region_rect, &shown_part) != FALSE &&
                             GetWindowRgnBox(window, &current) != ERROR;
      if (!unchanged) {
        UniqueRegion region(CreateRectRgnIndirect(&shown_part));
        if (region != nullptr && SetWindowRgn(window, region.get(), TRUE) != 0) {
          static_cast<void>(region.release());  // the window owns it now
          native_->region_rect = shown_part;
          native_->region_set = true;
        }
      }
    }
  }
  // A layout that leaves the control where it is does not touch it: moving a combo box, even onto its
  // own place, makes Wine close its open list without letting go of the mouse.
  const RECT wanted{pixels.left, pixels.top, pixels.right, window_bottom};
  RECT current{};
  if (native_->placed_set && EqualRect(&native_->placed, &wanted) != FALSE && native_->placed_shown == visible &&
      GetWindowRect(window, &current) != FALSE) {
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&current), 2);
    if (current.left == wanted.left && current.top == wanted.top && current.right == wanted.right &&
        (IsWindowVisible(window) != FALSE) == visible) {
      return;
    }
  }
  native_->placed = wanted;
  native_->placed_shown = visible;
  native_->placed_set = true;
  SetWindowPos(window, nullptr, pixels.left, pixels.top, pixels.right - pixels.left, window_bottom - pixels.top,
               keep | (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

bool Win32NativeHost::translate_native(const platform::NativeNotification& notification, Event& event) {
  HWND window = native_->live_window();
  if (window == nullptr || notification.lparam == 0) return false;
  HWND sender = nullptr;
  if (notification.message == WM_COMMAND) {
    if (LOWORD(notification.wparam) != static_cast<WORD>(native_->window_id)) return false;
    sender = reinterpret_cast<HWND>(notification.lparam);
  } else if (notification.message == WM_NOTIFY) {
    sender = reinterpret_cast<const NMHDR*>(notification.lparam)->hwndFrom;
  }
  if (sender != window) return false;
  event.command_id = static_cast<std::uint32_t>(control_id());
  event.source_role = source_role_edit;
  event.origin = InputOrigin::native;
  event.source = this;
  event.phase = EventPhase::target;
  event.selected_index = -1;
  return translate_notification(notification, event);
}

void Win32NativeHost::refresh_font(unsigned dpi) {
  HWND window = native_->live_window();
  if (window == nullptr) return;
  if (dpi == 0) dpi = 96;
  if (dpi == native_->font_dpi && native_->font != nullptr) return;
  LOGFONTW description{};
  description.lfHeight = -static_cast<LONG>(std::lround(10.0 * static_cast<double>(dpi) / 72.0));
  description.lfWeight = FW_NORMAL;
  description.lfCharSet = DEFAULT_CHARSET;
  description.lfQuality = CLEARTYPE_QUALITY;
  lstrcpynW(description.lfFaceName, L"Segoe UI", LF_FACESIZE);
  UniqueFont font(CreateFontIndirectW(&description));
  if (font == nullptr) return;  // the control keeps the font it has
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  native_->font = std::move(font);  // the previous one goes only now that the control let go of it
  native_->font_dpi = dpi;
}

void Win32NativeHost::reapply_theme() {
  if (native_->palette_valid && native_->live_window() != nullptr) {
    clear_region();
    apply_theme(native_->palette);
  }
}

const wchar_t* Win32NativeHost::clipped_control_class(const wchar_t* system_class, const wchar_t* own_class) {
  const HINSTANCE module = this_module();
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(module, own_class, &existing) != FALSE) return own_class;
  WNDCLASSEXW base{};
  base.cbSize = sizeof(base);
  if (GetClassInfoExW(nullptr, system_class, &base) == FALSE) return system_class;
  // The system's procedure still answers accessibility's class query, so the control keeps its
  // native edit or combo-box description.
  base.style &= ~static_cast<UINT>(CS_PARENTDC | CS_GLOBALCLASS);
  base.hInstance = module;
  base.lpszClassName = own_class;
  if (RegisterClassExW(&base) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return system_class;
  return own_class;
}

void Win32NativeHost::set_item_height(float) {}

void Win32NativeHost::describe(SemanticsNode& node) {
  node.id = id();
  node.role = static_cast<std::int32_t>(SemanticsRole::native_host);
  node.name = accessible_name().value_or(std::wstring());
  node.help_text = accessible_description();
  node.native_window = window();
  node.enabled = enabled();
  node.focusable = can_focus();
  node.focused = focused();
  node.control_element = control_element_override().value_or(true);
  node.native_container = true;
  if (focusable()) node.actions |= semantics_action_focus;
}

void Win32NativeHost::on_state_changed(std::uint32_t old_state, std::uint32_t new_state) {
  // The control's enabled state is applied when it is placed, which follows a layout.
  if (((old_state ^ new_state) & ui::graphics::drawable_state_enabled) != 0) invalidate_layout();
}

void Win32NativeHost::apply_theme(const Palette&) {
  if (HWND window = native_->live_window()) InvalidateRect(window, nullptr, TRUE);
}

bool Win32NativeHost::translate_notification(const platform::NativeNotification&, Event&) { return false; }

float Win32NativeHost::native_height(float view_height) const { return view_height; }

std::uint32_t Win32NativeHost::native_capabilities() const { return 23; }

bool Win32NativeHost::external_window() const { return false; }

void Win32NativeHost::on_configuration_text(std::wstring_view) {
  if (HWND window = native_->live_window()) InvalidateRect(window, nullptr, TRUE);
}

void Win32NativeHost::set_right_to_left(bool right_to_left) {
  HWND window = native_->live_window();
  if (window == nullptr) return;
  const LONG_PTR styles = GetWindowLongPtrW(window, GWL_EXSTYLE);
  const LONG_PTR wanted = right_to_left ? (styles | right_to_left_styles) : (styles & ~right_to_left_styles);
  if (wanted != styles) SetWindowLongPtrW(window, GWL_EXSTYLE, wanted);
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

}  // namespace win32_ui::modern
