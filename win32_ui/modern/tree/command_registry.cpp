#include "modern/tree/command_registry.h"

namespace win32_ui::modern {

void CommandRegistry::add(std::uint32_t id, Execute execute, CanExecute can_execute) {
  commands_[id] = Command{std::move(execute), std::move(can_execute)};
}

void CommandRegistry::remove(std::uint32_t id) { commands_.erase(id); }

bool CommandRegistry::knows(std::uint32_t id) const { return commands_.count(id) != 0; }

bool CommandRegistry::can_execute(std::uint32_t id) const {
  const auto found = commands_.find(id);
  if (found == commands_.end()) return false;
  return !found->second.can_execute || found->second.can_execute();
}

CommandOutcome CommandRegistry::invoke(std::uint32_t id) const {
  const auto found = commands_.find(id);
  if (found == commands_.end()) return CommandOutcome::unknown;
  // A copy: the action may replace or remove its own registration.
  const Command command = found->second;
  if (command.can_execute && !command.can_execute()) return CommandOutcome::not_executable;
  if (command.execute) command.execute();
  return CommandOutcome::executed;
}

const Accelerator* AcceleratorTable::match(const KeyEvent& event) const noexcept {
  if (event.action != KeyAction::down || event.key == Key::unknown) return nullptr;
  for (const Accelerator& entry : entries_) {
    if (entry.key != event.key || entry.modifiers != event.modifiers) continue;
    if (event.was_down_before && !entry.allow_repeat) continue;
    return &entry;
  }
  return nullptr;
}

}  // namespace win32_ui::modern
