#pragma once

// Ctrl+C, Ctrl+Break and the console closing, turned into a batch's stop requests: the first
// press starts no new file, a second one (or the console closing) abandons the exports in progress.

#include "batch_run.h"

namespace orvane::cli {

// Installs the console control handler for `stop` while it lives.
class ConsoleControl {
 public:
  explicit ConsoleControl(batch::StopControl& stop);
  ~ConsoleControl();
  ConsoleControl(const ConsoleControl&) = delete;
  ConsoleControl& operator=(const ConsoleControl&) = delete;
};

}  // namespace orvane::cli
