#include "modern/event_propagation.h"

#include <vector>

#include "modern/view_group.h"

namespace win32_ui::modern {
namespace {

// The view and its ancestors, root first.
std::vector<View*> path_to(View* view) {
  std::vector<View*> path;
  for (View* node = view; node != nullptr; node = node->parent()) path.push_back(node);
  return {path.rbegin(), path.rend()};
}

}  // namespace

void propagate_event(Event& event, const std::function<void(Event&)>& default_action) {
  const std::vector<View*> path = path_to(event.source);
  event.phase = EventPhase::capture;
  for (View* view : path) {
    if (event.propagation_stopped) break;
    view->run_event_handlers(event);
  }
  if (!path.empty() && !event.propagation_stopped) {
    event.phase = EventPhase::target;
    path.back()->run_event_handlers(event);
  }
  if (!event.default_prevented && default_action) default_action(event);
  event.phase = EventPhase::bubble;
  for (auto it = path.rbegin() + (path.empty() ? 0 : 1); it != path.rend(); ++it) {
    if (event.propagation_stopped) break;
    (*it)->run_event_handlers(event);
  }
}

void propagate_key(KeyEvent& event, const std::function<void(KeyEvent&)>& default_action) {
  const std::vector<View*> path = path_to(event.target);
  for (View* view : path) {
    if (event.handled) break;
    view->run_key_handlers(event, EventPhase::capture);
  }
  if (path.empty()) {
    if (!event.handled && !event.default_prevented && default_action) default_action(event);
    return;
  }
  View* const target = path.back();
  if (!event.handled) target->run_key_handlers(event, EventPhase::target);
  if (!event.handled && !event.default_prevented) {
    event.current_view = target;
    if (target->on_key(event)) event.handled = true;
    if (!event.handled && default_action) default_action(event);
  }
  for (auto it = path.rbegin() + 1; it != path.rend(); ++it) {
    if (event.handled) break;
    (*it)->run_key_handlers(event, EventPhase::bubble);
  }
}

}  // namespace win32_ui::modern
