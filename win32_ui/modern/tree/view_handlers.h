#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "modern/tree/input_events.h"

namespace win32_ui::modern {

class View;

// Observes the pointer events a view receives before its own handler; returning true handles the event.
class PointerListener {
 public:
  virtual ~PointerListener() = default;
  virtual bool on_pointer(View& view, PointerEvent& event) = 0;
};

using PointerHandler = std::function<bool(PointerEvent&)>;
using EventHandler = std::function<void(Event&)>;
using KeyHandler = std::function<void(KeyEvent&)>;

// The callbacks registered on one view. Every list runs from a snapshot, so callbacks may add or remove
// callbacks while they run.
class ViewHandlers {
 public:
  PointerHandler pointer_handler;
  PointerHandler context_handler;

  void add_pointer_listener(std::shared_ptr<PointerListener> listener);
  void remove_pointer_listener(const PointerListener* listener);
  [[nodiscard]] bool has_pointer_listeners() const noexcept { return !pointer_listeners_.empty(); }

  void add_event_handler(EventKind kind, EventPhase phase, EventHandler handler);
  void add_key_handler(EventPhase phase, KeyHandler handler);

  // Calls the listeners in order until one returns true (the result) or one sets the handled flag.
  bool run_pointer_listeners(View& view, PointerEvent& event) const;

  // Runs the handlers of the event's kind and phase; stops when one stops propagation.
  void run_event_handlers(Event& event) const;

  // Runs the key handlers of one phase; stops when one handles the key.
  void run_key_handlers(KeyEvent& event, EventPhase phase) const;

 private:
  struct EventEntry {
    EventKind kind;
    EventPhase phase;
    EventHandler handler;
  };
  struct KeyEntry {
    EventPhase phase;
    KeyHandler handler;
  };

  std::vector<std::shared_ptr<PointerListener>> pointer_listeners_;
  std::vector<EventEntry> event_handlers_;
  std::vector<KeyEntry> key_handlers_;
};

}  // namespace win32_ui::modern
