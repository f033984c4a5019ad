#include "modern/tree/event_propagation.h"

#include <cstddef>
#include <vector>

#include "modern/tree/dispatch_scope.h"
#include "modern/tree/view_group.h"

namespace win32_ui::modern {
namespace {

// The view and its ancestors, root first.
std::vector<View*> path_to(View* view) {
  std::vector<View*> path;
  for (View* node = view; node != nullptr; node = node->parent()) path.push_back(node);
  return {path.rbegin(), path.rend()};
}

// Whether path[index] still hangs where it hung when the path was built. Handlers may clear groups
// on the path; a removed view and everything below it are skipped (they stay allocated until the
// dispatch scope closes, so the check itself is safe).
bool still_linked(const std::vector<View*>& path, std::size_t index) {
  for (std::size_t i = index; i > 0; --i) {
    if (path[i]->parent() != path[i - 1]) return false;
  }
  return true;
}

}  // namespace

void propagate_event(Event& event, const std::function<void(Event&)>& default_action) {
  const DispatchScope scope;
  const std::vector<View*> path = path_to(event.source);
  event.phase = EventPhase::capture;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (event.propagation_stopped) break;
    if (still_linked(path, i)) path[i]->run_event_handlers(event);
  }
  const std::size_t source = path.empty() ? 0 : path.size() - 1;
  if (!path.empty() && !event.propagation_stopped && still_linked(path, source)) {
    event.phase = EventPhase::target;
    path[source]->run_event_handlers(event);
  }
  if (!event.default_prevented && default_action) default_action(event);
  event.phase = EventPhase::bubble;
  for (std::size_t i = source; i-- > 0;) {
    if (event.propagation_stopped) break;
    if (still_linked(path, i)) path[i]->run_event_handlers(event);
  }
}

void propagate_key(KeyEvent& event, const std::function<void(KeyEvent&)>& default_action) {
  const DispatchScope scope;
  const std::vector<View*> path = path_to(event.target);
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (event.handled) break;
    if (still_linked(path, i)) path[i]->run_key_handlers(event, EventPhase::capture);
  }
  if (path.empty()) {
    if (!event.handled && !event.default_prevented && default_action) default_action(event);
    return;
  }
  const std::size_t target = path.size() - 1;
  if (!event.handled && still_linked(path, target)) path[target]->run_key_handlers(event, EventPhase::target);
  if (!event.handled && !event.default_prevented) {
    // A target that a handler removed has no key behaviour left to run.
    if (still_linked(path, target)) {
      event.current_view = path[target];
      if (path[target]->on_key(event)) event.handled = true;
    }
    if (!event.handled && default_action) default_action(event);
  }
  for (std::size_t i = target; i-- > 0;) {
    if (event.handled) break;
    if (still_linked(path, i)) path[i]->run_key_handlers(event, EventPhase::bubble);
  }
}

}  // namespace win32_ui::modern
