#pragma once

#include <string>

namespace orvane::engine {

[[nodiscard]] bool check_logo(const std::wstring& path, std::wstring& error);

}  // namespace orvane::engine
