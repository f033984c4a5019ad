#include "modern/tree/pointer_press.h"

#include "modern/tree/view.h"

namespace win32_ui::modern {

bool PointerPress::begin(const PointerEvent& event, View& view) {
  if (active_) return false;
  pointer_id_ = event.pointer_id;
  active_ = true;
  view.set_pressed(true);
  return true;
}

bool PointerPress::end(const PointerEvent& event, View& view) {
  if (!tracks(event)) return false;
  active_ = false;
  view.set_pressed(false);
  return true;
}

bool PointerPress::over(const PointerEvent& event, View& view) {
  HitResult hit;
  return view.root_view()->hit_test(event.position, hit) && hit.view == &view;
}

}  // namespace win32_ui::modern
