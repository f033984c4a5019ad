#pragma once

#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/graphics/text_format_key.h"

namespace win32_ui::ui::graphics {

// One cached DirectWrite format with what text layouts need beside it.
struct TextFormatEntry {
  TextFormatKey key;
  Microsoft::WRL::ComPtr<IDWriteTextFormat> format;
  Microsoft::WRL::ComPtr<IDWriteInlineObject> ellipsis_sign;  // made when first asked for
  Microsoft::WRL::ComPtr<IDWriteFont> font;  // the font the format resolves to; null when unknown
  std::uint64_t last_use = 0;
};

// This thread's DirectWrite text formats, at most 64, the least recently used replaced first.
// Formats carry no trimming: an ellipsis belongs to each layout that asks for one.
class TextFormatCache {
 public:
  static constexpr std::size_t capacity = 64;

  // The calling thread's cache.
  [[nodiscard]] static TextFormatCache& for_current_thread();

  // The entry for `key`, made on a miss, with an ellipsis sign when `needs_ellipsis_sign`;
  // null when DirectWrite fails. The pointer stays valid until the next call on this thread.
  [[nodiscard]] const TextFormatEntry* get(const TextFormatKey& key, bool needs_ellipsis_sign);

  // Whether `key` is cached (does not count as a use).
  [[nodiscard]] bool contains(const TextFormatKey& key) const;

  [[nodiscard]] std::size_t size() const noexcept { return entries_.size(); }
  [[nodiscard]] std::uint64_t hits() const noexcept { return hits_; }
  [[nodiscard]] std::uint64_t misses() const noexcept { return misses_; }

  // Forgets every format and zeroes the hit and miss counts.
  void clear() noexcept {
    entries_.clear();
    hits_ = 0;
    misses_ = 0;
  }

 private:
  [[nodiscard]] static bool make_entry(const TextFormatKey& key, TextFormatEntry& entry);

  std::vector<TextFormatEntry> entries_;
  std::uint64_t clock_ = 0;
  std::uint64_t hits_ = 0;
  std::uint64_t misses_ = 0;
};

}  // namespace win32_ui::ui::graphics
