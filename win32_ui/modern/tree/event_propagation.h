#pragma once

#include <functional>

#include "modern/tree/input_events.h"

namespace win32_ui::modern {

// Propagates a semantic event from the root down to its source and back: capture handlers root to
// source, target handlers at the source, the default action unless prevented, then bubble handlers from
// the parent to the root. A stopped event runs no further handlers.
void propagate_event(Event& event, const std::function<void(Event&)>& default_action);

// Propagates a key to its target (the focused view): capture handlers root to target, target handlers,
// the target's on_key and the default action while unhandled and not prevented, then bubble handlers
// from the parent to the root. Handling the key ends the propagation.
void propagate_key(KeyEvent& event, const std::function<void(KeyEvent&)>& default_action);

}  // namespace win32_ui::modern
