#include "modern/tree/view_handlers.h"

#include <utility>

namespace win32_ui::modern {

void ViewHandlers::add_pointer_listener(std::shared_ptr<PointerListener> listener) {
  if (listener != nullptr) pointer_listeners_.push_back(std::move(listener));
}

void ViewHandlers::remove_pointer_listener(const PointerListener* listener) {
  std::erase_if(pointer_listeners_, [listener](const auto& entry) { return entry.get() == listener; });
}

void ViewHandlers::add_event_handler(EventKind kind, EventPhase phase, EventHandler handler) {
  if (handler) event_handlers_.push_back(EventEntry{kind, phase, std::move(handler)});
}

void ViewHandlers::add_key_handler(EventPhase phase, KeyHandler handler) {
  if (handler) key_handlers_.push_back(KeyEntry{phase, std::move(handler)});
}

bool ViewHandlers::run_pointer_listeners(View& view, PointerEvent& event) const {
  const auto listeners = pointer_listeners_;
  for (const auto& listener : listeners) {
    if (listener->on_pointer(view, event)) return true;
    if (event.handled) break;
  }
  return false;
}

void ViewHandlers::run_event_handlers(Event& event) const {
  const auto handlers = event_handlers_;
  for (const auto& entry : handlers) {
    if (entry.kind != event.kind || entry.phase != event.phase) continue;
    entry.handler(event);
    if (event.propagation_stopped) break;
  }
}

void ViewHandlers::run_key_handlers(KeyEvent& event, EventPhase phase) const {
  const auto handlers = key_handlers_;
  for (const auto& entry : handlers) {
    if (entry.phase != phase) continue;
    entry.handler(event);
    if (event.handled) break;
  }
}

}  // namespace win32_ui::modern
