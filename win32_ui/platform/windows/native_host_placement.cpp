#include "platform/windows/native_host_placement.h"

#include <algorithm>

#include "localization/localization_context.h"
#include "modern/tree/native_host.h"
#include "modern/tree/view_root.h"
#include "platform/view_walk.h"

namespace win32_ui::platform::windows {

NativeHostPlacement::NativeHostPlacement(modern::ViewRoot& root, const SurfaceGeometry& geometry,
                                         const modern::Palette& palette, const std::uint64_t& palette_generation,
                                         const modern::LocalizationContext& localization) noexcept
    : root_(root),
      geometry_(geometry),
      palette_(palette),
      palette_generation_(palette_generation),
      localization_(localization) {}

NativeViewConfiguration NativeHostPlacement::configuration() const {
  NativeViewConfiguration configuration;
  configuration.palette = &palette_;
  configuration.palette_generation = palette_generation_;
  configuration.right_to_left = localization_.is_right_to_left();
  return configuration;
}

void NativeHostPlacement::place(bool after_layout) {
  if (geometry_.window == nullptr || root_.root() == nullptr) return;
  if (after_layout) {
    hosts_.clear();
    walk_views(*root_.root(), true, [this](modern::View& view, bool) {
      if (auto* host = dynamic_cast<modern::NativeHost*>(&view)) hosts_.push_back(host);
    });
  }
  const NativeViewConfiguration configuration = this->configuration();
  const layout::Size viewport = geometry_.client_size_dips();
  walk_views(*root_.root(), true, [&](modern::View& view, bool shown) {
    auto* host = dynamic_cast<modern::NativeHost*>(&view);
    if (host == nullptr || host->peer() == nullptr) return;
    NativeViewPeer& peer = *host->peer();
    HWND control = static_cast<HWND>(peer.native_window());
    if (control == nullptr || !IsWindow(control)) {
      if (!shown || !after_layout) return;  // made at the first layout that shows it
      if (!peer.create(geometry_.window, configuration)) return;
    } else if (after_layout) {
      peer.update(configuration);
    }
    NativeViewGeometry placement;
    const layout::Rect r = host->arranged_rect();
    placement.rect = layout::Rect{r.x, r.y - geometry_.scroll_offset, r.width, r.height};
    placement.viewport = clipped_viewport(*host, viewport);
    placement.scale = geometry_.scale();
    placement.shown = shown;
    peer.place(placement);
  });
}

// The client area less what clipping ancestors (a scroll panel) hide, in client DIPs: a control
// scrolled out of its panel must not float over its neighbours.
layout::Rect NativeHostPlacement::clipped_viewport(const modern::View& host, layout::Size client) const {
  const float scroll = geometry_.scroll_offset;
  float left = 0.0f, top = 0.0f, right = client.width, bottom = client.height;
  for (const modern::View* ancestor = host.parent(); ancestor != nullptr; ancestor = ancestor->parent()) {
    if (!ancestor->clip_to_bounds()) continue;
    const layout::Rect r = ancestor->arranged_rect();
    left = std::max(left, r.x);
    top = std::max(top, r.y - scroll);
    right = std::min(right, r.x + r.width);
    bottom = std::min(bottom, r.y + r.height - scroll);
  }
  return layout::Rect{left, top, std::max(0.0f, right - left), std::max(0.0f, bottom - top)};
}

void NativeHostPlacement::detach_all() {
  if (root_.root() != nullptr) {
    walk_views(*root_.root(), true, [](modern::View& view, bool) {
      if (auto* host = dynamic_cast<modern::NativeHost*>(&view); host != nullptr && host->peer() != nullptr) {
        host->peer()->detach();
      }
    });
  }
  hosts_.clear();
}

void NativeHostPlacement::on_view_detached(modern::View& view) {
  // Its view may live on until the current dispatch returns, and a stale control must not stay on
  // screen or keep focus meanwhile.
  if (auto* host = dynamic_cast<modern::NativeHost*>(&view)) {
    std::erase(hosts_, host);
    if (host->peer() != nullptr) host->peer()->detach();
  }
}

modern::NativeHost* NativeHostPlacement::host_for_control(HWND control) const {
  for (modern::NativeHost* host : hosts_) {
    if (host->native_window() == control) return host;
  }
  return nullptr;
}

bool NativeHostPlacement::translate(UINT message, WPARAM wparam, LPARAM lparam, modern::Event& event) const {
  HWND sender = message == WM_COMMAND ? reinterpret_cast<HWND>(lparam)
                                      : (lparam != 0 ? reinterpret_cast<const NMHDR*>(lparam)->hwndFrom : nullptr);
  modern::NativeHost* host = sender != nullptr ? host_for_control(sender) : nullptr;
  if (host == nullptr || host->peer() == nullptr) return false;
  const NativeNotification notification{message, static_cast<std::uintptr_t>(wparam), static_cast<std::intptr_t>(lparam)};
  return host->peer()->translate(notification, event);
}

void NativeHostPlacement::follow_focus(modern::View* gained) const {
  const HWND window = geometry_.window;
  HWND target = window;
  if (auto* host = dynamic_cast<modern::NativeHost*>(gained)) {
    HWND control = static_cast<HWND>(host->native_window());
    if (control != nullptr && IsWindow(control)) target = control;
  }
  // Native focus follows only inside the active window: focus moved in a background window must not
  // pull it to the front.
  if (GetFocus() == target || GetActiveWindow() != GetAncestor(window, GA_ROOT)) return;
  SetFocus(target);
}

void NativeHostPlacement::refocus_control(modern::View* focused) const {
  if (auto* host = dynamic_cast<modern::NativeHost*>(focused)) {
    HWND control = static_cast<HWND>(host->native_window());
    if (control != nullptr && IsWindow(control)) SetFocus(control);
  }
}

}  // namespace win32_ui::platform::windows
