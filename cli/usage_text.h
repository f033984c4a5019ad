#pragma once

#include <string>

namespace orvane::cli {

// The text that --help prints.
[[nodiscard]] std::wstring usage_text();

}  // namespace orvane::cli
