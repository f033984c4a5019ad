#include "ui/graphics/text_format_cache.h"

#include <algorithm>
#include <new>

#include "ui/graphics/direct_write_factory.h"

namespace win32_ui::ui::graphics {

using Microsoft::WRL::ComPtr;

namespace {

// The font DirectWrite picks for the format's family and style, used to learn which characters
// the format covers; null when the family is not in the format's collection.
ComPtr<IDWriteFont> resolve_font(IDWriteFactory& factory, IDWriteTextFormat& format) {
  ComPtr<IDWriteFontCollection> collection;
  if (FAILED(format.GetFontCollection(&collection)) || collection == nullptr) {
    if (FAILED(factory.GetSystemFontCollection(&collection, FALSE)) || collection == nullptr) return nullptr;
  }
  wchar_t family_name[LF_FACESIZE] = {};
  if (FAILED(format.GetFontFamilyName(family_name, LF_FACESIZE))) return nullptr;
  UINT32 index = 0;
  BOOL exists = FALSE;
  if (FAILED(collection->FindFamilyName(family_name, &index, &exists)) || !exists) return nullptr;
  ComPtr<IDWriteFontFamily> family;
  ComPtr<IDWriteFont> font;
  if (FAILED(collection->GetFontFamily(index, &family)) ||
      FAILED(family->GetFirstMatchingFont(format.GetFontWeight(), format.GetFontStretch(), format.GetFontStyle(), &font))) {
    return nullptr;
  }
  return font;
}

}  // namespace

TextFormatCache& TextFormatCache::for_current_thread() {
  thread_local TextFormatCache cache;
  return cache;
}

bool TextFormatCache::make_entry(const TextFormatKey& key, TextFormatEntry& entry) {
  IDWriteFactory* factory = direct_write_factory();
  if (factory == nullptr) return false;
  const LONG weight = std::clamp<LONG>(key.weight, 1, 999);
  ComPtr<IDWriteTextFormat> format;
  if (FAILED(factory->CreateTextFormat(key.face.data(), nullptr, static_cast<DWRITE_FONT_WEIGHT>(weight),
                                       key.italic ? DWRITE_FONT_STYLE_ITALIC : DWRITE_FONT_STYLE_NORMAL,
                                       DWRITE_FONT_STRETCH_NORMAL, key.font_size(), key.locale.data(), &format)) ||
      FAILED(format->SetTextAlignment(key.text_alignment)) ||
      FAILED(format->SetParagraphAlignment(key.paragraph_alignment)) ||
      FAILED(format->SetReadingDirection(key.reading_direction)) ||
      FAILED(format->SetWordWrapping(key.word_wrapping))) {
    return false;
  }
  entry.key = key;
  entry.font = resolve_font(*factory, *format.Get());
  entry.format = std::move(format);
  entry.ellipsis_sign.Reset();
  return true;
}

const TextFormatEntry* TextFormatCache::get(const TextFormatKey& key, bool needs_ellipsis_sign) try {
  auto found = std::find_if(entries_.begin(), entries_.end(), [&key](const TextFormatEntry& e) { return e.key == key; });
  if (found != entries_.end()) {
    ++hits_;
  } else {
    ++misses_;
    TextFormatEntry made;
    if (!make_entry(key, made)) return nullptr;
    if (entries_.size() < capacity) {
      entries_.push_back(std::move(made));
      found = entries_.end() - 1;
    } else {
      found = std::min_element(entries_.begin(), entries_.end(),
                               [](const TextFormatEntry& a, const TextFormatEntry& b) { return a.last_use < b.last_use; });
      *found = std::move(made);
    }
  }
  found->last_use = ++clock_;
  if (needs_ellipsis_sign && found->ellipsis_sign == nullptr) {
    // Without a sign the layout still trims, only without the "…".
    (void)direct_write_factory()->CreateEllipsisTrimmingSign(found->format.Get(), &found->ellipsis_sign);
  }
  return &*found;
} catch (const std::bad_alloc&) {
  return nullptr;
}

bool TextFormatCache::contains(const TextFormatKey& key) const {
  return std::any_of(entries_.begin(), entries_.end(), [&key](const TextFormatEntry& e) { return e.key == key; });
}

}  // namespace win32_ui::ui::graphics
