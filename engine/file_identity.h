#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvane::engine {

// What makes a file the same file whatever path names it: its volume and its index there.
struct FileIdentity {
  std::uint32_t volume_serial = 0;
  std::uint64_t file_index = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of an existing file; nothing when it does not exist or cannot be opened.
[[nodiscard]] std::optional<FileIdentity> file_identity(const std::wstring& path);

// The full, normalised form of a path (GetFullPathNameW); the path itself when that fails.
[[nodiscard]] std::wstring full_path(const std::wstring& path);

}  // namespace orvane::engine
