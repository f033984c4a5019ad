#include "platform/windows/accessibility/provider.h"

#include <oleauto.h>

#include <optional>
#include <utility>
#include <vector>

#include "modern/tree/semantics.h"

namespace win32_ui::platform::windows::accessibility {

namespace core = win32_ui::accessibility;
namespace uia = win32_ui::accessibility::uia;
using modern::SemanticsNode;

namespace {

// The provider reports ProviderOptions_ServerSideProvider alone, without UseComThreading. With that
// flag UIA marshals every call into the apartment that made the provider: the surface's STA UI thread.
// Wine 8's UIA then deadlocks on the first navigation from another process: the UI thread, answering
// WM_GETOBJECT inside UiaReturnRawElementProvider, waits in a send to Wine's provider thread, which waits
// on a COM call back into the UI thread. On Windows the flag would also stall every read of a screen
// reader while the UI thread sits in a modal loop or a long export. Nothing here needs the apartment: the
// provider answers every read from the snapshot under the state's mutex, from any thread, and carries
// actions to the UI thread itself through the registered window message. So UIA may call it on its own
// threads, which is what the flag's absence means.
constexpr int server_side_provider = 0x2;
constexpr int override_provider = 0x8;

VARIANT empty_variant() {
  VARIANT v;
  VariantInit(&v);
  return v;
}

VARIANT bool_variant(bool value) {
  VARIANT v = empty_variant();
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

VARIANT int_variant(int value) {
  VARIANT v = empty_variant();
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

VARIANT string_variant(const std::wstring& value) {
  VARIANT v = empty_variant();
  v.bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
  if (v.bstrVal != nullptr) v.vt = VT_BSTR;
  return v;
}

}  // namespace

VARIANT to_variant(const core::PropertyValue& value) {
  if (const auto* b = std::get_if<bool>(&value)) return bool_variant(*b);
  if (const auto* i = std::get_if<std::int32_t>(&value)) return int_variant(*i);
  if (const auto* d = std::get_if<double>(&value)) {
    VARIANT v = empty_variant();
    v.vt = VT_R8;
    v.dblVal = *d;
    return v;
  }
  if (const auto* s = std::get_if<std::wstring>(&value)) return string_variant(*s);
  return empty_variant();
}

namespace {

// What one call needs from the state, copied under the lock.
struct Reading {
  bool live = false;
  HWND window = nullptr;
  DWORD thread = 0;
  std::optional<SemanticsNode> node;
  core::ScreenGeometry geometry;
  bool dialog = false;
};

Reading read(ProviderState& state, std::uint64_t id) {
  Reading reading;
  std::lock_guard lock(state.mutex);
  reading.live = state.live();
  reading.window = state.window;
  reading.thread = state.thread;
  reading.dialog = state.dialog;
  reading.geometry.dpi = state.dpi;
  reading.geometry.ui_scale = state.ui_scale;
  reading.geometry.scroll_offset = state.scroll_offset;
  if (id != 0) {
    if (const SemanticsNode* node = state.snapshot.find(id)) reading.node = *node;
  }
  return reading;
}

// The client area's place on the screen (no message is sent: safe from any thread).
void locate(HWND window, core::ScreenGeometry& geometry) {
  RECT client{};
  POINT origin{0, 0};
  if (window == nullptr || !IsWindow(window) || !GetClientRect(window, &client) || !ClientToScreen(window, &origin)) {
    geometry.client_x = geometry.client_y = geometry.client_width = geometry.client_height = 0.0;
    return;
  }
  geometry.client_x = origin.x;
  geometry.client_y = origin.y;
  geometry.client_width = client.right - client.left;
  geometry.client_height = client.bottom - client.top;
}

core::ScreenRect window_rect(HWND window) {
  RECT r{};
  if (window == nullptr || !IsWindow(window) || !GetWindowRect(window, &r)) return {};
  return core::ScreenRect{static_cast<double>(r.left), static_cast<double>(r.top), static_cast<double>(r.right - r.left),
                          static_cast<double>(r.bottom - r.top)};
}

// A node's screen rectangle: its hosted control's window, else its bounds through the metrics.
core::ScreenRect node_rect(const SemanticsNode& node, const core::ScreenGeometry& geometry) {
  if (node.native_window != nullptr) return window_rect(static_cast<HWND>(node.native_window));
  return core::screen_rect(node.bounds, geometry);
}

bool window_has_focus(HWND window, DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(thread, &info) || info.hwndFocus == nullptr) return false;
  return info.hwndFocus == window || IsChild(window, info.hwndFocus);
}

HRESULT check_failure(core::ActionCheck check) {
  switch (check) {
    case core::ActionCheck::ok:
      return S_OK;
    case core::ActionCheck::missing:
      return uia_e_element_not_available;
    case core::ActionCheck::disabled:
      return uia_e_element_not_enabled;
    case core::ActionCheck::unsupported:
      return uia_e_not_supported;
  }
  return uia_e_not_supported;
}

}  // namespace

Provider::Provider(std::shared_ptr<ProviderState> state, std::uint64_t node) : state_(std::move(state)), node_(node) {}

Provider* make_provider(const std::shared_ptr<ProviderState>& state, std::uint64_t node) { return new Provider(state, node); }

// --- IUnknown

HRESULT Provider::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (riid == IID_IUnknown || riid == __uuidof(IRawElementProviderSimple)) {
    *object = static_cast<IRawElementProviderSimple*>(this);
  } else if (riid == __uuidof(IRawElementProviderFragment)) {
    *object = static_cast<IRawElementProviderFragment*>(this);
  } else if (riid == __uuidof(IRawElementProviderFragmentRoot) && node_ == 0) {
    *object = static_cast<IRawElementProviderFragmentRoot*>(this);
  } else if (riid == __uuidof(IRawElementProviderHwndOverride) && node_ == 0) {
    *object = static_cast<IRawElementProviderHwndOverride*>(this);
  } else if (riid == __uuidof(IInvokeProvider)) {
    *object = static_cast<IInvokeProvider*>(this);
  } else if (riid == __uuidof(IToggleProvider)) {
    *object = static_cast<IToggleProvider*>(this);
  } else if (riid == __uuidof(IExpandCollapseProvider)) {
    *object = static_cast<IExpandCollapseProvider*>(this);
  } else if (riid == __uuidof(IRangeValueProvider)) {
    *object = static_cast<IRangeValueProvider*>(this);
  } else if (riid == __uuidof(IValueProvider)) {
    *object = static_cast<IValueProvider*>(this);
  } else if (riid == __uuidof(ISelectionProvider)) {
    *object = static_cast<ISelectionProvider*>(this);
  } else if (riid == __uuidof(ISelectionItemProvider)) {
    *object = static_cast<ISelectionItemProvider*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG Provider::AddRef() { return references_.fetch_add(1) + 1; }

ULONG Provider::Release() {
  const ULONG left = references_.fetch_sub(1) - 1;
  if (left == 0) delete this;
  return left;
}

// --- IRawElementProviderSimple

HRESULT Provider::get_ProviderOptions(enum ProviderOptions* options) {
  if (options == nullptr) return E_POINTER;
  int value = server_side_provider;
  if (node_ != 0) {
    std::lock_guard lock(state_->mutex);
    const SemanticsNode* node = state_->snapshot.find(node_);
    if (node != nullptr && node->native_window != nullptr) value |= override_provider;
  }
  *options = static_cast<enum ProviderOptions>(value);
  return S_OK;
}

HRESULT Provider::GetPatternProvider(PATTERNID pattern, IUnknown** provider) {
  if (provider == nullptr) return E_POINTER;
  *provider = nullptr;
  const Reading reading = read(*state_, node_);
  if (!reading.live || (node_ != 0 && !reading.node)) return uia_e_element_not_available;
  if (node_ == 0 || !core::has_pattern(*reading.node, pattern)) return S_OK;
  *provider = static_cast<IRawElementProviderSimple*>(this);
  AddRef();
  return S_OK;
}

HRESULT Provider::GetPropertyValue(PROPERTYID property, VARIANT* value) {
  if (value == nullptr) return E_POINTER;
  VariantInit(value);
  Reading reading = read(*state_, node_);
  if (!reading.live || (node_ != 0 && !reading.node)) return uia_e_element_not_available;
  if (node_ == 0) {
    HWND window = reading.window;
    switch (property) {
      case uia::control_type:
        *value = int_variant((reading.dialog ? core::dialog_surface_role_info : core::surface_role_info).control_type);
        break;
      case uia::is_dialog:
        *value = bool_variant(reading.dialog);
        break;
      case uia::name: {
        // InternalGetWindowText sends no WM_GETTEXT: this runs on UIA's threads, and a message to the UI
        // thread could wait for a thread that waits for us.
        wchar_t text[513] = {};
        const int length = InternalGetWindowText(window, text, 513);
        *value = string_variant(std::wstring(text, static_cast<std::size_t>(length > 0 ? length : 0)));
        break;
      }
      case uia::has_keyboard_focus:
        *value = bool_variant(window_has_focus(window, reading.thread));
        break;
      case uia::is_keyboard_focusable:
      case uia::is_control_element:
      case uia::is_content_element:
        *value = bool_variant(true);
        break;
      case uia::is_enabled:
        *value = bool_variant(IsWindowEnabled(window) != FALSE);
        break;
      case uia::class_name:
        *value = string_variant(core::surface_role_info.class_name);
        break;
      case uia::is_offscreen:
        *value = bool_variant(IsWindowVisible(window) == FALSE);
        break;
      case uia::framework_id:
        *value = string_variant(core::framework_name);
        break;
      default:
        break;
    }
    return S_OK;
  }
  const SemanticsNode& node = *reading.node;
  switch (property) {
    case uia::native_window_handle:
      if (node.native_window != nullptr) {
        *value = int_variant(static_cast<int>(reinterpret_cast<std::intptr_t>(node.native_window)));
      }
      return S_OK;
    case uia::is_offscreen: {
      locate(reading.window, reading.geometry);
      *value = bool_variant(core::offscreen(node_rect(node, reading.geometry), core::client_rect(reading.geometry)));
      return S_OK;
    }
    default:
      *value = to_variant(core::node_property(node, property));
      return S_OK;
  }
}

HRESULT Provider::get_HostRawElementProvider(IRawElementProviderSimple** provider) {
  if (provider == nullptr) return E_POINTER;
  *provider = nullptr;
  HWND host = nullptr;
  {
    std::lock_guard lock(state_->mutex);
    if (node_ == 0) {
      host = state_->window;
    } else if (const SemanticsNode* node = state_->snapshot.find(node_)) {
      host = static_cast<HWND>(node->native_window);
    }
  }
  const UiaApi& api = uia_api();
  if (host == nullptr || !IsWindow(host) || api.host_provider_from_hwnd == nullptr) return S_OK;
  return api.host_provider_from_hwnd(host, provider);
}

// --- IRawElementProviderFragment

HRESULT Provider::Navigate(enum NavigateDirection direction, IRawElementProviderFragment** found) {
  if (found == nullptr) return E_POINTER;
  *found = nullptr;
  std::optional<std::uint64_t> target;
  {
    std::lock_guard lock(state_->mutex);
    if (!state_->live()) return uia_e_element_not_available;
    if (node_ != 0 && state_->snapshot.find(node_) == nullptr) return uia_e_element_not_available;
    target = core::navigate(state_->snapshot, node_, static_cast<core::Direction>(direction));
  }
  if (!target) return S_OK;
  *found = static_cast<IRawElementProviderFragment*>(make_provider(state_, *target));
  return S_OK;
}

HRESULT Provider::GetRuntimeId(SAFEARRAY** id) {
  if (id == nullptr) return E_POINTER;
  *id = nullptr;
  const Reading reading = read(*state_, node_);
  if (!reading.live || (node_ != 0 && !reading.node)) return uia_e_element_not_available;
  if (node_ == 0) return S_OK;  // the window's host provider gives the root its runtime id
  SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 3);
  if (array == nullptr) return E_OUTOFMEMORY;
  const LONG parts[3] = {uia::append_runtime_id, static_cast<LONG>(node_ & 0xFFFFFFFFu), static_cast<LONG>(node_ >> 32)};
  for (LONG i = 0; i < 3; ++i) {
    LONG part = parts[i];
    SafeArrayPutElement(array, &i, &part);
  }
  *id = array;
  return S_OK;
}

HRESULT Provider::get_BoundingRectangle(struct UiaRect* rect) {
  if (rect == nullptr) return E_POINTER;
  *rect = UiaRect{0, 0, 0, 0};
  Reading reading = read(*state_, node_);
  if (!reading.live || (node_ != 0 && !reading.node)) return uia_e_element_not_available;
  locate(reading.window, reading.geometry);
  const core::ScreenRect r = node_ == 0 ? core::client_rect(reading.geometry) : node_rect(*reading.node, reading.geometry);
  if (reading.window == nullptr || !IsWindow(reading.window)) return S_OK;
  *rect = UiaRect{r.left, r.top, r.width, r.height};
  return S_OK;
}

HRESULT Provider::GetEmbeddedFragmentRoots(SAFEARRAY** roots) {
  if (roots == nullptr) return E_POINTER;
  *roots = nullptr;
  return S_OK;
}

HRESULT Provider::SetFocus() { return act(modern::semantics_action_focus, 0.0, nullptr, Dispatch::synchronous); }

HRESULT Provider::get_FragmentRoot(IRawElementProviderFragmentRoot** root) {
  if (root == nullptr) return E_POINTER;
  *root = nullptr;
  {
    std::lock_guard lock(state_->mutex);
    if (!state_->live()) return uia_e_element_not_available;
  }
  *root = static_cast<IRawElementProviderFragmentRoot*>(make_provider(state_, 0));
  return S_OK;
}

// --- IRawElementProviderFragmentRoot

HRESULT Provider::ElementProviderFromPoint(double x, double y, IRawElementProviderFragment** found) {
  if (found == nullptr) return E_POINTER;
  *found = nullptr;
  core::Snapshot snapshot;
  Reading reading = read(*state_, 0);
  if (!reading.live) return uia_e_element_not_available;
  {
    std::lock_guard lock(state_->mutex);
    snapshot = state_->snapshot;
  }
  locate(reading.window, reading.geometry);
  const std::optional<std::uint64_t> hit =
      core::element_from_point(snapshot, core::client_rect(reading.geometry), x, y,
                               [&](const SemanticsNode& node) { return node_rect(node, reading.geometry); });
  if (!hit) return S_OK;
  *found = static_cast<IRawElementProviderFragment*>(make_provider(state_, *hit));
  return S_OK;
}

HRESULT Provider::GetFocus(IRawElementProviderFragment** focused) {
  if (focused == nullptr) return E_POINTER;
  *focused = nullptr;
  std::uint64_t id = 0;
  {
    std::lock_guard lock(state_->mutex);
    if (!state_->live()) return uia_e_element_not_available;
    const SemanticsNode* node = state_->snapshot.focused();
    if (node == nullptr) return S_OK;
    id = node->id;
  }
  *focused = static_cast<IRawElementProviderFragment*>(make_provider(state_, id));
  return S_OK;
}

// --- IRawElementProviderHwndOverride

HRESULT Provider::GetOverrideProviderForHwnd(HWND window, IRawElementProviderSimple** provider) {
  if (provider == nullptr) return E_POINTER;
  *provider = nullptr;
  std::uint64_t id = 0;
  {
    std::lock_guard lock(state_->mutex);
    if (!state_->live()) return uia_e_element_not_available;
    for (const std::uint64_t candidate : state_->snapshot.order) {
      const SemanticsNode* node = state_->snapshot.find(candidate);
      if (node != nullptr && node->native_window != nullptr && node->native_window == window) {
        id = candidate;
        break;
      }
    }
  }
  if (id == 0) return S_OK;
  *provider = static_cast<IRawElementProviderSimple*>(make_provider(state_, id));
  return S_OK;
}

// --- actions

HRESULT Provider::act(std::uint32_t action, double number, const wchar_t* text, Dispatch how) {
  HWND window = nullptr;
  {
    std::lock_guard lock(state_->mutex);
    if (!state_->live()) return uia_e_element_not_available;
    if (node_ != 0) {
      const HRESULT refused = check_failure(core::check_action(state_->snapshot, node_, action));
      if (FAILED(refused)) return refused;
    } else if (action != modern::semantics_action_focus) {
      return uia_e_not_supported;
    }
    window = state_->window;
  }
  // A window a modal dialog has disabled takes no action, as it takes no click.
  if (!IsWindowEnabled(window)) return uia_e_element_not_enabled;
  auto call = std::make_shared<ActionCall>();
  call->node = node_;
  call->action = action;
  call->number = number;
  if (text != nullptr) call->text = text;
  if (dispatch_action(state_, call, how)) return S_OK;
  return node_ == 0 ? E_FAIL : uia_e_invalid_operation;
}

HRESULT Provider::Invoke() { return act(modern::semantics_action_invoke, 0.0, nullptr, Dispatch::posted); }

HRESULT Provider::Toggle() { return act(modern::semantics_action_toggle, 0.0, nullptr, Dispatch::posted); }

HRESULT Provider::get_ToggleState(enum ToggleState* state) {
  if (state == nullptr) return E_POINTER;
  *state = ToggleState_Off;
  const Reading reading = read(*state_, node_);
  if (!reading.live || !reading.node) return uia_e_element_not_available;
  if (!reading.node->has_toggle) return uia_e_not_supported;
  *state = reading.node->toggled ? ToggleState_On : ToggleState_Off;
  return S_OK;
}

HRESULT Provider::Expand() { return act(modern::semantics_action_expand, 0.0, nullptr, Dispatch::synchronous); }

HRESULT Provider::Collapse() { return act(modern::semantics_action_collapse, 0.0, nullptr, Dispatch::synchronous); }

HRESULT Provider::get_ExpandCollapseState(enum ExpandCollapseState* state) {
  if (state == nullptr) return E_POINTER;
  *state = ExpandCollapseState_Collapsed;
  const Reading reading = read(*state_, node_);
  if (!reading.live || !reading.node) return uia_e_element_not_available;
  if (!reading.node->has_expand) return uia_e_not_supported;
  *state = reading.node->expanded ? ExpandCollapseState_Expanded : ExpandCollapseState_Collapsed;
  return S_OK;
}

HRESULT Provider::SetValue(double value) {
  {
    const Reading reading = read(*state_, node_);
    if (!reading.live || !reading.node) return uia_e_element_not_available;
    if (!reading.node->has_range) return uia_e_not_supported;
  }
  return act(modern::semantics_action_set_range_value, value, nullptr, Dispatch::synchronous);
}

HRESULT Provider::get_Value(double* value) {
  if (value == nullptr) return E_POINTER;
  *value = 0.0;
  const Reading reading = read(*state_, node_);
  if (!reading.live || !reading.node) return uia_e_element_not_available;
  if (!reading.node->has_range) return uia_e_not_supported;
  *value = reading.node->range_value;
  return S_OK;
}

HRESULT Provider::get_IsReadOnly(BOOL* read_only) {
  if (read_only == nullptr) return E_POINTER;
  *read_only = TRUE;
  const Reading reading = read(*state_, node_);
  if (!reading.live || !reading.node) return uia_e_element_not_available;
  *read_only = core::value_read_only(*reading.node) ? TRUE : FALSE;
  return S_OK;
}

namespace {

template <typename Get>
HRESULT range_part(ProviderState& state, std::uint64_t id, double* out, Get get) {
  if (out == nullptr) return E_POINTER;
  *out = 0.0;
  const Reading reading = read(state, id);
  if (!reading.live || !reading.node) return uia_e_element_not_available;
  if (!reading.node->has_range) return uia_e_not_supported;
  *out = get(*reading.node);
  return S_OK;
}

}  // namespace

HRESULT Provider::get_Maximum(double* value) {
  return range_part(*state_, node_, value, [](const SemanticsNode& n) { return n.range_maximum; });
}

HRESULT Provider::get_Minimum(double* value) {
  return range_part(*state_, node_, value, [](const SemanticsNode& n) { return n.range_minimum; });
}

HRESULT Provider::get_LargeChange(double* value) {
  return range_part(*state_, node_, value, [](const SemanticsNode& n) { return core::large_change(n); });
}

HRESULT Provider::get_SmallChange(double* value) {
  return range_part(*state_, node_, value, [](const SemanticsNode& n) { return core::small_change(n); });
}

HRESULT Provider::SetValue(LPCWSTR value) {
  if (value == nullptr) return E_INVALIDARG;
  return act(modern::semantics_action_set_text_value, 0.0, value, Dispatch::synchronous);
}

HRESULT Provider::get_Value(BSTR* value) {
  if (value == nullptr) return E_POINTER;
  *value = nullptr;
  const Reading reading = read(*state_, node_);
  if (!reading.live || !reading.node) return uia_e_element_not_available;
  *value = SysAllocStringLen(reading.node->value.data(), static_cast<UINT>(reading.node->value.size()));
  return *value != nullptr ? S_OK : E_OUTOFMEMORY;
}

// --- ISelectionProvider

namespace {

// Whether the provider's node offers a pattern: S_OK, or the HRESULT that says why not.
HRESULT offers(ProviderState& state, std::uint64_t id, int pattern) {
  std::lock_guard lock(state.mutex);
  if (!state.live()) return uia_e_element_not_available;
  if (id == 0) return uia_e_not_supported;
  const SemanticsNode* node = state.snapshot.find(id);
  if (node == nullptr) return uia_e_element_not_available;
  return core::has_pattern(*node, pattern) ? S_OK : uia_e_not_supported;
}

}  // namespace

HRESULT Provider::GetSelection(SAFEARRAY** selection) {
  if (selection == nullptr) return E_POINTER;
  *selection = nullptr;
  std::vector<std::uint64_t> items;
  {
    std::lock_guard lock(state_->mutex);
    if (!state_->live()) return uia_e_element_not_available;
    const SemanticsNode* node = node_ == 0 ? nullptr : state_->snapshot.find(node_);
    if (node_ != 0 && node == nullptr) return uia_e_element_not_available;
    if (node == nullptr || !core::has_pattern(*node, uia::selection_pattern)) return uia_e_not_supported;
    items = core::selected_items(state_->snapshot, node_);
  }
  SAFEARRAY* array = SafeArrayCreateVector(VT_UNKNOWN, 0, static_cast<ULONG>(items.size()));
  if (array == nullptr) return E_OUTOFMEMORY;
  for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
    Provider* item = make_provider(state_, items[static_cast<std::size_t>(i)]);
    // The array takes a reference of its own.
    const HRESULT put = SafeArrayPutElement(array, &i, static_cast<IUnknown*>(static_cast<IRawElementProviderSimple*>(item)));
    item->Release();
    if (FAILED(put)) {
      SafeArrayDestroy(array);
      return put;
    }
  }
  *selection = array;
  return S_OK;
}

HRESULT Provider::get_CanSelectMultiple(BOOL* multiple) {
  if (multiple == nullptr) return E_POINTER;
  *multiple = FALSE;
  return offers(*state_, node_, uia::selection_pattern);
}

HRESULT Provider::get_IsSelectionRequired(BOOL* required) {
  if (required == nullptr) return E_POINTER;
  *required = FALSE;
  return offers(*state_, node_, uia::selection_pattern);
}

// --- ISelectionItemProvider

HRESULT Provider::Select() {
  const HRESULT offered = offers(*state_, node_, uia::selection_item_pattern);
  if (FAILED(offered)) return offered;
  return act(modern::semantics_action_select, 0.0, nullptr, Dispatch::synchronous);
}

HRESULT Provider::AddToSelection() {
  const HRESULT offered = offers(*state_, node_, uia::selection_item_pattern);
  if (FAILED(offered)) return offered;
  {
    // Lists select one item at a time: adding to another item's selection cannot be done.
    std::lock_guard lock(state_->mutex);
    if (!core::may_add_to_selection(state_->snapshot, node_)) return uia_e_invalid_operation;
  }
  return act(modern::semantics_action_select, 0.0, nullptr, Dispatch::synchronous);
}

HRESULT Provider::RemoveFromSelection() {
  const HRESULT offered = offers(*state_, node_, uia::selection_item_pattern);
  if (FAILED(offered)) return offered;
  // A list's selection changes only by selecting another item.
  return uia_e_invalid_operation;
}

HRESULT Provider::get_IsSelected(BOOL* selected) {
  if (selected == nullptr) return E_POINTER;
  *selected = FALSE;
  const Reading reading = read(*state_, node_);
  if (!reading.live || !reading.node) return uia_e_element_not_available;
  if (!core::has_pattern(*reading.node, uia::selection_item_pattern)) return uia_e_not_supported;
  *selected = reading.node->selected ? TRUE : FALSE;
  return S_OK;
}

HRESULT Provider::get_SelectionContainer(IRawElementProviderSimple** container) {
  if (container == nullptr) return E_POINTER;
  *container = nullptr;
  std::uint64_t list = 0;
  {
    std::lock_guard lock(state_->mutex);
    if (!state_->live()) return uia_e_element_not_available;
    const SemanticsNode* node = node_ == 0 ? nullptr : state_->snapshot.find(node_);
    if (node == nullptr) return node_ == 0 ? uia_e_not_supported : uia_e_element_not_available;
    if (!core::has_pattern(*node, uia::selection_item_pattern)) return uia_e_not_supported;
    list = core::selection_container(state_->snapshot, node_);
  }
  if (list == 0) return S_OK;
  *container = static_cast<IRawElementProviderSimple*>(make_provider(state_, list));
  return S_OK;
}

}  // namespace win32_ui::platform::windows::accessibility
