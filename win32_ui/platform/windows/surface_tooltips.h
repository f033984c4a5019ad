#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <string>
#include <unordered_map>

#include "platform/windows/gdi_handle.h"
#include "platform/windows/surface_geometry.h"

namespace win32_ui::modern {
class View;
}

namespace win32_ui::platform::windows {

// The surface's tooltip window: one tool per shown view with a tooltip, kept over the visible part of
// its view. The window exists only while some view wants a tooltip.
class SurfaceTooltips {
 public:
  explicit SurfaceTooltips(const SurfaceGeometry& geometry) noexcept : geometry_(geometry) {}
  SurfaceTooltips(const SurfaceTooltips&) = delete;
  SurfaceTooltips& operator=(const SurfaceTooltips&) = delete;

  [[nodiscard]] HWND window() const noexcept { return tooltip_.get(); }
  // Brings the tools in step with the tree under `root` (none for a null root).
  void update(modern::View* root);
  // Drops the tool of a view that left the tree.
  void remove(std::uint64_t view_id);
  void destroy();

 private:
  struct Tool {
    RECT rect;
    std::wstring text;
  };

  [[nodiscard]] TOOLINFOW tool_info(std::uint64_t id) const;

  const SurfaceGeometry& geometry_;
  UniqueWindow tooltip_;
  // The tools the tooltip window holds, by view id.
  std::unordered_map<std::uint64_t, Tool> tools_;
};

}  // namespace win32_ui::platform::windows
