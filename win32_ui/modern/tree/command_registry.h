#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "modern/tree/input_events.h"

namespace win32_ui::modern {

enum class CommandOutcome : std::int32_t { unknown = 0, not_executable = 1, executed = 2 };

// Named actions a surface can invoke by id: from accelerators, and for events of widgets bound to an id.
class CommandRegistry {
 public:
  using Execute = std::function<void()>;
  using CanExecute = std::function<bool()>;

  // Registers (or replaces) a command; without a predicate it can always execute.
  void add(std::uint32_t id, Execute execute, CanExecute can_execute = {});
  void remove(std::uint32_t id);

  [[nodiscard]] bool knows(std::uint32_t id) const;
  [[nodiscard]] bool can_execute(std::uint32_t id) const;

  // Runs the command when it is known and can execute.
  CommandOutcome invoke(std::uint32_t id) const;

 private:
  struct Command {
    Execute execute;
    CanExecute can_execute;
  };
  std::unordered_map<std::uint32_t, Command> commands_;
};

// One keyboard shortcut: a key with exactly these modifiers invokes a command.
struct Accelerator {
  Key key = Key::unknown;
  std::uint32_t modifiers = key_modifier_none;
  std::uint32_t command_id = 0;
  bool allow_repeat = false;
};

class AcceleratorTable {
 public:
  void add(const Accelerator& accelerator) { entries_.push_back(accelerator); }
  void clear() { entries_.clear(); }

  // The entry a key press matches, or null; releases, characters and unknown keys match nothing, and a
  // repeated key only matches an entry that allows repeats.
  [[nodiscard]] const Accelerator* match(const KeyEvent& event) const noexcept;

 private:
  std::vector<Accelerator> entries_;
};

}  // namespace win32_ui::modern
