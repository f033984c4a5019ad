#pragma once

#include <memory>

#include "modern/tree/view.h"
#include "platform/native_view_peer.h"

namespace win32_ui::modern {

// A view that reserves room in the layout for a native child control, owned through its peer. The
// surface creates, places and themes the control; the view only keeps its place and focus.
class NativeHost : public View {
 public:
  NativeHost(int control_id, layout::Size preferred_size);
  ~NativeHost() override;

  [[nodiscard]] int control_id() const noexcept { return control_id_; }
  [[nodiscard]] layout::Size preferred_size() const noexcept { return preferred_size_; }
  [[nodiscard]] platform::NativeViewPeer* peer() const noexcept { return peer_.get(); }

  // Replaces the peer; the old one is detached and destroyed first.
  void set_peer(std::unique_ptr<platform::NativeViewPeer> peer);

  // Detaches and destroys the peer, then tells accessibility.
  void destroy_native();

  // The control's window (an HWND on Windows), or null.
  [[nodiscard]] void* native_window() const;

 protected:
  layout::Size measure_content(const layout::Constraints& available, layout::LayoutContext& context) override;
  void set_preferred_size(layout::Size size);

 private:
  std::unique_ptr<platform::NativeViewPeer> peer_;
  int control_id_;
  layout::Size preferred_size_;
};

}  // namespace win32_ui::modern
