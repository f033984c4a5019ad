#include "ui/graphics/text_layout_cache.h"

#include <cmath>
#include <functional>
#include <new>

#include "ui/graphics/direct_write_factory.h"
#include "ui/graphics/font_fallback.h"
#include "ui/graphics/text_format_cache.h"

namespace win32_ui::ui::graphics {

using Microsoft::WRL::ComPtr;

TextLayoutCache::TextLayoutCache() = default;
TextLayoutCache::~TextLayoutCache() = default;

TextLayoutCache& TextLayoutCache::for_current_thread() {
  thread_local TextLayoutCache cache;
  return cache;
}

std::size_t TextLayoutCache::KeyViewHash::operator()(const KeyView& key) const noexcept {
  std::size_t hash = std::hash<std::wstring_view>{}(key.text);
  const auto mix = [&hash](std::size_t value) { hash ^= value + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2); };
  mix(TextFormatKeyHash{}(*key.format));
  // Adding zero turns -0 into +0, which compares equal.
  mix(std::hash<float>{}(key.max_width + 0.0f));
  mix(std::hash<float>{}(key.max_height + 0.0f));
  mix(key.ellipsis ? 1u : 0u);
  return hash;
}

void TextLayoutCache::clear() noexcept {
  index_.clear();
  entries_.clear();
  characters_ = 0;
  hits_ = 0;
  misses_ = 0;
}

ComPtr<IDWriteTextLayout> TextLayoutCache::get(const TextFormatKey& key, std::wstring_view text, float max_width,
                                               float max_height, bool ellipsis) {
  if (text.size() > direct_write_max_text_length()) return nullptr;
  try {
    const KeyView look_up{&key, max_width, max_height, ellipsis, text};
    if (const auto found = index_.find(look_up); found != index_.end()) {
      ++hits_;
      entries_.splice(entries_.begin(), entries_, found->second);
      return found->second->layout;
    }
    ++misses_;
    ComPtr<IDWriteTextLayout> layout = make_layout(key, text, max_width, max_height, ellipsis);
    // A NaN box never compares equal, so such a layout could never be found (or evicted) again.
    if (layout != nullptr && text.size() <= max_characters && !std::isnan(max_width) && !std::isnan(max_height)) {
      store(look_up, layout);
    }
    return layout;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

ComPtr<IDWriteTextLayout> TextLayoutCache::make_layout(const TextFormatKey& key, std::wstring_view text,
                                                       float max_width, float max_height, bool ellipsis) {
  IDWriteFactory* factory = direct_write_factory();
  const TextFormatEntry* format = TextFormatCache::for_current_thread().get(key, ellipsis);
  if (factory == nullptr || format == nullptr) return nullptr;
  ComPtr<IDWriteTextLayout> layout;
  if (FAILED(factory->CreateTextLayout(text.data(), static_cast<UINT32>(text.size()), format->format.Get(), max_width,
                                       max_height, &layout))) {
    return nullptr;
  }
  if (ellipsis) {
    // On the layout, not the shared format: other texts of this font must not be cut.
    const DWRITE_TRIMMING trimming{DWRITE_TRIMMING_GRANULARITY_CHARACTER, 0, 0};
    if (FAILED(layout->SetTrimming(&trimming, format->ellipsis_sign.Get()))) return nullptr;
  }
  if (fallback_ == nullptr) fallback_ = std::make_unique<FontFallback>(factory);
  fallback_->apply(*layout.Get(), text, format->font.Get());
  return layout;
}

void TextLayoutCache::store(const KeyView& key, ComPtr<IDWriteTextLayout> layout) {
  entries_.push_front(Entry{*key.format, key.max_width, key.max_height, key.ellipsis, std::wstring(key.text),
                            std::move(layout)});
  const Entry& entry = entries_.front();
  try {
    index_.emplace(KeyView{&entry.format, entry.max_width, entry.max_height, entry.ellipsis, entry.text},
                   entries_.begin());
  } catch (...) {
    entries_.pop_front();
    throw;
  }
  characters_ += entry.text.size();
  while (!entries_.empty() && (entries_.size() > max_entries || characters_ > max_characters)) {
    const Entry& oldest = entries_.back();
    index_.erase(KeyView{&oldest.format, oldest.max_width, oldest.max_height, oldest.ellipsis, oldest.text});
    characters_ -= oldest.text.size();
    entries_.pop_back();
  }
}

}  // namespace win32_ui::ui::graphics
