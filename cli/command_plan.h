#pragma once

// The batch a command line asks for: its files, folders and wildcards searched, each copy's place
// (beside its input, one named file, or mirrored under the -o folder), a slice of it, and what is
// wrong with the command line as a whole, all settled before any file is written.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "batch_plan.h"
#include "cli_arguments.h"

namespace orvane::cli {

struct PlanProgress {
  std::function<bool()> stop;               // polled; true ends the planning
  std::function<void(std::size_t)> found;   // files found so far
};

enum class PlanOutcome { Ready, BadUsage, Stopped };

// Settles the batch; on BadUsage, `errors` holds one line each (without a prefix).
[[nodiscard]] PlanOutcome make_plan(const CliArguments& arguments, const PlanProgress& progress, batch::Plan& plan,
                                    std::vector<std::wstring>& errors);

}  // namespace orvane::cli
