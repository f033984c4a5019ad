#include "modern/tree/native_host.h"

#include <algorithm>
#include <cmath>

namespace win32_ui::modern {

namespace {

float clamp_axis(float length, float minimum, float maximum) {
  if (!std::isnan(maximum)) length = std::min(length, maximum);
  if (!std::isnan(minimum)) length = std::max(length, minimum);
  return length;
}

}  // namespace

NativeHost::NativeHost(int control_id, layout::Size preferred_size)
    : control_id_(control_id),
      preferred_size_{layout::finite_length(preferred_size.width), layout::finite_length(preferred_size.height)} {
  set_focusable(true);
}

NativeHost::~NativeHost() {
  if (peer_ != nullptr) peer_->detach();
}

void NativeHost::set_peer(std::unique_ptr<platform::NativeViewPeer> peer) {
  if (peer_ != nullptr) peer_->detach();
  peer_ = std::move(peer);
}

void NativeHost::destroy_native() {
  if (peer_ == nullptr) return;
  peer_->detach();
  peer_.reset();
  if (host() != nullptr) host()->notify_semantics_changed();
}

void* NativeHost::native_window() const { return peer_ != nullptr ? peer_->native_window() : nullptr; }

layout::Size NativeHost::measure_content(const layout::Constraints& available, layout::LayoutContext&) {
  return layout::Size{clamp_axis(preferred_size_.width, available.min_width, available.max_width),
                      clamp_axis(preferred_size_.height, available.min_height, available.max_height)};
}

void NativeHost::set_preferred_size(layout::Size size) {
  const layout::Size finite{layout::finite_length(size.width), layout::finite_length(size.height)};
  if (finite == preferred_size_) return;
  preferred_size_ = finite;
  invalidate_layout();
}

}  // namespace win32_ui::modern
