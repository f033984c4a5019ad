#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "modern/widgets/interactive.h"

namespace win32_ui::modern {

// A labelled check box that toggles on activation.
class CheckBox : public Interactive {
 public:
  CheckBox(std::uint32_t command_id, std::wstring label, bool checked = false);

  // Runs `callback` with the new state whenever the box is toggled.
  CheckBox& on_checked_changed(std::function<void(bool)> callback);

  void paint(PaintContext& context) override;

 protected:
  layout::Size measure_content(const layout::Constraints& available, layout::LayoutContext& context) override;
};

}  // namespace win32_ui::modern
