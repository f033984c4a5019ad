#pragma once

#include <cstdint>

#include "modern/tree/input_events.h"

namespace win32_ui::modern {

class View;

// The press a view tracks from a pointer's down to its up or cancel: one pointer at a time, the
// view's pressed state following it. Buttons, sliders and list rows share it.
class PointerPress {
 public:
  // A pointer went down on `view`: true when it starts the press, false while another is held.
  bool begin(const PointerEvent& event, View& view);
  // The event is of the pointer pressing now.
  [[nodiscard]] bool tracks(const PointerEvent& event) const noexcept {
    return active_ && event.pointer_id == pointer_id_;
  }
  // The pressing pointer went up or was cancelled: the press ends; false for any other pointer.
  bool end(const PointerEvent& event, View& view);
  [[nodiscard]] bool active() const noexcept { return active_; }

  // Whether `event` (a release) lies over `view` itself, not over another view drawn above it.
  [[nodiscard]] static bool over(const PointerEvent& event, View& view);

 private:
  std::uint32_t pointer_id_ = 0;
  bool active_ = false;
};

}  // namespace win32_ui::modern
