#pragma once

#include <dwrite.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ui/graphics/text_format_key.h"

namespace win32_ui::ui::graphics {

class FontFallback;

// This thread's DirectWrite text layouts, keyed by format, box, ellipsis and text. Fewer than
// 512 layouts and at most 131,072 characters are kept, the least recently used going first;
// longer texts are laid out every time.
class TextLayoutCache {
 public:
  static constexpr std::size_t max_entries = 511;
  static constexpr std::size_t max_characters = 0x20000;

  TextLayoutCache();
  ~TextLayoutCache();
  TextLayoutCache(const TextLayoutCache&) = delete;
  TextLayoutCache& operator=(const TextLayoutCache&) = delete;

  // The calling thread's cache.
  [[nodiscard]] static TextLayoutCache& for_current_thread();

  // The layout of `text` in a box of `max_width` × `max_height` in the format of `key`, trimmed
  // with an ellipsis when asked; null when DirectWrite fails or the text is longer than
  // direct_write_max_text_length(). Cached layouts are shared: draw
  // and query them, never change them.
  [[nodiscard]] Microsoft::WRL::ComPtr<IDWriteTextLayout> get(const TextFormatKey& key, std::wstring_view text,
                                                              float max_width, float max_height, bool ellipsis);

  [[nodiscard]] std::size_t size() const noexcept { return entries_.size(); }
  [[nodiscard]] std::size_t characters() const noexcept { return characters_; }
  [[nodiscard]] std::uint64_t hits() const noexcept { return hits_; }
  [[nodiscard]] std::uint64_t misses() const noexcept { return misses_; }

  // Forgets every layout and zeroes the hit and miss counts.
  void clear() noexcept;

 private:
  struct Entry {
    TextFormatKey format;
    float max_width = 0.0f;
    float max_height = 0.0f;
    bool ellipsis = false;
    std::wstring text;
    Microsoft::WRL::ComPtr<IDWriteTextLayout> layout;
  };
  // Looks at an entry's fields (or a caller's, for look-ups) without copying the text.
  struct KeyView {
    const TextFormatKey* format;
    float max_width;
    float max_height;
    bool ellipsis;
    std::wstring_view text;
    friend bool operator==(const KeyView& a, const KeyView& b) noexcept {
      return a.max_width == b.max_width && a.max_height == b.max_height && a.ellipsis == b.ellipsis &&
             a.text == b.text && *a.format == *b.format;
    }
  };
  struct KeyViewHash {
    [[nodiscard]] std::size_t operator()(const KeyView& key) const noexcept;
  };
  using EntryList = std::list<Entry>;  // most recently used first

  [[nodiscard]] Microsoft::WRL::ComPtr<IDWriteTextLayout> make_layout(const TextFormatKey& key, std::wstring_view text,
                                                                      float max_width, float max_height, bool ellipsis);
  void store(const KeyView& key, Microsoft::WRL::ComPtr<IDWriteTextLayout> layout);

  EntryList entries_;
  std::unordered_map<KeyView, EntryList::iterator, KeyViewHash> index_;
  std::size_t characters_ = 0;
  std::uint64_t hits_ = 0;
  std::uint64_t misses_ = 0;
  std::unique_ptr<FontFallback> fallback_;  // resolved on the first layout
};

}  // namespace win32_ui::ui::graphics
